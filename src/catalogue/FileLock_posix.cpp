#include "catalogue/FileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

FileLock::FileLock(const std::string& lockPath) : handle_(-1) {
    int fd;
    do {
        fd = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return;
    handle_ = fd;
    int result;
    do {
        result = flock(fd, LOCK_EX);
    } while (result != 0 && errno == EINTR);
    held_ = result == 0;
}

FileLock::~FileLock() {
    // Closing the only descriptor of the open file releases the lock.
    if (handle_ >= 0) close(static_cast<int>(handle_));
}
