#include <unistd.h>

#include <string>

namespace catalogue {
namespace platform {

std::string ExecutablePath() {
    char buffer[4096];
    ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer);
    if (length <= 0 || static_cast<size_t>(length) >= sizeof buffer) return std::string();
    return std::string(buffer, static_cast<size_t>(length));
}

}  // namespace platform
}  // namespace catalogue
