#include <windows.h>

#include <string>

namespace catalogue {
namespace platform {

std::string ExecutablePath() {
    char buffer[MAX_PATH + 1] = {};
    DWORD length = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    // A path that did not fit comes back cut; treat it as unknown.
    if (length == 0 || length >= MAX_PATH) return std::string();
    return std::string(buffer, length);
}

}  // namespace platform
}  // namespace catalogue
