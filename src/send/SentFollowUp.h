// What follows a message that went out, on the send's thread: the gateway's
// credit (brought by the run, or read at once) for the status line and the
// Credit page, and a watch for the message's delivery.
#pragma once

#include <atomic>
#include <optional>
#include <string>

#include "script/Runner.h"
#include "send/AfterSend.h"
#include "send/Credit.h"

struct SentThrough {
    std::string name;  // the gateway's file name
    std::string path;
    std::string user;  // the account that sent it
    std::optional<std::string> password;
    std::optional<script::Credit> credit;  // as the send's run read it; none: read after it
    std::string messageId;                 // "" when the reply named none
};

// The gateway that sent the last part, with what its run learnt.
SentThrough SentThroughRun(const std::string& name, const std::string& path, const std::optional<std::string>& user,
                           const std::optional<std::string>& password, const script::RunDetail& detail);

// The credit after the send: from the send's page, or read now; none when
// the gateway tells no credit. For the status line (credit::SentStatus).
std::optional<script::Credit> CreditAfterSend(const SentThrough& through, std::atomic<int>* abortFlag);

// Once the outcome is shown: the credit is recorded (credit::Record, which
// may tell the user it is low) and the message's delivery watched when the
// gateway can be asked for it.
void FollowUp(const SentThrough& through, const std::optional<script::Credit>& credit, const SendRequest& request,
              const SendResult& result);
