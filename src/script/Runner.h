// Runs one gateway definition file for one message: checks the gateway,
// performs its "Request%d" sections as HTTP requests, and decides from the
// last reply whether the provider took the message.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "script/ProviderFacts.h"
#include "shell/HostRecords.h"

namespace script {

class ProgressTarget;

// The message to send. The texts belong to the caller; a run may point
// `prefix` elsewhere while a "MapPrefix%d" applies, and always puts the
// caller's pointer back before it returns.
struct SmsMessage {
    const char* prefix;  // country prefix, digits (required)
    const char* number;  // number without the prefix (required)
    const char* text;    // the message (required)
    const char* sender;  // may be null
    // The encoding `text` is in, by name ("UTF-8", "CP1250"); null: the
    // system's ANSI code page (UTF-8 natively). "$Charset" names it, and a
    // JSON body takes the text from it as UTF-8. A file with a [Gateway]
    // "Charset" gets the text converted into that one (MessageKeys.h).
    const char* charset = nullptr;
};

// Results of a run. The send job tells only kSent from the rest; their names
// and reasons are one table (ResultNames.cpp, DescribeResult).
namespace result {
enum Code : int {
    kSent = 0,
    kNoName = -1,
    kBadUrl = -2,
    kExpandFailed = -3,
    kNoType = -4,
    kNoPostString = -5,
    kPostDataMemory = -6,
    kBadType = -7,
    kNoReply = -8,
    kRedirectFailed = -9,
    kNoPage = -10,
    kHttpError = -11,
    kEmptyReply = -12,
    kNoRequest = -13,
    kNotEdited = -14,
    kBadHeader = -15,        // a "Header%d", "Auth" or "ContentType" that cannot be sent as written
    kHeaderLineBreak = -16,  // a header value that holds a line break once filled in
    kBadText = -17,          // a text for a JSON body that is not text in its encoding
    kBadCharset = -18,       // [Gateway] Charset unknown, or it cannot hold the message
    kAborted = 0xAB0,
    kMissingParameters = 0xB00,
    kNoSuccessText = 0xBAD,
    kPrefixUnsupported = 0xF00,
};
}  // namespace result

// A result as people read it: a short name and the reason, one row per
// result above (ResultNames.cpp holds the table).
struct ResultText {
    int code;
    const char* name;    // "NoSuccessText"
    const char* reason;  // "success text not found"
};
// The row of `code`; a code outside the table gets the name "Unknown".
const ResultText& DescribeResult(int code);

// What a run learnt beyond its result, so that a reason can name it.
struct RunDetail {
    int status = 0;  // the final reply's status, for result::kHttpError
    std::string statusText;
    std::string server;  // "host:port" of the request that got no reply, for result::kNoReply
    // For result::kHttpError and kNoSuccessText: the request whose reply
    // failed and the provider's own words (ReplyExcerpt.h), "" for none.
    int request = 0;
    std::string excerpt;
    // For a sent message: its id in the send's last reply, "" when the file
    // names none ([Gateway] MessageId) or the reply did not show it.
    std::string messageId;
    // The credit, when the file says it shows on a page of the send
    // ([Credit] SendPage) and that page was read; unknown otherwise.
    Credit credit;
};
// "name: reason", with the status in the reason of an HTTP error
// ("HttpError: HTTP 403: Forbidden"). `detail` may be null.
std::string ResultSummary(int code, const RunDetail* detail);
// The summary and, when the reply said why, "; Request2 answered: ..." (the
// line of an attempt and of a run's outcome).
std::string ResultLine(int code, const RunDetail* detail);

// `user` and `password` may be null (they only feed "$User" and "$Pass");
// so may `progress`, `abortFlag` and `detail`. Every run keeps its own
// cookie jar and lists, so runs on several threads do not disturb one another.
int RunGateway(const char* path, const char* user, const char* password, SmsMessage* message, ProgressTarget* progress,
               std::atomic<int>* abortFlag, RunDetail* detail = nullptr);

// The longest pause a "Delay" key may ask for; a longer one is cut to it
// with a warning.
constexpr int32_t kMaxDelayMs = 300 * 1000;

// How a "Delay" pauses the run's thread. Tests put their own to see every
// pause asked for (in milliseconds, only pauses above 0) without waiting;
// null puts the real sleep back.
struct Sleeper {
    void (*sleep)(int32_t ms, void* context);
    void* context;
};
void SetSleeper(const Sleeper* sleeper);

// Checks a final reply: 0, or result::kNoPage (no reply), kHttpError (status
// outside 200..299) or kEmptyReply (no body), each logged. The reply stays
// the caller's.
int CheckPage(const host::HttpReply* reply, const char* address);

}  // namespace script
