#include <windows.h>

#include <atomic>
#include <cstddef>

#include "shell/Guard.h"
#include "shell/Timer.h"

namespace timer {
namespace {

constexpr size_t kSlots = static_cast<size_t>(Slot::kCount);

std::atomic<Work> g_work[kSlots]{};
UINT_PTR g_timer[kSlots]{};  // the interface thread's only
std::atomic<Work> g_soonWork{nullptr};
UINT_PTR g_soonTimer = 0;

void CALLBACK OnTimer(HWND, UINT, UINT_PTR id, DWORD) {
    Guarded(0, [id] {
        for (size_t i = 0; i < kSlots; ++i) {
            if (g_timer[i] != id) continue;
            if (Work work = g_work[i].load()) work();
        }
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

void Start(Slot slot, unsigned periodMs, Work work) {
    Stop(slot);
    const size_t i = static_cast<size_t>(slot);
    g_work[i].store(work);
    g_timer[i] = SetTimer(nullptr, 0, periodMs, OnTimer);
}

void Stop(Slot slot) {
    const size_t i = static_cast<size_t>(slot);
    if (g_timer[i]) KillTimer(nullptr, g_timer[i]);
    g_timer[i] = 0;
    g_work[i].store(nullptr);
}

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

}  // namespace timer
