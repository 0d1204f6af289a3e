// The forwarding relay: an incoming instant message that begins with the
// trigger text goes on as an SMS to the owner's own phone, at most once per
// interval and contact. It sits in every contact's receive chain as a
// filter and always passes the message on unchanged.
#pragma once

#include <string>

#include "shell/HostRecords.h"

namespace forward {

// What the relay hands the send dialog in its forward mode.
struct ForwardRequest {
    std::string prefix;          // the owner's number, before its first blank
    std::string number;          // and after it
    std::string message;         // "(ICQ)name:text"
    host::Contact replyContact;  // the contact that asked, answered by the send job
};

// Opens the send dialog modally in forward mode; the dialog starts sending at
// once, and the call returns when the dialog has closed.
using SendDialogOpener = void (*)(const ForwardRequest& request);
void SetSendDialogOpener(SendDialogOpener opener);

// "Parlet/RecvMessage": wParam and lParam as the receive chain passes them
// (lParam: the chain record). Whatever it decides, the message goes on
// through "Proto/ChainRecv" with the same two arguments, whose result it
// gives.
host::Word ReceiveMessage(host::Word wParam, host::Word lParam);

// "CList/StatusModeChange": with "ActivateOnNA" set, N/A switches
// forwarding (plugin::ForwardingActive) on and every other status off.
// Gives 0.
host::Word OnStatusModeChange(host::Word newStatus, host::Word lParam);

}  // namespace forward
