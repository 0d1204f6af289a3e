// Opening the send dialog: from the main menu (no request), from a
// contact's menu (its phone entry and a preset text) and from the relay
// (which also names the contact to answer, and the dialog sends at once).
#pragma once

#include <optional>
#include <string>

#include "shell/HostRecords.h"

struct SendDialogRequest {
    struct Entry {
        std::optional<std::string> prefix;
        std::optional<std::string> number;
        std::optional<std::string> presetMessage;
    };
    std::optional<Entry> entry;
    host::Contact replyContact = nullptr;  // set only by the relay
    host::Contact contact = nullptr;       // the contact whose menu opened the dialog
};

// Runs the dialog modally on the calling (interface) thread and returns
// when it has closed: 0, or -1 when it could not be shown. `request` may be
// null; it stays the caller's.
int OpenSendDialog(const SendDialogRequest* request);

// Tests put their own dialog in its place; null restores the real one.
using SendDialogOpener = int (*)(const SendDialogRequest* request);
void SetSendDialogOpener(SendDialogOpener opener);

namespace platform {
int OpenSendDialog(const SendDialogRequest* request);  // SendDialog_win.cpp; none natively
}  // namespace platform
