// Section-and-key files (the .ini layout): gateway definition files and
// account files. On Windows these are the system's private-profile
// functions; elsewhere a portable reader and writer that behaves like them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace profile {

// Reads `key` of `section` into `buffer` of `size` bytes, as
// GetPrivateProfileStringA with the default "" does: a longer value is cut
// to size - 1 characters. Gives the number of characters copied; 0 means
// absent (a missing key and an empty value are the same).
size_t Read(const char* file, const char* section, const char* key, char* buffer, size_t size);
// The same into a string, at most size - 1 characters; "" when absent.
std::string Read(const char* file, const char* section, const char* key, size_t size);
// A decimal number (leading blanks and a sign allowed); 0 when absent.
int32_t ReadNumber(const char* file, const char* section, const char* key, size_t size);
// Writes `key`, creating the section and the file as needed.
bool Write(const char* file, const char* section, const char* key, const char* value);
// Removes a whole section.
bool DeleteSection(const char* file, const char* section);
// Removes one key.
bool DeleteKey(const char* file, const char* section, const char* key);

// While one lives, reads of `file` on the creating thread see the file as
// it was when the snapshot was taken, parsed once instead of once a key: a
// gateway run reads dozens of keys of one file. A write through this seam
// to that file drops the snapshot, so later reads see the change. On
// Windows the system keeps its own cache and this does nothing.
class Snapshot {
public:
    explicit Snapshot(const char* file);
    ~Snapshot();
    Snapshot(const Snapshot&) = delete;
    Snapshot& operator=(const Snapshot&) = delete;

private:
    void* state_;
};

// The portable implementation, built on every platform so that a test can
// put it beside the system's own.
namespace portable {
size_t Read(const char* file, const char* section, const char* key, char* buffer, size_t size);
bool Write(const char* file, const char* section, const char* key, const char* value);
bool DeleteSection(const char* file, const char* section);
bool DeleteKey(const char* file, const char* section, const char* key);
// Snapshots of the portable reader (what profile::Snapshot uses elsewhere).
void* TakeSnapshot(const char* file);
void DropSnapshot(void* snapshot);
}  // namespace portable

}  // namespace profile
