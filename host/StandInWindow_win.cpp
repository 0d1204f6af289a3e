// Real windows: positions are the windows' own, and a message-only window
// of the main thread lets any message loop there serve CallServiceSync.
#include <windows.h>

#include <string>

#include "StandInInternal.h"

namespace standin {
namespace platform {
namespace {

constexpr UINT kServeQueue = WM_APP + 1;
constexpr const char* kClassName = "ParletStandInHost";

HWND g_window = nullptr;
DWORD g_windowThread = 0;

LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kServeQueue) {
        detail::ServeMainThreadQueue();
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

BOOL CALLBACK MarkChild(HWND child, LPARAM) {
    char text[1024];
    int n = GetWindowTextA(child, text, sizeof text);
    if (n > 0) SetWindowTextA(child, (std::string("[T]") + text).c_str());
    return TRUE;
}

BOOL CALLBACK CollectText(HWND child, LPARAM list) {
    char cls[32] = "";
    GetClassNameA(child, cls, sizeof cls);
    const bool readOnlyEdit = lstrcmpiA(cls, "Edit") == 0 && (GetWindowLongA(child, GWL_STYLE) & ES_READONLY);
    if (lstrcmpiA(cls, "Static") != 0 && lstrcmpiA(cls, "Button") != 0 && !readOnlyEdit) return TRUE;
    char text[1024];
    if (GetWindowTextA(child, text, sizeof text) > 0)
        reinterpret_cast<std::vector<std::string>*>(list)->push_back(text);
    return TRUE;
}

}  // namespace

void InitMainThread() {
    // A window serves only the thread that made it: make one per main thread.
    if (g_window && g_windowThread == GetCurrentThreadId()) return;
    WNDCLASSA cls{};
    cls.lpfnWndProc = HostWindowProc;
    cls.hInstance = GetModuleHandleA(nullptr);
    cls.lpszClassName = kClassName;
    RegisterClassA(&cls);  // fails harmlessly when already registered
    g_window = CreateWindowExA(0, kClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, cls.hInstance, nullptr);
    g_windowThread = GetCurrentThreadId();
}

void WakeMainThread() {
    if (g_window) PostMessageA(g_window, kServeQueue, 0, 0);
}

void PostWindowMessage(void* window, unsigned message, host::Word wParam, host::Word lParam) {
    PostMessageA(static_cast<HWND>(window), message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam));
}

bool ReadWindowRect(void* window, WindowRect& rect) {
    HWND hwnd = static_cast<HWND>(window);
    RECT r;
    if (!IsWindow(hwnd) || !GetWindowRect(hwnd, &r)) return false;
    rect = WindowRect{r.left, r.top, r.right - r.left, r.bottom - r.top};
    return true;
}

bool PlaceWindow(void* window, const WindowRect& rect, bool move, bool size) {
    HWND hwnd = static_cast<HWND>(window);
    if (!IsWindow(hwnd)) return false;
    if (move) {
        // A position kept from another screen layout must not hide the window.
        RECT target{rect.x, rect.y, rect.x + (rect.width > 0 ? rect.width : 1),
                    rect.y + (rect.height > 0 ? rect.height : 1)};
        if (!MonitorFromRect(&target, MONITOR_DEFAULTTONULL)) move = false;
    }
    UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | (move ? 0 : SWP_NOMOVE) | (size ? 0 : SWP_NOSIZE);
    return SetWindowPos(hwnd, nullptr, rect.x, rect.y, rect.width, rect.height, flags) != 0;
}

void ForgetWindows() {}

void MarkDialog(void* window) {
    HWND hwnd = static_cast<HWND>(window);
    if (!IsWindow(hwnd)) return;
    MarkChild(hwnd, 0);
    EnumChildWindows(hwnd, MarkChild, 0);
}

std::vector<std::string> DialogTexts(void* window) {
    HWND hwnd = static_cast<HWND>(window);
    std::vector<std::string> texts;
    if (!IsWindow(hwnd)) return texts;
    char caption[1024];
    if (GetWindowTextA(hwnd, caption, sizeof caption) > 0) texts.push_back(caption);
    EnumChildWindows(hwnd, CollectText, reinterpret_cast<LPARAM>(&texts));
    return texts;
}

}  // namespace platform
}  // namespace standin
