// Asking a provider what it knows, without sending a message: the account's
// credit ("[Credit]") and the delivery state of a message ("[Status]" with
// "$MessageId"). An inquiry runs the file's own request sections for it
// ([Credit1]..., [Status1]...) through the same runner as a send: cookies,
// redirects, variables, headers, the log lines, the run observer and the
// transport's tap all work as for [Request%d]. No request section of the
// send is ever run by a status inquiry; a credit that shows on a send page
// (SendPage) is read on demand by running the send's requests up to that
// page, only when it comes before the request that sends the message.
#pragma once

#include <atomic>

#include "script/ProviderFacts.h"
#include "script/Runner.h"

namespace script {

// What a gateway file offers (each false without its keys: the file then
// behaves exactly as before).
bool HasCredit(const char* path);       // [Credit] with a Value
bool CreditFromSend(const char* path);  // ... on a page of the send (SendPage)
bool HasStatus(const char* path);       // [Gateway] MessageId and [Status1]

// The file's CreditLow; false when it has none (or it is no number).
bool CreditLowMark(const char* path, double* mark);
// Whether a known credit lies below the file's CreditLow.
bool CreditIsLow(const char* path, const Credit& credit);

// Reads the account's credit. Gives the run's result (result::kSent when
// the requests went through, whether or not the value was found; a result
// of its own when the file has no [Credit]: kNoRequest); `credit` is known
// only when the value was found and is a number. `user`, `password`,
// `detail` and `abortFlag` may be null, as for RunGateway.
int ReadCredit(const char* path, const char* user, const char* password, Credit* credit, RunDetail* detail = nullptr,
               std::atomic<int>* abortFlag = nullptr);

// Reads the delivery state of the message `messageId` sent through the
// file. Gives the run's result as ReadCredit does; `state` is kUnknown
// unless the reply matched one of the texts.
int ReadDelivery(const char* path, const char* user, const char* password, const char* messageId, Delivery* state,
                 RunDetail* detail = nullptr, std::atomic<int>* abortFlag = nullptr);

// How often and how long to ask after a send: `tries` inquiries, the first
// after `firstMs`, each wait twice the one before up to `longestMs`. The
// plug-in's timer and parlet send --wait-delivery both follow it; tests
// shorten it.
struct PollSchedule {
    int tries;
    int firstMs;
    int longestMs;
};
constexpr PollSchedule kDeliveryPolls{6, 10 * 1000, 5 * 60 * 1000};
// The wait before inquiry `attempt` (0 for the first).
int PollDelayMs(const PollSchedule& schedule, int attempt);

}  // namespace script
