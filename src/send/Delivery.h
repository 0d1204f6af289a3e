// Asking the provider whether a sent message was delivered: after a send
// through a gateway that named the message's id and can be asked for its
// status, a watch asks on the plug-in's clock a few times, further apart
// each time, and records the answer in the contact's history, the log and,
// when delivery failed, a notice. An ask never sends a message; it runs on a
// thread of its own, one at a time, so a slow or dead provider never holds
// the send dialog, the relay or the host's shut-down.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "script/ProviderFacts.h"
#include "script/Runner.h"

#include "shell/Charset.h"
#include "shell/HostRecords.h"

namespace delivery {

// The asks follow script::kDeliveryPolls on the plug-in's clock, counted
// from the send; after the last one the watch ends with the state unknown.
// The timer checks for due asks this often.
constexpr unsigned kCheckPeriodMs = 5000;

// --- the engine's side (a seam: tests put their own) ---------------------------

// One ask (script::ReadDelivery); never sends a message.
using Reader = int (*)(const char* path, const char* user, const char* password, const char* messageId,
                       script::Delivery* state, script::RunDetail* detail, std::atomic<int>* abortFlag);
// Null puts the engine's back.
void SetReader(Reader reader);

// When ask `ask` (0 for the first) is due, in seconds after the send.
uint32_t AskAfterSeconds(int ask);

// A sent message to watch.
struct Sent {
    std::string gatewayName;  // the gateway's file name, for the log
    std::string gatewayPath;
    std::string messageId;  // as the send's reply named it
    std::string user;       // the account that sent it ("" for none)
    std::optional<std::string> password;
    std::string prefix;
    std::string number;
    host::Contact contact = nullptr;  // whose history gets the outcome (0: none)
    std::string text;                 // the message as the history keeps it, in `charset`
    charset::Charset charset = charset::Charset::Default();
};

// Watches `sent` when its gateway can be asked (any thread: the send's).
// false when it cannot, or the watch was stopped.
bool Watch(const Sent& sent);

// At start-up (interface thread): the timer runs.
void Start();
// The timer's work (interface thread): records the answer of an ask that
// ended; starts the ask due first when none runs.
void CheckDue();
// At unload: stops the timer, stops an ask under way, waits for its end and
// forgets the watches. Watch does nothing until the next Start.
void Stop();

// For tests: whether an ask runs, waiting for its end, the watches left.
bool Asking();
void WaitForAsk();
size_t Watching();

// The text an outcome adds: " (delivered 14:02)", " (delivery failed 14:02)"
// at the local time `at` (seconds on the plug-in's clock); "" for the others.
std::string OutcomeText(script::Delivery state, uint32_t at);

}  // namespace delivery
