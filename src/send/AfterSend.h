// What happens to a message once its send job has ended: what went out goes
// into the contact's history, and what every gateway refused is kept in the
// outbox (a new send), or its outbox entry is brought up to date (a retry).
#pragma once

#include <string>

#include "send/SendJob.h"
#include "shell/Charset.h"

struct SendResult {
    bool sent = false;     // the job reported success
    bool aborted = false;  // Cancel, or the outbox's retries stopping
    std::string prefix;
    std::string number;
    std::string sentText;  // the message's bytes that went out, without labels, in `charset`
    std::string unsent;    // after a failure, what is left to send
    charset::Charset charset = charset::Charset::Default();
};

enum class Filed {
    kNothing,      // nothing was kept
    kQueued,       // a new send was kept in the outbox
    kStillQueued,  // a retry failed; its message waits for the next try
    kGivenUp,      // a retry failed for the last time
};

// History events ("LogHistory") and the outbox; gives what became of a send
// that did not go out whole. Notices and log lines tell of a message given
// up and of an outbox that could not be written.
Filed AfterSend(const SendRequest& request, const SendResult& result);

namespace history {
// Adds a sent message event of module "Parlet-Plugin" with the text in the
// ANSI code page (converted from `charset`) to the contact's history. A
// non-empty `head` goes on a line of its own before the text.
void AddSentEvent(host::Contact contact, const std::string& head, const std::string& text,
                  const charset::Charset& charset);
}  // namespace history
