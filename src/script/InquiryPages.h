// Inside the script engine: how a run is planned (a send, or an inquiry's
// own request sections) and what the runner reads on the pages of the new
// sections: the message id, the credit, the delivery state.
#pragma once

#include <atomic>
#include <cstddef>
#include <string>

#include "script/Extract.h"
#include "script/ProviderFacts.h"
#include "script/RunState.h"

namespace script {

// Which request sections a run performs and for what.
struct RunPlan {
    const char* stem = kRequestStem;
    Inquiry* inquiry = nullptr;
    int stopBefore = 0;  // no request from this section on (0: none)
};
int RunPlanned(const RunPlan& plan, const char* path, const char* user, const char* password, SmsMessage* message,
               ProgressTarget* progress, std::atomic<int>* abortFlag, RunDetail* detail);

// The pure readings, on a reply body of `length` bytes and the keys of
// [Credit] or [Status]: a value that is not found, runs over the page or is
// no number gives an unknown credit; a reply that matches no text, unknown.
Credit CutCredit(const SectionKeys& credit, const char* body, size_t length);
Delivery MapDelivery(const SectionKeys& status, const char* body, size_t length);
// The message id as [Gateway] MessageId finds it; "" when it does not (or
// what it finds is too long or holds control bytes to be an id).
std::string CutMessageId(const std::string& pattern, const char* body, size_t length);

// The run's readings, logged: the credit on [Credit] SendPage's page, the
// last page of an inquiry's own requests, the message id on a send's last
// page (when the file names it).
int CreditPageOf(const Run& run);
void ReadCreditPage(Run& run, const char* body, size_t length);
void ReadInquiryPage(Run& run, const char* body, size_t length);
std::string ReadMessageId(const Run& run, const char* body, size_t length);

}  // namespace script
