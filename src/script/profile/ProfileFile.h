// A whole section-and-key file at once rather than one key:
// - parsed as the reader sees it, for tools that look at every section and
//   key (the command line's check);
// - read into memory, changed there and put back whole at once, for changes
//   that must land together or not at all (renumbering the accounts of an
//   account file), on every platform: the system's own key writer rewrites
//   the file in place, one key at a time.
#pragma once

#include <cstddef>
#include <string>

#include "script/profile/ProfileDocument.h"
#include "script/profile/ProfileEncoding.h"

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

namespace file {

// A file to change and write back in its own encoding: ANSI files are held
// as bytes, the others as UTF-16 units.
struct Parsed {
    encoding::Kind kind = encoding::Kind::Ansi;
    document::Document<char> ansi;
    document::Document<char16_t> wide;
};

enum class LoadResult { Loaded, Missing, Failed };

// Reads and parses the file with the reader's rules.
LoadResult Load(const char* path, Parsed& out);

// What a read of the key gives, as profile::Read does, from the parsed
// file: two reads of one Parsed always see the same version of the file,
// even while other processes replace it.
size_t Value(const Parsed& doc, const char* section, const char* key, char* buffer, size_t size);
std::string Value(const Parsed& doc, const char* section, const char* key, size_t size);

// Writes the file back in its own encoding, through a temporary file that
// takes the old one's place; never in place. Reads of the file under a
// profile::Snapshot of this thread see the change. false when the file
// could not be replaced, which leaves the old one as it was.
bool Replace(const char* path, const Parsed& doc);

}  // namespace file
}  // namespace profile
