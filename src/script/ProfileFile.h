// A whole section-and-key file parsed as the reader sees it, for tools that
// look at every section and key at once (the command line's check) rather
// than read one key.
#pragma once

#include <string>

#include "script/ProfileDocument.h"
#include "script/ProfileEncoding.h"

namespace profile {

struct ParsedFile {
    encoding::Kind kind = encoding::Kind::Ansi;
    // Names and values as a read hands them back: a UTF-8 or UTF-16 file's
    // text in code page 1252 (best-fit letters, else '?'), unit for unit.
    document::Document<char> doc;
    // The text after decoding has a NUL or many control characters: the
    // bytes are not a text file, whatever the reader makes of them.
    bool binary = false;
};

// `bytes` is the whole file, byte order mark included.
ParsedFile ParseFile(const std::string& bytes);

}  // namespace profile
