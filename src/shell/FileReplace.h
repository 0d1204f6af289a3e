// Replacing a file the user owns as a whole: the new contents go to a file
// beside it that then takes its place in one step, so a crash, a kill, a
// full disk or a failed write never leaves half a file or an empty one
// behind.
#pragma once

#include <string>
#include <vector>

namespace files {

enum class InPlace {
    kFallback,  // where the folder takes no new files, write the file in place, as the only way left
    kNever,     // fail instead: the file must be the old one or the new one, whatever happens
};

// Writes `bytes` as the whole new contents of `path` (created when missing).
// A file that may not be written (read-only) is left as it is and gives
// false; so does any failure, which leaves the old file untouched. The new
// file keeps the old one's permissions and owner where the system allows.
// A link stays a link: the file it leads to is replaced. The data is on the
// disk before the new file takes the old one's name.
bool ReplaceWhole(const std::string& path, const std::string& bytes, InPlace inPlace = InPlace::kFallback);

// Gives the file `from` the name `to` in one step, unless `to` exists:
// false then, and on any failure, with `from` left as it was. Of several
// callers moving the same file, one succeeds.
bool MoveNoReplace(const std::string& from, const std::string& to);

// Removes the temporary files that writers of `path` killed mid-write left
// beside it. Only for a caller that knows no other writer of the file is at
// work (it holds the file's lock).
void RemoveLeftovers(const std::string& path);

// The mark between a file's name and the rest of its temporary files' names.
constexpr const char* kTempMark = ".~";

namespace detail {
// The names of the plain files in `folder`; each platform lists them.
std::vector<std::string> PlainFilesIn(const std::string& folder);
}  // namespace detail

}  // namespace files
