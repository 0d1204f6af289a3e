// Retrying the outbox's messages: one at a time, through the send job with
// no dialog, never twice. A message is marked as being sent on the disk
// before its send starts; one found so marked at start-up may have gone out
// before the host was killed, so it waits for the user's word ("state
// unknown") instead of being sent again on its own.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "send/Outbox.h"
#include "send/OutboxPlace.h"
#include "send/SendJob.h"
#include "shell/Charset.h"

namespace outbox {

// Marks message `id` as being sent (one try more) and gives it as it then
// stands; none when it is not there or is being sent already.
std::optional<Message> BeginRetry(const OutboxFile& file, uint32_t id);
// The send request of a retry of `message`, whose fields `controls` hold:
// the contacts to answer and to record it for (when they still exist), the
// outbox and the message's id.
SendRequest RetryRequest(const OutboxFile& file, const Message& message, SendControls* controls);
// The charset a message was kept in.
charset::Charset MessageCharset(const Message& message);

// --- the plug-in's outbox (its file: send/OutboxPlace.h) ----------------------------

// The timer checks for due messages this often; the minutes between tries
// are "QueueRetryMinutes", counted on the relay's clock.
constexpr unsigned kCheckPeriodMs = 5000;

// At start-up: the shared outbox of earlier versions is taken over, a message found being sent becomes state unknown
// (the user is told), every queued message is due at once, and the timer runs; with "QueueFailed" on the first retry
// starts. Interface thread.
void StartRetries();
// The timer's work: with "QueueFailed" on and no retry under way, the due
// message that has waited longest is tried. Interface thread.
void RetryDue();
// At unload: stops the timer, stops a retry under way and waits for its end.
void StopRetries();
// Whether a retry runs; waiting for it to end (tests).
bool RetryRunning();
void WaitForRetry();

// The user's word from the options page: Retry now makes the message due at
// once, whatever its state (a message in state unknown is then sent again),
// and tries it; Delete removes it. false when it is not there or is being sent.
bool RetryNow(uint32_t id);
bool Delete(uint32_t id);

}  // namespace outbox
