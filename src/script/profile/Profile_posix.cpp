#include "script/profile/Profile.h"
#include "script/profile/ProfileSystem.h"

namespace profile {
namespace system {

size_t Read(const char* file, const char* section, const char* key, char* buffer, size_t size) {
    return portable::Read(file, section, key, buffer, size);
}

bool Write(const char* file, const char* section, const char* key, const char* value) {
    return portable::Write(file, section, key, value);
}

bool DeleteSection(const char* file, const char* section) { return portable::DeleteSection(file, section); }

bool DeleteKey(const char* file, const char* section, const char* key) {
    return portable::DeleteKey(file, section, key);
}

}  // namespace system

Snapshot::Snapshot(const char* file) : state_(portable::TakeSnapshot(file)) {}
Snapshot::~Snapshot() { portable::DropSnapshot(state_); }

}  // namespace profile
