// Replay: a carrier that answers the runner's requests from a recording, in
// order, comparing each with the request recorded in its place. No request
// reaches the network.
#pragma once

#include <string>
#include <vector>

#include "record/Har.h"
#include "record/Redact.h"
#include "record/Tap.h"
#include "script/RunObserver.h"

namespace record {

// One request of the replayed run.
struct ReplayStep {
    int entry = 0;    // the recorded entry that answered it (from 1); 0: none did
    int section = 0;  // the gateway file's "Request%d"
    std::string method, path;
    int status = 0;                        // of the reply given
    std::vector<std::string> differences;  // from the recorded request (Compare)
    std::string why;                       // the values pages lacked before this request, if any
    har::Request live;                     // as sent (redacted when the recording is)
};

class ReplayCarrier : public Carrier, public script::RunObserver {
public:
    // `entries`: the recording's exchanges of the run, in order. `ownRun`:
    // a recording of parlet's, which answers strictly in order; otherwise
    // (a browser's export) entries the run does not ask for are passed
    // over. `redacted`: its texts hold placeholders for the run's secrets.
    ReplayCarrier(std::vector<har::Entry> entries, bool ownRun, bool redacted);

    host::HttpReply* Carry(const host::HttpRequest& request, int ownHeaders, const har::Request& wire) override;
    void Release(host::HttpReply* reply) override;

    void RunStarted(const char* path, const char* user, const char* password,
                    const script::SmsMessage& message) override;
    void RequestStarted(int section) override;
    void Looked(int section, const script::Lookup& lookup) override;

    const std::vector<ReplayStep>& Steps() const { return steps_; }
    // The recorded entries the run never reached.
    int Unused() const { return static_cast<int>(entries_.size()) - static_cast<int>(next_); }
    // The first step that diverged (a difference, or no recorded answer);
    // null when none did.
    const ReplayStep* FirstDivergence() const;

private:
    // The entry that answers `live`, from next_ on; entries_.size() for none.
    size_t Match(const har::Request& live) const;
    std::string Missing(const std::string& field) const;

    std::vector<har::Entry> entries_;
    bool ownRun_;
    bool redacted_;
    size_t next_ = 0;
    int section_ = 0;
    Secrets secrets_;
    std::vector<std::pair<int, script::Lookup>> misses_;  // values pages lacked, with their section
    std::vector<ReplayStep> steps_;
};

}  // namespace record
