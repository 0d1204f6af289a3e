// Listing the definition files of the gateway folder.
//
// A name is a definition file when it ends in ".ini" with the letters in any
// case, as the Windows search for "*.ini" matches. On Windows the search can
// also hit names whose short 8.3 alias matches (abc.inix), and folders; both
// are left out, so every platform lists the same files.
#pragma once

#include <string>
#include <vector>

namespace catalogue {

bool EndsInIni(const std::string& name);  // case-blind

namespace platform {
// FolderListing_win.cpp / FolderListing_posix.cpp
bool FolderExists(const std::string& folder);
// The plain files of `folder` whose names end in ".ini" (any case), in the
// system's listing order; empty when the folder cannot be listed.
std::vector<std::string> ListDefinitionFiles(const std::string& folder);
}  // namespace platform

// The definition files in name order (ASCII letters compared without case,
// then byte by byte), so the scan order does not depend on the file system.
std::vector<std::string> ListDefinitionFiles(const std::string& folder);

}  // namespace catalogue
