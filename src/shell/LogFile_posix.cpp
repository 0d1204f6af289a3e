#include "shell/LogFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace logfile {

Handle Open(const char* name) {
    int fd;
    do {
        fd = open(name, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    return fd < 0 ? kNone : fd;
}

bool Append(Handle file, const char* entry, size_t length) {
    // One call takes the entry whole; only a full disk or a signal makes
    // the system take less, and then the rest follows at once.
    size_t done = 0;
    while (done < length) {
        ssize_t n = write(static_cast<int>(file), entry + done, length - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

void Close(Handle file) {
    if (file != kNone) close(static_cast<int>(file));
}

}  // namespace logfile
