#include <windows.h>

#include <atomic>

#include "shell/Guard.h"
#include "shell/Timer.h"

namespace timer {
namespace {

std::atomic<Work> g_work{nullptr};
UINT_PTR g_timer = 0;  // the interface thread's only
std::atomic<Work> g_soonWork{nullptr};
UINT_PTR g_soonTimer = 0;

void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) {
    Guarded(0, [] {
        if (Work work = g_work.load()) work();
        return 0;
    });
}

void CALLBACK OnSoon(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    if (id == g_soonTimer) g_soonTimer = 0;
    Guarded(0, [] {
        if (Work work = g_soonWork.exchange(nullptr)) work();
        return 0;
    });
}

}  // namespace

void Soon(Work work) {
    CancelSoon();
    g_soonWork.store(work);
    g_soonTimer = SetTimer(nullptr, 0, 0, OnSoon);
}

void CancelSoon() {
    if (g_soonTimer) KillTimer(nullptr, g_soonTimer);
    g_soonTimer = 0;
    g_soonWork.store(nullptr);
}

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
