#include "shell/LogFile.h"

#include <windows.h>

#include <string>

namespace logfile {

Handle Open(const char* name) {
    // Append access alone: the system puts every write at the end of the
    // file, whoever else appends to it.
    HANDLE h = CreateFileA(name, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
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
    DWORD written = 0;
    return WriteFile(reinterpret_cast<HANDLE>(file), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}

void Close(Handle file) {
    if (file != kNone) CloseHandle(reinterpret_cast<HANDLE>(file));
}

}  // namespace logfile
