// Calls of the host's services the way the plug-in makes them, through the
// link record, for the stand-in's tests.
#pragma once

#include <string>

#include "StandIn.h"
#include "shell/HostRecords.h"

namespace hostcalls {

inline host::Word Call(const char* name, host::Word wParam = 0, host::Word lParam = 0) {
    return standin::Link()->CallService(name, wParam, lParam);
}

template <typename T>
host::Word Ptr(T* p) {
    return reinterpret_cast<host::Word>(p);
}

inline host::Word Get(host::Contact contact, const char* module, const char* name, host::DbVariant& value) {
    value = host::DbVariant{};
    host::DbGetSetting request{module, name, &value};
    return Call("DB/Contact/GetSetting", Ptr(contact), Ptr(&request));
}

inline host::Word Free(host::DbVariant& value) { return Call("DB/Contact/FreeVariant", 0, Ptr(&value)); }

inline host::Word Write(host::Contact contact, const char* module, const char* name, const host::DbVariant& value) {
    host::DbWriteSetting request{module, name, value};
    return Call("DB/Contact/WriteSetting", Ptr(contact), Ptr(&request));
}

inline host::Word WriteText(host::Contact contact, const char* module, const char* name, const char* text) {
    host::DbVariant value{};
    value.type = host::kDbText;
    value.pszVal = const_cast<char*>(text);
    return Write(contact, module, name, value);
}

inline host::Word Delete(host::Contact contact, const char* module, const char* name) {
    host::DbGetSetting request{module, name, nullptr};
    return Call("DB/Contact/DeleteSetting", Ptr(contact), Ptr(&request));
}

// A text setting as the plug-in sees it; "<absent>" when GetSetting fails.
inline std::string ReadText(host::Contact contact, const char* module, const char* name) {
    host::DbVariant value;
    if (Get(contact, module, name, value) != 0) return "<absent>";
    std::string text = value.type == host::kDbText && value.pszVal ? value.pszVal : "<not text>";
    Free(value);
    return text;
}

}  // namespace hostcalls

// A window the stand-in can place: a real hidden window on Windows, a
// made-up handle elsewhere.
namespace testwindow {
void* Make();
void Destroy(void* window);
}  // namespace testwindow
