#include "shell/Clock.h"

#include <atomic>

namespace forward {
namespace {
std::atomic<ClockSource> g_source{nullptr};
}

uint32_t Now() {
    ClockSource source = g_source.load();
    return source ? source() : SystemNow();
}

void SetClock(ClockSource source) { g_source.store(source); }

}  // namespace forward
