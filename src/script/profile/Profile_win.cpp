#include "script/profile/Profile.h"
#include "script/profile/ProfileSystem.h"

#include <windows.h>

namespace profile {
namespace system {

size_t Read(const char* file, const char* section, const char* key, char* buffer, size_t size) {
    const DWORD length = size > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<DWORD>(size);
    return GetPrivateProfileStringA(section, key, "", buffer, length, file);
}

bool Write(const char* file, const char* section, const char* key, const char* value) {
    return WritePrivateProfileStringA(section, key, value, file) != FALSE;
}

bool DeleteSection(const char* file, const char* section) {
    return WritePrivateProfileStringA(section, nullptr, nullptr, file) != FALSE;
}

bool DeleteKey(const char* file, const char* section, const char* key) {
    return WritePrivateProfileStringA(section, key, nullptr, file) != FALSE;
}

}  // namespace system

// The system caches the file it read last; nothing to add.
Snapshot::Snapshot(const char*) : state_(nullptr) {}
Snapshot::~Snapshot() {}

}  // namespace profile
