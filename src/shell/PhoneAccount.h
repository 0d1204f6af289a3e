#pragma once
// Phone contacts' own account. The real host names a contact, and its
// contact list honours "CList/Hidden" for it, only when the contact's
// "Protocol"/"p" names an enabled account; a filter module is no account.
// "ZUVE_ROV" is therefore also registered as a protocol of its own, one with
// no status, no messages and no icon, so that it shows in no status menu.
#include <vector>

#include "shell/HostLink.h"

namespace plugin {

// Registers the protocol and creates the few services the host asks every
// protocol for; the services are appended to `services` for Unload.
void RegisterPhoneAccount(std::vector<host::Handle>& services);

}  // namespace plugin
