#include "shell/Clock.h"

#include <atomic>
#include <cstdio>
#include <ctime>

namespace forward {
namespace {
std::atomic<ClockSource> g_source{nullptr};

std::tm Local(uint32_t at) {
    std::time_t t = static_cast<std::time_t>(at);
    std::tm local{};
#ifdef _WIN32
    if (std::tm* p = std::localtime(&t)) local = *p;  // the C runtime keeps this buffer per thread
#else
    localtime_r(&t, &local);
#endif
    return local;
}
}  // namespace

uint32_t Now() {
    ClockSource source = g_source.load();
    return source ? source() : SystemNow();
}

void SetClock(ClockSource source) { g_source.store(source); }

std::string LocalClockText(uint32_t at) {
    std::tm t = Local(at);
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d", t.tm_hour % 24, t.tm_min % 60);
    return text;
}

std::string LocalDateText(uint32_t at) {
    std::tm t = Local(at);
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", 1900 + t.tm_year, 1 + t.tm_mon % 12, t.tm_mday % 32,
                  t.tm_hour % 24, t.tm_min % 60);
    return text;
}

}  // namespace forward
