#include <windows.h>

#include "HostCalls.h"

namespace testwindow {
void* Make() {
    return CreateWindowExA(0, "STATIC", "test window", WS_POPUP, 10, 10, 100, 80, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}
void Destroy(void* window) { DestroyWindow(static_cast<HWND>(window)); }
}  // namespace testwindow
