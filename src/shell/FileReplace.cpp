#include "shell/FileReplace.h"

#include <filesystem>

namespace files {

void RemoveLeftovers(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path file(path);
    const std::string stem = file.filename().string() + ".~";   // the temporary files' names begin so
    fs::path folder = file.parent_path();
    if (folder.empty()) folder = ".";
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.compare(0, stem.size(), stem) == 0 && it->is_regular_file(ec)) fs::remove(it->path(), ec);
    }
}

}  // namespace files
