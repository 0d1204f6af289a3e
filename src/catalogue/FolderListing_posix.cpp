#include <dirent.h>
#include <sys/stat.h>

#include "catalogue/FolderListing.h"

namespace catalogue {
namespace platform {

bool FolderExists(const std::string& folder) {
    struct stat info;
    return stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::vector<std::string> ListDefinitionFiles(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = opendir(folder.c_str());
    if (!dir) return names;
    while (struct dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (!EndsInIni(name)) continue;
        // A line break in a name could never be written to the order file.
        if (name.find_first_of("\r\n") != std::string::npos) continue;
        struct stat info;
        std::string path = folder + "/" + name;
        if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
        names.push_back(name);
    }
    closedir(dir);
    return names;
}

}  // namespace platform
}  // namespace catalogue
