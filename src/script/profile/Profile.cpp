// Checks shared by both platforms before a call reaches the system: a null
// section or key would ask the system for a list of names or delete a whole
// section, and an empty file name would mean the system's own win.ini.
#include "script/profile/Profile.h"
#include "script/profile/ProfileSystem.h"
#include "shell/Text.h"

#include <cstring>
#include <memory>

namespace profile {

namespace {

bool Usable(const char* file) { return file && *file; }

bool HasLineBreak(const char* text) { return std::strpbrk(text, "\r\n") != nullptr; }

// A key must come back as the same key: '=' would end its name early and a
// leading '[' could make its line a section header.
bool UsableKey(const char* key) {
    if (HasLineBreak(key) || std::strchr(key, '=')) return false;
    while (*key == ' ' || *key == '\t' || *key == '\v' || *key == '\f' || *key == 0x1A) ++key;
    return *key != '[';
}

}  // namespace

size_t Read(const char* file, const char* section, const char* key, char* buffer, size_t size) {
    if (!buffer || size == 0) return 0;
    buffer[0] = '\0';
    if (!Usable(file) || !section || !key) return 0;
    size_t n = system::Read(file, section, key, buffer, size);
    return n < size ? n : size - 1;
}

std::string Read(const char* file, const char* section, const char* key, size_t size) {
    if (size == 0) return std::string();
    // A run reads thousands of keys into 2048 bytes: the usual sizes use
    // the stack, left uninitialised.
    char local[4096];
    std::unique_ptr<char[]> heap;
    char* buffer = local;
    if (size > sizeof local) {
        heap.reset(new char[size]);
        buffer = heap.get();
    }
    size_t n = Read(file, section, key, buffer, size);
    return std::string(buffer, n);
}

int32_t ReadNumber(const char* file, const char* section, const char* key, size_t size) {
    return text::ParseDecimal(Read(file, section, key, size).c_str());
}

bool Write(const char* file, const char* section, const char* key, const char* value) {
    // A line break would split the entry into lines of its own.
    if (!Usable(file) || !section || !key || !value) return false;
    if (HasLineBreak(section) || !UsableKey(key) || HasLineBreak(value)) return false;
    return system::Write(file, section, key, value);
}

bool DeleteSection(const char* file, const char* section) {
    if (!Usable(file) || !section) return false;
    return system::DeleteSection(file, section);
}

bool DeleteKey(const char* file, const char* section, const char* key) {
    if (!Usable(file) || !section || !key) return false;
    return system::DeleteKey(file, section, key);
}

}  // namespace profile
