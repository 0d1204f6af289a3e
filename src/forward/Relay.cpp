#include "forward/Relay.h"

#include <atomic>
#include <cstring>
#include <optional>

#include "forward/FloodMessage.h"
#include "shell/Clock.h"
#include "shell/Forwarding.h"
#include "shell/HostLink.h"
#include "shell/Log.h"
#include "shell/Settings.h"

namespace forward {
namespace {

std::atomic<SendDialogOpener> g_opener{nullptr};

constexpr uint32_t kSecondsPerMinute = 60;

struct OwnerNumber {
    std::string prefix;
    std::string number;
};

// "SenderNumber" split at its first blank; none without a blank.
std::optional<OwnerNumber> ReadOwnerNumber() {
    std::optional<std::string> sender = settings::SenderNumber();
    if (!sender) return std::nullopt;
    const size_t blank = sender->find(' ');
    if (blank == std::string::npos) return std::nullopt;
    return OwnerNumber{sender->substr(0, blank), sender->substr(blank + 1)};
}

// True when the contact had a forward less than the interval ago; it then
// gets the "FloodMsg" answer, if there is one.
bool RefusedAsFlood(host::Contact contact, uint32_t now) {
    const uint32_t last = settings::LastSendTime(contact);
    if (last == 0) return false;
    // Unsigned on purpose: a clock set back before `last` gives a large
    // difference, and the contact is let through.
    const uint32_t elapsed = now - last;
    if (elapsed >= settings::UserMsgInterval() * kSecondsPerMinute) return false;

    std::optional<std::string> floodMsg = settings::FloodMsg();
    if (!floodMsg) return true;
    const uint32_t limit = settings::UserMsgInterval() * kSecondsPerMinute;  // read afresh for the answer
    const int minutesLeft = static_cast<int32_t>(limit - elapsed) / static_cast<int32_t>(kSecondsPerMinute);
    const std::string answer = ExpandFloodMessage(*floodMsg, minutesLeft);
    WriteLog("User tried to flood the gateway. I said to him: %s\n", answer.c_str());
    host::SendInstantMessage(contact, answer.c_str());
    return true;
}

// Hands the message to the send dialog and waits for the whole send.
void Forward(host::Contact contact, const OwnerNumber& owner, const char* rest) {
    const std::string name = host::ContactDisplayName(contact);
    std::string text = "(ICQ)" + name + ":" + rest;
    WriteLog("User %s wants to send a message: %s\n", name.c_str(), text.c_str());
    if (SendDialogOpener open = g_opener.load())
        open(ForwardRequest{owner.prefix, owner.number, std::move(text), contact});
    // The interval counts from the end of this forward, sent or not.
    settings::WriteDword("LastSendTime", Now(), contact);
}

void Relay(host::Word lParam) {
    if (!plugin::ForwardingActive()) return;  // nothing is read while forwarding is off
    const auto* ccs = reinterpret_cast<const host::CcsData*>(lParam);
    const auto* event = ccs ? reinterpret_cast<const host::ProtoRecvEvent*>(ccs->lParam) : nullptr;
    if (!event || !event->message) return;

    std::optional<OwnerNumber> owner = ReadOwnerNumber();
    if (!owner) return;
    std::optional<std::string> trigger = settings::ForwardTrigger();
    if (!trigger) return;
    const char* message = event->message;
    if (std::strncmp(message, trigger->c_str(), trigger->size()) != 0) return;

    if (RefusedAsFlood(ccs->contact, Now())) return;
    Forward(ccs->contact, *owner, message + trigger->size());
}

}  // namespace

void SetSendDialogOpener(SendDialogOpener opener) { g_opener.store(opener); }

host::Word ReceiveMessage(host::Word wParam, host::Word lParam) {
    try {
        Relay(lParam);
    } catch (...) {
        // Out of memory on the way: nothing is forwarded, the message still goes on.
    }
    return host::CallService("Proto/ChainRecv", wParam, lParam);
}

host::Word OnStatusModeChange(host::Word newStatus, host::Word) {
    try {
        if (settings::ActivateOnNA()) plugin::SetForwardingActive(newStatus == host::kStatusNotAvailable ? 1 : 0);
    } catch (...) {
    }
    return 0;
}

}  // namespace forward
