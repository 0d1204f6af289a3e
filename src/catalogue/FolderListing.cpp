#include "catalogue/FolderListing.h"

#include <algorithm>

#include "shell/Text.h"

namespace catalogue {

bool EndsInIni(const std::string& name) {
    static const char kExtension[] = ".ini";
    const size_t n = sizeof kExtension - 1;
    if (name.size() < n) return false;
    for (size_t i = 0; i < n; ++i) {
        if (text::FoldAscii(name[name.size() - n + i]) != kExtension[i]) return false;
    }
    return true;
}

std::vector<std::string> ListDefinitionFiles(const std::string& folder) {
    std::vector<std::string> names = platform::ListDefinitionFiles(folder);
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        size_t n = std::min(a.size(), b.size());
        for (size_t i = 0; i < n; ++i) {
            char x = text::FoldAscii(a[i]), y = text::FoldAscii(b[i]);
            if (x != y) return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
        }
        if (a.size() != b.size()) return a.size() < b.size();
        return a < b;
    });
    return names;
}

}  // namespace catalogue
