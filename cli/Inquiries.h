// What parlet credit, status, send --wait-delivery and probe share to ask a
// provider for the account's credit or a message's delivery state: the
// seam the requests go through (the network, recorded on request, or a
// recording answering in its place) and the polling after a send.
#pragma once

#include <functional>
#include <string>

#include "Recorded.h"
#include "script/Inquiry.h"

namespace CLI {
class App;
}

struct InquiryOptions {
    int account = 0;
    RecordOptions record;
    std::string replay;  // a HAR recording that answers instead of the network
    bool verbose = false;
};
void AddInquiryOptions(CLI::App* command, InquiryOptions* options);
// False, with a message, for options that cannot go together.
bool InquiryUsable(const InquiryOptions& options);

// Runs `ask` with the requests going where the options say. False, with a
// message, when a replay diverged from the recording or a recording could
// not be saved.
bool Answered(const InquiryOptions& options, const std::function<void()>& ask);

// Asks for the delivery state of `id` as the schedule says, until it is
// delivered or failed or the tries are spent; each answer on standard
// error. Gives the last state.
script::Delivery WaitForDelivery(const std::string& path, const char* user, const char* password, const std::string& id,
                                 const script::PollSchedule& schedule);

// The schedule of --wait-delivery: the product's, or one whose first wait is
// `firstMs` (--poll-ms, for tests), growing to at most four times that.
script::PollSchedule DeliverySchedule(int firstMs);
