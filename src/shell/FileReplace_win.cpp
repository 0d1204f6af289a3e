#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>

#include "shell/FileReplace.h"

namespace files {
namespace {

enum class Written { kAll, kNotOpened, kFailed };

Written WriteAll(const std::string& file, const std::string& bytes) {
    HANDLE h = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return Written::kNotOpened;
    bool ok = true;
    size_t done = 0;
    while (ok && done < bytes.size()) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
        DWORD wrote = 0;
        ok = WriteFile(h, bytes.data() + done, chunk, &wrote, nullptr) && wrote == chunk;
        done += wrote;
    }
    if (ok && !FlushFileBuffers(h)) ok = false;
    if (!CloseHandle(h)) ok = false;
    return ok ? Written::kAll : Written::kFailed;
}

}  // namespace

bool ReplaceWhole(const std::string& path, const std::string& bytes) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (exists && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) return false;

    static std::atomic<unsigned> serial{0};
    std::string temp = path + ".~" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(serial++);
    switch (WriteAll(temp, bytes)) {
    case Written::kAll: break;
    case Written::kNotOpened:
        // A folder that takes no new files may still let the file itself
        // be written: then in place, as the only way left.
        return WriteAll(path, bytes) == Written::kAll;
    case Written::kFailed:
        DeleteFileA(temp.c_str());
        return false;
    }
    if (!MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileA(temp.c_str());
        return false;
    }
    return true;
}

}  // namespace files
