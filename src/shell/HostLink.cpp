#include "shell/HostLink.h"

#include <atomic>

namespace host {
namespace {
std::atomic<const PluginLink*> g_link{nullptr};
}

void SetLink(const PluginLink* link) { g_link.store(link); }
const PluginLink* Link() { return g_link.load(); }

Handle HookEvent(const char* name, HookProc hook) {
    const PluginLink* link = Link();
    return link && link->HookEvent ? link->HookEvent(name, hook) : nullptr;
}

int UnhookEvent(Handle hook) {
    const PluginLink* link = Link();
    return link && link->UnhookEvent ? link->UnhookEvent(hook) : -1;
}

Handle CreateService(const char* name, ServiceProc service) {
    const PluginLink* link = Link();
    return link && link->CreateServiceFunction ? link->CreateServiceFunction(name, service) : nullptr;
}

Word CallService(const char* name, Word wParam, Word lParam) {
    const PluginLink* link = Link();
    return link && link->CallService ? link->CallService(name, wParam, lParam) : kServiceNotFound;
}

Word CallServiceSync(const char* name, Word wParam, Word lParam) {
    const PluginLink* link = Link();
    return link && link->CallServiceSync ? link->CallServiceSync(name, wParam, lParam) : kServiceNotFound;
}

bool ServiceExists(const char* name) {
    const PluginLink* link = Link();
    return link && link->ServiceExists && link->ServiceExists(name) != 0;
}

std::string TranslateString(const char* text) {
    // The host hands back a pointer it owns (or the text itself).
    Word result = CallService("LangPack/TranslateString", 0, reinterpret_cast<Word>(text));
    if (result == kServiceNotFound || result == 0) return text ? text : "";
    return reinterpret_cast<const char*>(result);
}

Contact FindFirstContact() {
    Word result = CallService("DB/Contact/FindFirst", 0, 0);
    return result == kServiceNotFound ? nullptr : reinterpret_cast<Contact>(result);
}

Contact FindNextContact(Contact previous) {
    Word result = CallService("DB/Contact/FindNext", reinterpret_cast<Word>(previous), 0);
    return result == kServiceNotFound ? nullptr : reinterpret_cast<Contact>(result);
}

bool ContactExists(Contact contact) {
    if (!contact) return false;
    for (Contact c = FindFirstContact(); c; c = FindNextContact(c))
        if (c == contact) return true;
    return false;
}

Contact AddContact() {
    Word result = CallServiceSync("DB/Contact/Add", 0, 0);
    return result == kServiceNotFound ? nullptr : reinterpret_cast<Contact>(result);
}

int DeleteContact(Contact contact) {
    return static_cast<int>(CallService("DB/Contact/Delete", reinterpret_cast<Word>(contact), 0));
}

std::string ContactDisplayName(Contact contact) {
    Word result = CallService("CList/GetContactDisplayName", reinterpret_cast<Word>(contact), 0);
    if (result == kServiceNotFound || result == 0) return "";
    return reinterpret_cast<const char*>(result);
}

void SendInstantMessage(Contact contact, const char* text) {
    CcsData ccs{contact, kSendMessageService, 0, reinterpret_cast<Word>(text)};
    CallService("Proto/CallContactService", 0, reinterpret_cast<Word>(&ccs));
}

}  // namespace host
