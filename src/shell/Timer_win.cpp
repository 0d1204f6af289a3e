#include <windows.h>

#include <atomic>

#include "shell/Guard.h"
#include "shell/Timer.h"

namespace timer {
namespace {

std::atomic<Work> g_work{nullptr};
UINT_PTR g_timer = 0;  // the interface thread's only

void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) {
    Guarded(0, [] {
        if (Work work = g_work.load()) work();
        return 0;
    });
}

}  // namespace

void Start(unsigned periodMs, Work work) {
    Stop();
    g_work.store(work);
    g_timer = SetTimer(nullptr, 0, periodMs, OnTimer);
}

void Stop() {
    if (g_timer) KillTimer(nullptr, g_timer);
    g_timer = 0;
    g_work.store(nullptr);
}

}  // namespace timer
