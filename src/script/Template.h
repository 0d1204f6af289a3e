// Template texts of a gateway file ("URL", "PostString", "Referer",
// "MapPrefix%d"): variables such as "$Number" or "$Cookie[SID]" replaced by
// the values of the current run.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "script/Extract.h"

namespace script {

struct SmsMessage;

// Form encoding: ASCII letters and digits kept, a space as "+", every
// other byte as "%XX". Gives -1 (and leaves `out` alone) without a text.
int UrlEncode(const char* text, std::string* out);
std::string UrlEncode(const std::string& text);

// JSON string escaping: '"' and '\\' behind a backslash, control bytes
// (below 0x20, and 0x7F) as "\u00XX"; every other byte as it is.
std::string JsonEscape(const std::string& text);

// What a template can refer to. A missing text (null) is a value the run
// does not have: its variable stays in the text.
struct TemplateValues {
    const SmsMessage* message = nullptr;
    int32_t maxChars = 0;
    int64_t messageLength = -1;  // the message's length as MaxChars counts it; -1: its bytes
    const char* user = nullptr;
    const char* password = nullptr;
    const char* lastRedirect = nullptr;
    const char* charset = nullptr;    // the name of the message's encoding
    const char* messageId = nullptr;  // a status inquiry's message ([Status%d])
    const std::vector<std::string>* customVars = nullptr;
    const CookieJar* jar = nullptr;
};

// The variables a template can name, in the order each pass replaces them;
// each may carry a "[start;length]" selector. Names match with case.
// "$User" and "$Pass" go in as given, also into POST bodies (stored files
// rely on it); "$EncUser" and "$EncPass" are the same values form-encoded.
// "$Charset" names the encoding the message is in ("UTF-8", "CP1252").
// "$MessageId" is the id of the message a status inquiry asks about. Where
// a name begins another ("$Message", "$MessageId"), the longer one is meant.
constexpr const char* kVariableNames[] = {"$Prefix", "$Number", "$Message", "$Sender",  "$Count",   "$User",
                                          "$Pass",   "$LRurl",  "$EncUser", "$EncPass", "$Charset", "$MessageId"};
constexpr size_t kVariableCount = sizeof kVariableNames / sizeof kVariableNames[0];
// "$Cookie[name]": the value of a cookie of the jar.
constexpr char kCookieReference[] = "$Cookie[";
// "$CustomVar%d": a value cut out of an earlier page; it takes no selector.
constexpr char kCustomVarReference[] = "$CustomVar";

// Results of ExpandTemplate.
enum ExpandResult : int {
    kExpandOk = 0,
    kExpandNoCookie = -1,        // "$Cookie[name]" not in the jar
    kExpandUnclosedCookie = -2,  // "$Cookie[" without a "]" behind it
    kExpandRunaway = -3,         // values keep bringing new references
    kExpandNoMemory = -4,        // the caller's result when memory ran out
};
// Each result's name and the log line an expansion that ends with it writes
// ("%s" in the runaway's line is why it stopped): one table, in Template.cpp.
struct ExpandResultText {
    ExpandResult code;
    const char* name;
    const char* log;
};
const ExpandResultText& DescribeExpandResult(int code);

// Limits that make every expansion end: a value that refers to itself
// (a user name "$User") or multiplies references would go on for ever.
// The text may grow to kMaxExpandedSize (Extract.h) at most.
constexpr int kMaxPasses = 512;  // a 2047-character value needs at most ~410
constexpr size_t kMaxScannedBytes = 32u << 20;

// How the values a template names go into its text.
enum class Encoding {
    kPlain,     // addresses and headers: "$Message" form-encoded, every other value as it is
    kForm,      // form bodies: custom variables form-encoded too
    kJson,      // JSON bodies: every value JSON-escaped, "$Message" unencoded
    kVerbatim,  // bodies of any other type: every value as it is
};

// Expands `text` into `out`, the values put in as `encoding` says. In JSON
// and verbatim bodies the message goes in as text, so it is never read as a
// template: a message "$Pass" stays "$Pass". Failures are logged.
int ExpandTemplate(const char* text, const TemplateValues& values, Encoding encoding, std::string* out);
// encodeCustomVars: kForm (POST bodies), else kPlain.
inline int ExpandTemplate(const char* text, const TemplateValues& values, bool encodeCustomVars, std::string* out) {
    return ExpandTemplate(text, values, encodeCustomVars ? Encoding::kForm : Encoding::kPlain, out);
}

}  // namespace script
