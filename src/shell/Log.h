// The log file: timestamped entries appended while "DoLog" is on.
#pragma once

#include <cstddef>

// printf-style; the caller supplies any line break. Safe to call from any
// thread: each entry is written whole, never interleaved with another.
void WriteLog(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// Closes the log stream if open and forgets it; the name is kept.
void CloseLog();

namespace logging {

constexpr size_t kEntrySize = 128000;   // an entry is cut to kEntrySize - 1 bytes
constexpr size_t kMaxNameLength = 259;  // a longer "Logfile" name is cut to this

// Sees every entry as written (with "DoLog" on or off), for front ends that
// echo the log. Called under the log's lock: it must not call WriteLog.
using Observer = void (*)(const char* entry, void* context);
void SetObserver(Observer observer, void* context);

// Forgets the file name too, as a fresh load of the plug-in would.
void ResetForTests();

}  // namespace logging
