// Typed access to the host through the link record kept from Load().
#pragma once

#include <string>

#include "shell/HostRecords.h"

namespace host {

// The size that request and reply records carry in their size field.
constexpr int kHttpRecordSize = 44;

void SetLink(const PluginLink* link);  // kept for the plug-in's whole life
const PluginLink* Link();              // null before Load()

Handle HookEvent(const char* name, HookProc hook);
int UnhookEvent(Handle hook);
Handle CreateService(const char* name, ServiceProc service);
// Gives kServiceNotFound (negative) when no such service exists, or when
// there is no link yet.
Word CallService(const char* name, Word wParam, Word lParam);
// Runs the service on the host's main thread and waits for it.
Word CallServiceSync(const char* name, Word wParam, Word lParam);
bool ServiceExists(const char* name);

// The few services whose arguments are worth typing.
std::string TranslateString(const char* text);
// Marks a text that reaches TranslateString through a variable, so that the
// language pack template (scripts/langpack.py) lists it too.
#define LPGEN(text) text
Contact FindFirstContact();
Contact FindNextContact(Contact previous);
// Whether `contact` is (still) one of the host's contacts; false for none.
bool ContactExists(Contact contact);
Contact AddContact();
int DeleteContact(Contact contact);
// The name the contact list shows for the contact ("" when none).
std::string ContactDisplayName(Contact contact);
// Sends the contact an instant message ("Proto/CallContactService", "/SendMsg").
void SendInstantMessage(Contact contact, const char* text);

}  // namespace host
