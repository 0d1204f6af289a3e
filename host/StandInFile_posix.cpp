#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

#include "StandInInternal.h"

namespace standin {
namespace platform {

bool SwapInFile(const std::string& temporary, const std::string& path) {
    // The data must be on disk before the name points at it.
    int fd = open(temporary.c_str(), O_RDONLY);
    if (fd < 0) return false;
    bool synced = fsync(fd) == 0;
    close(fd);
    return synced && std::rename(temporary.c_str(), path.c_str()) == 0;
}

}  // namespace platform
}  // namespace standin
