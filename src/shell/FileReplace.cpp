#include "shell/FileReplace.h"

#include <cstdio>

namespace files {

void RemoveLeftovers(const std::string& path) {
    const size_t cut = path.find_last_of("/\\");
    const std::string folder = cut == std::string::npos ? "." : path.substr(0, cut == 0 ? 1 : cut);
    const std::string stem = path.substr(cut == std::string::npos ? 0 : cut + 1) + kTempMark;
    const std::string prefix = cut == std::string::npos ? "" : path.substr(0, cut + 1);
    for (const std::string& name : detail::PlainFilesIn(folder)) {
        if (name.compare(0, stem.size(), stem) == 0) std::remove((prefix + name).c_str());
    }
}

}  // namespace files
