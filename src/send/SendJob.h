// The send job: one message to one number, trying gateway after gateway and
// account after account until one takes it.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "shell/HostRecords.h"

class SendControls;

struct SendRequest {
    SendControls* dialog = nullptr;        // whose controls hold the input and show the progress
    host::Contact replyContact = nullptr;  // contact to answer at the end; 0 when the user sent
    // The dialog's own abort flag: Cancel in one window never stops another
    // window's send.
    std::atomic<int>* abortFlag = nullptr;
    // Held by the job until it ends: whatever `dialog` and `abortFlag` live
    // in, so a dialog closed meanwhile never leaves the job a dangling view.
    std::shared_ptr<void> keepAlive;

    // After the send. The contact whose history gets what went out (0:
    // none); the outbox file that keeps a message every gateway refused
    // ("": none); a retry names its message in that file.
    host::Contact historyContact = nullptr;
    std::string outboxFile;
    uint32_t outboxId = 0;
    // After a message went out: the gateway's credit in the status line and
    // the settings, and a watch for its delivery (send/SentFollowUp.h). The
    // command line, which has commands of its own for both, turns it off.
    bool followUp = true;
};

// Starts SendJob on a new thread and returns once the job has taken the
// request over (the start handshake). 0; -1 when no thread could be started.
int StartSendJob(const SendRequest& request);

// The job itself, run to its end on the calling thread.
void SendJob(const SendRequest& request);

// Status texts the job shows.
namespace sendtext {
constexpr const char* kNeedMessage = "I need a message to send!";
constexpr const char* kNeedNumber = "And WHERE should I send it to?";
constexpr const char* kSent = "Message sent successfully";
constexpr const char* kAllFailed = "Sending to all gateways failed, sorry";
constexpr const char* kQueued = "All gateways failed; queued for a later try";
// Whether a status line says the message went out (kSent, perhaps with the credit after it).
inline bool SaysSent(const std::string& status) {
    return status.compare(0, std::char_traits<char>::length(kSent), kSent) == 0;
}
}  // namespace sendtext
