// Replacing a file the user owns as a whole: the new contents go to a file
// beside it that then takes its place in one step, so a crash, a full disk
// or a failed write never leaves half a file or an empty one behind.
#pragma once

#include <string>

namespace files {

// Writes `bytes` as the whole new contents of `path` (created when missing).
// A file that may not be written (read-only) is left as it is and gives
// false; so does any failure, which leaves the old file untouched. A link is
// written through in place and stays a link; where the folder takes no new
// files the file is written in place too, as the only way left.
bool ReplaceWhole(const std::string& path, const std::string& bytes);

}  // namespace files
