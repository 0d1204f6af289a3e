// The trace of parlet run on standard error: the runner's log lines as they
// are written, and between them each exchange as it went over the wire
// (">> " the request line, headers and body; "<< " the status, headers and
// body), and each CustomVar and Key with what it found (" = "). Passwords,
// and values cut from replies that go out as credentials (a token), show as
// *** unless asked for.
#pragma once

#include <cstdio>
#include <string>

#include "record/Redact.h"
#include "record/Scraped.h"
#include "record/Tap.h"
#include "script/RunObserver.h"

struct TraceOptions {
    bool verbose = false;  // reply bodies on the trace
    std::string pagesDir;  // each reply body into a numbered file there
    bool showSecrets = false;
};

class RunTrace : public record::ExchangeObserver, public script::RunObserver {
public:
    // Echoes the log on `out` while it lives.
    RunTrace(std::FILE* out, TraceOptions options);
    ~RunTrace() override;
    RunTrace(const RunTrace&) = delete;
    RunTrace& operator=(const RunTrace&) = delete;

    void RunStarted(const char* path, const char* user, const char* password,
                    const script::SmsMessage& message) override;
    void RequestStarted(int section) override { section_ = section; }
    void Looked(int section, const script::Lookup& lookup) override;
    void Sending(const har::Request& request) override;
    void Received(const har::Request& request, const har::Response& response, double ms) override;

    // False when a reply body could not be written to the pages folder.
    bool PagesWritten() const { return pagesWritten_; }

private:
    static void Echo(const char* entry, void* self);
    std::string Hidden(const std::string& text) const;
    void Lines(const char* mark, const std::string& text) const;
    void Body(const har::Response& response);

    std::FILE* out_;
    TraceOptions options_;
    record::Secrets hidden_;  // each as "***"
    record::ScrapedSecrets scraped_;
    int section_ = 0;
    int exchange_ = 0;
    bool skippingHeaders_ = false;
    bool pagesWritten_ = true;
};
