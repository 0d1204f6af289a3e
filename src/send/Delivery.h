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
#include <functional>
#include <string>

#include "shell/Charset.h"
#include "shell/HostRecords.h"

namespace delivery {

enum class State {
    kPending,    // the provider has not decided yet
    kDelivered,  // reached the phone
    kFailed,     // will not reach it
    kUnknown,    // the reply did not say (or no reply)
};

// When the asks are due, in seconds after the send on the plug-in's clock:
// one ask each, then the watch ends with the status unknown.
constexpr uint32_t kAskAfter[] = {30, 90, 300, 900, 3600};
constexpr unsigned kAskCount = sizeof kAskAfter / sizeof kAskAfter[0];
// The timer checks for due asks this often.
constexpr unsigned kCheckPeriodMs = 5000;

// --- the engine's side (a seam: tests put their own) ---------------------------

struct Engine {
    // Whether the gateway file `path` can be asked for a message's status.
    std::function<bool(const std::string& path)> canAsk;
    // One ask for message `id`; never sends a message. `abortFlag` stops it.
    std::function<State(const std::string& path, const std::string& id, std::atomic<int>* abortFlag)> ask;
};
// An engine with an empty member puts the engine's own back.
void SetEngine(Engine engine);

// A sent message to watch.
struct Sent {
    std::string gatewayName;  // the gateway's file name, for the log
    std::string gatewayPath;
    std::string messageId;  // as the send's reply named it
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
std::string OutcomeText(State state, uint32_t at);

}  // namespace delivery
