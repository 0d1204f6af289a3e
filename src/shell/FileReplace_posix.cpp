#include "shell/FileReplace.h"

#include <atomic>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace files {
namespace {

enum class Written { kAll, kNotOpened, kFailed };

Written WriteAll(const std::string& file, const std::string& bytes, bool sync) {
    std::FILE* f = std::fopen(file.c_str(), "wb");
    if (!f) return Written::kNotOpened;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (std::fflush(f) != 0) ok = false;
    // The data must be on disk before the name points at it.
    if (ok && sync && fsync(fileno(f)) != 0) ok = false;
    if (std::fclose(f) != 0) ok = false;
    return ok ? Written::kAll : Written::kFailed;
}

// A file without any write permission counts as read-only, for root too,
// as the read-only attribute does on Windows.
bool ReadOnly(const std::string& path, const struct stat& st) {
    return (st.st_mode & 0222) == 0 || access(path.c_str(), W_OK) != 0;
}

}  // namespace

bool ReplaceWhole(const std::string& path, const std::string& bytes) {
    struct stat old {};
    bool exists = lstat(path.c_str(), &old) == 0;
    if (exists && S_ISLNK(old.st_mode)) {
        struct stat target {};
        if (stat(path.c_str(), &target) == 0 && ReadOnly(path, target)) return false;
        return WriteAll(path, bytes, false) == Written::kAll;
    }
    if (exists && ReadOnly(path, old)) return false;

    static std::atomic<unsigned> serial{0};
    std::string temp = path + ".~" + std::to_string(getpid()) + "-" + std::to_string(serial++);
    switch (WriteAll(temp, bytes, true)) {
    case Written::kAll: break;
    case Written::kNotOpened:
        // A folder that takes no new files may still let the file itself
        // be written: then in place, as the only way left.
        return WriteAll(path, bytes, false) == Written::kAll;
    case Written::kFailed:
        std::remove(temp.c_str());
        return false;
    }
    if (exists) {
        chmod(temp.c_str(), old.st_mode & 07777);
        if (chown(temp.c_str(), old.st_uid, old.st_gid) != 0) {
            // Only root may give a file away; anyone else writes their own.
        }
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        std::remove(temp.c_str());
        return false;
    }
    return true;
}

}  // namespace files
