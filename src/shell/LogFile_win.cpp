#include "shell/LogFile.h"

#include <windows.h>

#include <string>

namespace logfile {

namespace {

// Appends of several processes are taken one at a time under a lock on a
// byte far past any real end of the file: Wine does not make an append
// one step (a write at the end could land in another process's entry).
// Locking needs read or write access; read access keeps the handle's
// writes going to the end.
constexpr DWORD kLockOffsetLow = 0xFFFFFFF0u;
constexpr DWORD kLockOffsetHigh = 0x3FFFFFFFu;

}  // namespace

Handle Open(const char* name) {
    // Append access without write access: the system puts every write at
    // the end of the file, whoever else appends to it.
    HANDLE h =
        CreateFileA(name, FILE_APPEND_DATA | GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    return h == INVALID_HANDLE_VALUE ? kNone : reinterpret_cast<Handle>(h);
}

bool Append(Handle file, const char* entry, size_t length) {
    std::string text;
    try {
        text.reserve(length + length / 16 + 2);
        for (size_t i = 0; i < length; ++i) {
            if (entry[i] == '\n') text += '\r';
            text += entry[i];
        }
    } catch (...) {
        return false;
    }
    HANDLE h = reinterpret_cast<HANDLE>(file);
    OVERLAPPED at{};
    at.Offset = kLockOffsetLow;
    at.OffsetHigh = kLockOffsetHigh;
    // Without the lock (a file system that has none) the entry still goes.
    bool locked = LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at) != FALSE;
    DWORD written = 0;
    bool ok = WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) && written == text.size();
    if (locked) UnlockFileEx(h, 0, 1, 0, &at);
    return ok;
}

void Close(Handle file) {
    if (file != kNone) CloseHandle(reinterpret_cast<HANDLE>(file));
}

}  // namespace logfile
