#include <windows.h>

#include "catalogue/FolderListing.h"

namespace catalogue {
namespace platform {

bool FolderExists(const std::string& folder) {
    DWORD attributes = GetFileAttributesA(folder.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<std::string> ListDefinitionFiles(const std::string& folder) {
    std::vector<std::string> names;
    std::string pattern = folder + "\\*.ini";
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        std::string name = found.cFileName;
        // The search also matches by 8.3 alias: abc.inix is found as ABC~1.INI.
        if (EndsInIni(name)) names.push_back(name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

}  // namespace platform
}  // namespace catalogue
