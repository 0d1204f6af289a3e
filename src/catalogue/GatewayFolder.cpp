#include "catalogue/GatewayFolder.h"

#include <mutex>

namespace catalogue {
namespace {
std::mutex g_mutex;
std::string g_folder;
std::string g_executableOverride;

bool IsRelativeStart(const std::string& folder) {
    if (folder.size() < 3 || folder[0] != '.') return false;
#ifdef _WIN32
    return folder[1] == '\\';
#else
    return folder[1] == '\\' || folder[1] == '/';
#endif
}
}  // namespace

void SetExecutablePathForTests(const std::string& path) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_executableOverride = path;
}

std::string ExecutablePath() {
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        if (!g_executableOverride.empty()) return g_executableOverride;
    }
    return platform::ExecutablePath();
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    std::string path = folder;
    path += kPathSeparator;
    path += name;
    return path;
}

}  // namespace catalogue

std::string GatewayFolder() {
    std::lock_guard<std::mutex> lock(catalogue::g_mutex);
    return catalogue::g_folder;
}

void SetGatewayFolder(const std::string& folder) {
    std::lock_guard<std::mutex> lock(catalogue::g_mutex);
    catalogue::g_folder = folder.substr(0, catalogue::kMaxFolderLength);
}

void ResolveGatewayFolder(std::string& folder) {
    if (!catalogue::IsRelativeStart(folder)) return;
    std::string executable = catalogue::ExecutablePath();
    size_t last = executable.find_last_of(catalogue::kPathSeparator);
    if (last == std::string::npos || last == 0) return;

    std::string resolved = executable.substr(0, last);
    std::string rest = folder.substr(1);  // ".\Gateways" contributes "\Gateways"
#ifndef _WIN32
    for (char& c : rest) {
        if (c == '\\') c = '/';
    }
#endif
    resolved += rest;
    folder = resolved.substr(0, catalogue::kMaxFolderLength);
}
