// Talking to the user directly: the warning message box and the beep.
// On Windows these are MessageBoxA and MessageBeep; elsewhere the warning
// goes to standard error. Tests (and the command line) may take them over.
#pragma once

namespace usermsg {

constexpr const char* kCaption = "Parlet-Plugin";

// A message box without owner, caption "Parlet-Plugin", warning icon, OK;
// returns when the user closes it.
void WarningBox(const char* text);
// The system's simple beep (MessageBeep with -1).
void SimpleBeep();

// While set, every warning box and beep goes here instead of the screen.
struct Interceptor {
    void (*warningBox)(const char* text, void* context);
    void (*beep)(void* context);
    void* context;
};
void SetInterceptor(const Interceptor* interceptor);

namespace platform {
void WarningBox(const char* text);
void SimpleBeep();
}  // namespace platform

}  // namespace usermsg
