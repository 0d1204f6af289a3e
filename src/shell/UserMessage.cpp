#include "shell/UserMessage.h"

#include <mutex>

namespace usermsg {
namespace {
std::mutex g_mutex;
Interceptor g_interceptor{};
bool g_intercepting = false;

bool Intercepted(Interceptor& copy) {
    std::lock_guard<std::mutex> lock(g_mutex);
    copy = g_interceptor;
    return g_intercepting;
}
}  // namespace

void SetInterceptor(const Interceptor* interceptor) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_intercepting = interceptor != nullptr;
    g_interceptor = interceptor ? *interceptor : Interceptor{};
}

void WarningBox(const char* text) {
    Interceptor copy;
    if (Intercepted(copy)) {
        if (copy.warningBox) copy.warningBox(text, copy.context);
        return;
    }
    platform::WarningBox(text);
}

void SimpleBeep() {
    Interceptor copy;
    if (Intercepted(copy)) {
        if (copy.beep) copy.beep(copy.context);
        return;
    }
    platform::SimpleBeep();
}

}  // namespace usermsg
