// Without a window system: windows are made-up handles whose positions the
// stand-in keeps, and the main thread needs no wake-up beyond the queue's.
#include <map>
#include <mutex>

#include "StandInInternal.h"

namespace standin {
namespace platform {
namespace {
std::mutex g_windowMutex;
std::map<void*, WindowRect> g_windows;
}  // namespace

void InitMainThread() {}
void WakeMainThread() {}
void PostWindowMessage(void*, unsigned, host::Word, host::Word) {}

bool ReadWindowRect(void* window, WindowRect& rect) {
    std::lock_guard<std::mutex> lock(g_windowMutex);
    auto it = g_windows.find(window);
    if (it == g_windows.end()) return false;
    rect = it->second;
    return true;
}

bool PlaceWindow(void* window, const WindowRect& rect, bool move, bool size) {
    if (!window) return false;
    std::lock_guard<std::mutex> lock(g_windowMutex);
    WindowRect& kept = g_windows[window];
    if (move) {
        kept.x = rect.x;
        kept.y = rect.y;
    }
    if (size) {
        kept.width = rect.width;
        kept.height = rect.height;
    }
    return true;
}

void ForgetWindows() {
    std::lock_guard<std::mutex> lock(g_windowMutex);
    g_windows.clear();
}

void MarkDialog(void*) {}
std::vector<std::string> DialogTexts(void*) { return {}; }

}  // namespace platform
}  // namespace standin
