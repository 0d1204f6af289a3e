// What one run of a gateway file keeps, and the steps the run loop and the
// assembly of its requests both take on it. Inside the script engine only.
#pragma once

#include <cstdint>
#include <string>

#include "script/Extract.h"
#include "script/Runner.h"
#include "script/Template.h"
#include "shell/Charset.h"

namespace script {

class RunObserver;

// What an inquiry (a credit or status run) is after; a send has none.
struct Inquiry {
    const char* section = kCreditSection;  // or kStatusSection or kStatusSection: its keys and its request sections
    const char* messageId = nullptr;       // for "$MessageId"
    bool answered = false;                 // its last page was read
    Credit credit;
    Delivery delivery = Delivery::kUnknown;
};

constexpr const char* kExpandFailedLine = " - ERROR: Memory allocation error while parsing URL\n";

// The message's prefix while a "MapPrefix" value stands in for it. The
// caller's pointer goes back when the run ends, on every way out of it (an
// exception included), and the mapped text lives exactly as long as needed.
class PrefixSwap {
public:
    explicit PrefixSwap(SmsMessage* message) : message_(message), caller_(message->prefix) {}
    ~PrefixSwap() { message_->prefix = caller_; }
    PrefixSwap(const PrefixSwap&) = delete;
    PrefixSwap& operator=(const PrefixSwap&) = delete;

    void Map(std::string prefix) {
        mapped_ = std::move(prefix);
        message_->prefix = mapped_.c_str();
    }

private:
    SmsMessage* message_;
    const char* caller_;
    std::string mapped_;
};

// Everything one run keeps; nothing of it is shared with another run.
struct Run {
    Run(const char* file, const char* account, const char* secret, SmsMessage* sms, RunDetail* into,
        RunObserver* watcher)
        : path(file),
          user(account),
          password(secret),
          message(sms),
          prefix(sms),
          charset(sms->charset ? sms->charset : charset::Charset::Default().name()),
          detail(into),
          observer(watcher) {}
    const char* path;
    const char* user;
    const char* password;
    SmsMessage* message;
    PrefixSwap prefix;
    std::string charset;  // the message's encoding, for "$Charset"
    int32_t maxChars = 0;
    int64_t messageLength = -1;  // for "$Count" when MaxChars counts characters; -1: bytes
    CookieJar jar;
    RunLists lists;
    std::string lastRedirect;
    bool redirected = false;
    int result = result::kSent;
    RunDetail* detail;
    RunObserver* observer;
    int stopBefore = 0;               // the observer's limit: no request from this section on
    Inquiry* inquiry = nullptr;       // null for a send
    int creditPage = 0;               // the request whose page shows the credit ([Credit] SendPage)
    const char* stem = kRequestStem;  // the request sections: "Request1", ... or the inquiry's
};

// A key of the run's file.
std::string Read(const Run& run, const char* section, const char* key, size_t size = kValueSize);

// Ends the run here with `code`; false, for the callers' returns.
bool Stop(Run& run, int code);

// The values the run's templates take.
TemplateValues ValuesOf(const Run& run);

// Expands a template; a failed expansion is logged (the run fails with -3).
bool Expand(const std::string& text, const TemplateValues& values, Encoding encoding, std::string* out);

// Expands a template bound for a request line or header: a failed
// expansion and a value with a line break both fail the run with -3.
bool ExpandForRequest(Run& run, const std::string& text, bool encodeCustomVars, std::string* out);

// Letter case aside: whether `name` begins with `prefix` (false for null),
// `s` too, and whether `a` is `b`.
bool NameStarts(const char* name, const char* prefix);
bool StartsNoCase(const std::string& s, const char* prefix);
bool SameNoCase(const std::string& a, const char* b);

}  // namespace script
