#include "catalogue/FileLock.h"

#include <windows.h>

FileLock::FileLock(const std::string& lockPath) : handle_(reinterpret_cast<intptr_t>(INVALID_HANDLE_VALUE)) {
    HANDLE h = CreateFileA(lockPath.c_str(), GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    handle_ = reinterpret_cast<intptr_t>(h);
    OVERLAPPED at{};
    held_ = LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at) != FALSE;
}

FileLock::~FileLock() {
    HANDLE h = reinterpret_cast<HANDLE>(handle_);
    if (h == INVALID_HANDLE_VALUE) return;
    if (held_) {
        OVERLAPPED at{};
        UnlockFileEx(h, 0, 1, 0, &at);
    }
    CloseHandle(h);
}
