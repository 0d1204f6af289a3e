// The platform's own section-and-key functions behind profile::Read and
// friends; the arguments have been checked (no null or empty file name, no
// null section or key).
#pragma once

#include <cstddef>

namespace profile {
namespace system {

size_t Read(const char* file, const char* section, const char* key, char* buffer, size_t size);
bool Write(const char* file, const char* section, const char* key, const char* value);
bool DeleteSection(const char* file, const char* section);
bool DeleteKey(const char* file, const char* section, const char* key);

}  // namespace system
}  // namespace profile
