// A HAR recording of gateway runs: one page per run (one gateway file
// tried), one entry per exchange, as the carrier sent and received it.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "record/Har.h"
#include "record/Redact.h"
#include "record/Scraped.h"
#include "record/Tap.h"
#include "script/RunObserver.h"
#include "shell/Charset.h"

namespace record {

class Recording : public ExchangeObserver, public script::RunObserver {
public:
    // `charset`: the encoding of the messages, so a page keeps them as
    // text. With `redact`, user, password, number and message are kept as
    // their placeholders only, and so is a value cut from a reply and sent
    // as credentials (ScrapedSecrets), from the reply it came in on.
    Recording(charset::Charset charset, bool redact);

    void RunStarted(const char* path, const char* user, const char* password,
                    const script::SmsMessage& message) override;
    void RequestStarted(int section) override;
    void RunEnded(int result) override;
    void Received(const har::Request& request, const har::Response& response, double ms) override;

    // The recording so far.
    har::Document Document() const;
    // Written whole or not at all; false, with the reason, when it cannot be.
    bool Save(const std::string& path, std::string* error) const;

private:
    charset::Charset charset_;
    bool redact_;
    mutable std::mutex mutex_;  // a send job's thread records, the command saves
    har::Document document_;
    Secrets secrets_;  // of the run under way
    ScrapedSecrets scraped_;
    int section_ = 0;
};

// A gateway file's name without its folder (either separator).
std::string FileName(const std::string& path);

}  // namespace record
