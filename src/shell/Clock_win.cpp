#include <windows.h>

#include "shell/Clock.h"

namespace forward {

// Read from the kernel rather than the C run-time, so that a host can put a
// clock of its own in the plug-in's import table.
uint32_t SystemNow() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER ticks;
    ticks.LowPart = now.dwLowDateTime;
    ticks.HighPart = now.dwHighDateTime;
    constexpr uint64_t kTicksPerSecond = 10000000;
    constexpr uint64_t kEpochTicks = 116444736000000000;  // 1601 to 1970 in 100 ns ticks
    return static_cast<uint32_t>((ticks.QuadPart - kEpochTicks) / kTicksPerSecond);
}

}  // namespace forward
