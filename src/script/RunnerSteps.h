// Pieces of a gateway run that stand on their own.
#pragma once

#include <string>
#include <vector>

#include "script/Extract.h"

namespace script {

// Formats one error line into a 512-character buffer of the caller's stack
// (so an error line is at most 511 characters) and logs it.
void LogErrorLine(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// The address a "Location" value leads to from `current`: "/x" keeps the
// scheme and host, "http..." stands alone, anything else replaces the last
// part of the path. -1 when a "/x" location meets an address without host.
int ResolveLocation(const std::string& current, const char* location, std::string* next);

// Appends "&name=value" for every pair whose "name=" the body lacks. False
// when that would make the body longer than `limit` bytes.
bool AppendKeys(std::string* body, const std::vector<KeyPair>& keys, size_t limit);

// A CR, LF or zero byte would end a request line or header early and let a
// page inject headers of its own.
bool HasLineBreak(const std::string& text);

// The warning shown for a gateway file that still says "Editme": the
// translated text with the path in place of its first "%s" (a translation
// is never used as a format), cut to 2047 characters.
std::string EditmeWarning(const char* translated, const char* path);

}  // namespace script
