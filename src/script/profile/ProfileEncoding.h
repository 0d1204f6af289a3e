// Text encodings of section-and-key files. A file is ANSI (code page 1252,
// byte for byte) unless it starts with a UTF-8 or UTF-16 byte order mark;
// the reader then works on UTF-16 units, as the system's reader does.
#pragma once

#include <cstddef>
#include <string>

namespace profile {
namespace encoding {

enum class Kind { Ansi, Utf8, Utf16Le, Utf16Be };

// The file's encoding and the length of its byte order mark.
Kind Detect(const char* bytes, size_t length, size_t* markLength);

// File bytes (after the mark) to UTF-16 units. Malformed UTF-8 becomes
// U+FFFD per bad sequence, the way the system's converter splits them.
std::u16string Decode(const char* bytes, size_t length, Kind kind);
// UTF-16 units to file bytes, mark included.
std::string Encode(const std::u16string& units, Kind kind);

// Code page 1252: undefined bytes map to the control characters of the
// same value, so every byte survives a round trip.
char16_t FromAnsi(unsigned char byte);
// A unit without a place in the code page becomes its best-fit byte, or
// '?' when it has none.
char ToAnsi(char16_t unit);
// The best-fit byte of a unit outside the code page, or -1.
int BestFitByte(char16_t unit);
std::u16string FromAnsi(const char* text);

}  // namespace encoding
}  // namespace profile
