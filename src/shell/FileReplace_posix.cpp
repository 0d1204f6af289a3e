#include "shell/FileReplace.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <memory>

namespace files {
namespace {

enum class Written { kAll, kNotOpened, kFailed };

// `sync`: the data is on the disk before the call returns.
Written WriteAll(const std::string& file, const std::string& bytes, int flags, bool sync) {
    int fd = open(file.c_str(), O_WRONLY | O_CLOEXEC | flags, 0666);
    if (fd < 0) return Written::kNotOpened;
    size_t done = 0;
    bool ok = true;
    while (ok && done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0)
            ok = false;
        else
            done += static_cast<size_t>(n);
    }
    if (ok && sync && fsync(fd) != 0) ok = false;
    if (close(fd) != 0) ok = false;
    return ok ? Written::kAll : Written::kFailed;
}

// A file without any write permission counts as read-only, for root too,
// as the read-only attribute does on Windows.
bool ReadOnly(const std::string& path, const struct stat& st) {
    return (st.st_mode & 0222) == 0 || access(path.c_str(), W_OK) != 0;
}

// The file a symbolic link leads to; the path itself otherwise.
std::string Resolved(const std::string& path) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    std::unique_ptr<char, decltype(&std::free)> real(realpath(path.c_str(), nullptr), &std::free);
    return real ? std::string(real.get()) : path;
}

}  // namespace

// A second name first (refused when it exists), then the old one goes: the
// file is never without a name.
bool MoveNoReplace(const std::string& from, const std::string& to) {
    if (link(from.c_str(), to.c_str()) != 0) return false;
    if (unlink(from.c_str()) != 0) {
        unlink(to.c_str());
        return false;
    }
    return true;
}

bool ReplaceWhole(const std::string& path, const std::string& bytes, InPlace inPlace) {
    const std::string target = Resolved(path);
    struct stat old {};
    const bool exists = stat(target.c_str(), &old) == 0;
    if (exists && ReadOnly(target, old)) return false;

    static std::atomic<unsigned> serial{0};
    const std::string temp = target + kTempMark + std::to_string(getpid()) + "-" + std::to_string(serial++);
    switch (WriteAll(temp, bytes, O_CREAT | O_EXCL, true)) {
    case Written::kAll: break;
    case Written::kNotOpened:
        // A folder that takes no new files may still let the file itself
        // be written: then in place, as the only way left.
        if (inPlace == InPlace::kNever) return false;
        return WriteAll(target, bytes, O_CREAT | O_TRUNC, false) == Written::kAll;
    case Written::kFailed: unlink(temp.c_str()); return false;
    }
    if (exists) {
        chmod(temp.c_str(), old.st_mode & 07777);
        if (chown(temp.c_str(), old.st_uid, old.st_gid) != 0) {
            // Only root may give a file away; anyone else writes their own.
        }
    }
    if (rename(temp.c_str(), target.c_str()) != 0) {
        unlink(temp.c_str());
        return false;
    }
    return true;
}

namespace detail {

std::vector<std::string> PlainFilesIn(const std::string& folder) {
    std::vector<std::string> names;
    std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.c_str()), &closedir);
    if (!dir) return names;
    while (const dirent* entry = readdir(dir.get())) {
        struct stat st {};
        const std::string name = entry->d_name;
        if (lstat((folder + "/" + name).c_str(), &st) == 0 && S_ISREG(st.st_mode)) names.push_back(name);
    }
    return names;
}

}  // namespace detail
}  // namespace files
