#include <windows.h>

#include <algorithm>
#include <atomic>

#include "shell/FileReplace.h"

namespace files {
namespace {

// A reader that has the file open without sharing its deletion makes the
// replacement fail for a moment; it is tried again for about a second.
constexpr int kMoveTries = 100;
constexpr DWORD kMovePauseMs = 10;

enum class Written { kAll, kNotOpened, kFailed };

Written WriteAll(const std::string& file, const std::string& bytes, DWORD disposition) {
    HANDLE h = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
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

bool Move(const std::string& from, const std::string& to) {
    for (int i = 0; i < kMoveTries; ++i) {
        if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
        DWORD error = GetLastError();
        if (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED && error != ERROR_LOCK_VIOLATION) break;
        Sleep(kMovePauseMs);
    }
    return false;
}

}  // namespace

// Without MOVEFILE_REPLACE_EXISTING the move fails when `to` exists.
bool MoveNoReplace(const std::string& from, const std::string& to) {
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH) != 0;
}

bool ReplaceWhole(const std::string& path, const std::string& bytes, InPlace inPlace) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (exists && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) return false;

    static std::atomic<unsigned> serial{0};
    std::string temp = path + kTempMark + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(serial++);
    switch (WriteAll(temp, bytes, CREATE_NEW)) {
    case Written::kAll: break;
    case Written::kNotOpened:
        // A folder that takes no new files may still let the file itself
        // be written: then in place, as the only way left.
        if (inPlace == InPlace::kNever) return false;
        return WriteAll(path, bytes, CREATE_ALWAYS) == Written::kAll;
    case Written::kFailed: DeleteFileA(temp.c_str()); return false;
    }
    if (!Move(temp, path)) {
        DeleteFileA(temp.c_str());
        return false;
    }
    return true;
}

namespace detail {

std::vector<std::string> PlainFilesIn(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

}  // namespace detail
}  // namespace files
