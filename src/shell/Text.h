// Small text helpers shared by several subsystems.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace text {

// Reads a decimal integer as the C library's atoi does (leading blanks, an
// optional sign, digits up to the first other character, 0 without digits),
// but into 32 bits on every build, saturating at INT32_MIN and INT32_MAX
// instead of overflowing: a number in a file means the same in the DLL
// (where long has 32 bits) and natively (where it has 64).
int32_t ParseDecimal(const char* s);

// Puts `value` in place of the first "%<conversion>" of a translated text
// (say "%s" or "%d") and "%" in place of "%%"; cut to `limit` characters. A
// language pack's text is never used as a printf format: every other "%"
// sequence stays as it is.
std::string FillPattern(const std::string& pattern, char conversion, const std::string& value, size_t limit);

// ASCII letters fold to lower case; every other byte compares exactly.
inline char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
// `s` with FoldAscii applied to every byte.
inline std::string LowerAscii(std::string s) {
    for (char& c : s) c = FoldAscii(c);
    return s;
}

// Base64 of the bytes of `data` (the standard alphabet, "=" padding), as an
// "Authorization: Basic" header carries credentials.
std::string Base64(const std::string& data);

// Appends `text` in double quotes as one line of ASCII: '\\', '"', \n, \r
// and \t escaped, every other byte outside printable ASCII as \xHH. The
// outbox file and the stand-in's database file keep their texts so.
void AppendQuoted(std::string& out, const std::string& text);
// Reads a text AppendQuoted wrote, from *p (its opening quote) up to `end`;
// on success *p is past the closing quote. False for a missing quote or a
// bad escape.
bool ReadQuoted(const char** p, const char* end, std::string* text);

}  // namespace text

// The first position in `haystack` (of `length` bytes, searched from `from`)
// at which `pattern` occurs with ASCII letters compared without regard to
// case; npos when it does not occur. An empty pattern is never found.
// Linear in the length of both texts.
size_t FindNoCase(const char* haystack, size_t length, const char* pattern, size_t from = 0);
inline size_t FindNoCase(const std::string& haystack, const char* pattern, size_t from = 0) {
    return FindNoCase(haystack.data(), haystack.size(), pattern, from);
}
