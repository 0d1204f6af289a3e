#include "script/Runner.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <new>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "script/Extract.h"
#include "script/profile/NumberedKeys.h"
#include "script/profile/Profile.h"
#include "script/Progress.h"
#include "script/RequestHeaders.h"
#include "script/RunObserver.h"
#include "script/RunnerSteps.h"
#include "script/Search.h"
#include "script/Template.h"
#include "send/Charset.h"
#include "shell/HostLink.h"
#include "shell/Log.h"
#include "shell/Settings.h"
#include "shell/Text.h"
#include "shell/UserMessage.h"
#include "transport/Http.h"
#include "transport/RequestPlan.h"
#include "transport/Url.h"

namespace script {
namespace {

constexpr uint32_t kRequestFlags = host::kHttpRequestFlags;

void RealSleep(int32_t ms, void*) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
const Sleeper kRealSleeper{RealSleep, nullptr};
std::atomic<const Sleeper*> g_sleeper{&kRealSleeper};
std::atomic<RunObserver*> g_observer{nullptr};

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
    Run(const char* file, const char* account, const char* secret, SmsMessage* sms, RunDetail* into)
        : path(file),
          user(account),
          password(secret),
          message(sms),
          prefix(sms),
          charset(sms->charset ? sms->charset : charset::Charset::Default().name()),
          detail(into) {}
    const char* path;
    const char* user;
    const char* password;
    SmsMessage* message;
    PrefixSwap prefix;
    std::string charset;  // the message's encoding, for "$Charset"
    int32_t maxChars = 0;
    CookieJar jar;
    RunLists lists;
    std::string lastRedirect;
    bool redirected = false;
    int result = result::kSent;
    RunDetail* detail;
    RunObserver* observer = g_observer.load();
    int stopBefore = 0;  // the observer's limit: no request from this section on
};

enum class Next { kGoOn, kLeaveLoop, kEndRun, kStopped };

constexpr const char* kExpandFailedLine = " - ERROR: Memory allocation error while parsing URL\n";
constexpr const char* kPostDataLine = " - ERROR: Memory allocation error while Building PostData\n";

std::string Read(const Run& run, const char* section, const char* key, size_t size = kValueSize) {
    return profile::Read(run.path, section, key, size);
}

std::string SectionName(int j) { return profile::NumberedName("Request", j); }

struct SectionContext {
    const char* path;
    const char* section;
};

std::string ReadSectionKey(const void* context, const char* key) {
    const SectionContext* c = static_cast<const SectionContext*>(context);
    return profile::Read(c->path, c->section, key, kValueSize);
}

TemplateValues ValuesOf(const Run& run) {
    TemplateValues values;
    values.message = run.message;
    values.maxChars = run.maxChars;
    values.user = run.user;
    values.password = run.password;
    values.lastRedirect = run.redirected ? run.lastRedirect.c_str() : nullptr;
    values.charset = run.charset.c_str();
    values.customVars = &run.lists.customVars;
    values.jar = &run.jar;
    return values;
}

// Expands a template; a failed expansion is logged (the run fails with -3).
bool Expand(const std::string& text, const TemplateValues& values, Encoding encoding, std::string* out) {
    int expanded = kExpandOk;
    try {
        expanded = ExpandTemplate(text.c_str(), values, encoding, out);
    } catch (const std::bad_alloc&) {
        expanded = kExpandNoMemory;
    }
    if (expanded != kExpandOk) LogErrorLine(kExpandFailedLine);
    return expanded == kExpandOk;
}

// Expands a template bound for a request line or header: a failed
// expansion and a value with a line break both fail the run with -3.
bool ExpandForRequest(Run& run, const std::string& text, bool encodeCustomVars, std::string* out) {
    if (!Expand(text, ValuesOf(run), encodeCustomVars ? Encoding::kForm : Encoding::kPlain, out)) return false;
    if (!encodeCustomVars && HasLineBreak(*out)) {
        LogErrorLine(" - ERROR: An expanded value holds a line break and cannot be sent: %s\n", text.c_str());
        return false;
    }
    return true;
}

using transport::Header;

// The request record with its texts; the record points into them. The
// headers the file wrote itself ("Header%d", "Auth", "ContentType") come
// last, and the carrier is told how many they are.
struct Request {
    std::string url;
    std::vector<Header> headers;
    std::vector<Header> own;
    std::string body;
    bool post = false;
    std::vector<host::HttpHeader> raw;
    host::HttpRequest record{};

    int OwnCount() const { return static_cast<int>(own.size()); }
    const host::HttpRequest* Record() {
        raw.clear();
        for (Header& h : headers) raw.push_back(host::HttpHeader{&h.name[0], &h.value[0]});
        for (Header& h : own) raw.push_back(host::HttpHeader{&h.name[0], &h.value[0]});
        record = host::HttpRequest{};
        record.size = host::kHttpRecordSize;
        record.requestType = post ? host::kHttpPost : host::kHttpGet;
        record.flags = kRequestFlags;
        record.url = &url[0];
        record.headers = raw.empty() ? nullptr : raw.data();
        record.headerCount = static_cast<int>(raw.size());
        record.body = post ? &body[0] : nullptr;
        record.bodyLength = post ? static_cast<int>(body.size()) : 0;
        return &record;
    }
};

bool HasNonEmptyCookie(const CookieJar& jar) {
    for (const std::string& t : jar.texts) {
        if (!t.empty()) return true;
    }
    return false;
}

bool NameStarts(const char* name, const char* prefix) {
    if (!name) return false;
    for (; *prefix; ++prefix, ++name) {
        if (text::FoldAscii(*name) != text::FoldAscii(*prefix)) return false;
    }
    return true;
}

bool IsRedirect(const host::HttpReply* reply) {
    return reply->status == 301 || reply->status == 302 || reply->status == 303;
}

bool StartsNoCase(const std::string& s, const char* prefix) { return NameStarts(s.c_str(), prefix); }

class ReplyHolder {
public:
    ~ReplyHolder() { Reset(nullptr); }
    void Reset(host::HttpReply* reply) {
        if (reply_) transport::FreeHttpReply(reply_);
        reply_ = reply;
    }
    host::HttpReply* get() const { return reply_; }

private:
    host::HttpReply* reply_ = nullptr;
};

// MapPrefix: the first "Prefix" n that begins with the current prefix puts
// its expanded "MapPrefix" n in the prefix's place.
bool MapPrefix(Run& run, const std::string& section) {
    bool expanded = true;
    profile::ReadNumbered(
        {"MapPrefix"}, [&](const std::string& key) { return Read(run, section.c_str(), key.c_str()); },
        [&](int n, const std::string&, const std::string& map) {
            const std::string prefixKey = profile::NumberedName("Prefix", n);
            const std::string prefix = Read(run, "Gateway", prefixKey.c_str(), kPrefixValueSize);
            if (prefix.empty()) return false;
            const char* current = run.message->prefix;
            if (prefix.compare(0, std::strlen(current), current) != 0) return true;
            WriteLog("Prefix%d == MapPrefix%d (%s == %s)\n", n, n, prefix.c_str(), map.c_str());
            std::string value;
            expanded = ExpandForRequest(run, map, false, &value);
            if (expanded) run.prefix.Map(std::move(value));
            return false;
        });
    return expanded;
}

// Replies looked at for one request: the first and the redirects after it.
constexpr int kMaxRedirects = 5;

// Ends the run here with `code`; false, for the callers' returns.
bool Stop(Run& run, int code) {
    run.result = code;
    return false;
}

// A request to `url` got no reply: logs it, and keeps the server it went to
// for the result's reason. Gives result::kNoReply.
int NoReply(Run& run, const std::string& url) {
    LogErrorLine(" - ERROR: The last HTTP-Request returned an error. Exiting.\n(HINT: Check your proxy settings)\n");
    if (run.detail) {
        const transport::UrlParts parts = transport::SplitUrl(url.c_str());
        run.detail->server = parts.host + ":" + std::to_string(parts.port);
    }
    return result::kNoReply;
}

// The pause a "Delay" asks for, before the request goes out.
void Pause(const Run& run, const std::string& section) {
    const std::string delay = Read(run, section.c_str(), "Delay");
    if (delay.empty()) return;
    WriteLog(" - ZzzZZzzz... Sleeping %sms...\n", delay.c_str());
    int32_t ms = text::ParseDecimal(delay.c_str());
    if (ms > kMaxDelayMs) {
        // Cancel is only looked at between requests: a pause of days would hold the send for days.
        WriteLog(" - WARNING: Delay capped at %ldms\n", static_cast<long>(kMaxDelayMs));
        ms = kMaxDelayMs;
    }
    const Sleeper* sleeper = g_sleeper.load();
    if (ms > 0) sleeper->sleep(ms, sleeper->context);
}

// The request's headers in the order they are sent, logged.
bool AddHeaders(Run& run, const std::string& section, Request* request) {
    const std::string referer = Read(run, section.c_str(), "Referer");
    if (!referer.empty()) {
        std::string expanded;
        if (!ExpandForRequest(run, referer, false, &expanded)) return Stop(run, result::kExpandFailed);
        request->headers.push_back({"Referer", expanded});
    }
    const std::string host = Read(run, section.c_str(), "Host");
    if (!host.empty()) request->headers.push_back({"Host", host});
    const std::string agent = Read(run, section.c_str(), "UserAgent");
    request->headers.push_back({"User-Agent", agent.empty() ? "Mozilla/4.0" : agent});
    if (HasNonEmptyCookie(run.jar)) request->headers.push_back({"Cookie", JoinCookies(run.jar)});
    request->headers.push_back(
        {"Accept",
         "text/xml,application/xml,application/xhtml+xml,text/html;q=0.9,text/plain;q=0.8,image/png,*/*;q=0.5"});
    request->headers.push_back({"Accept-Language", "en-us,en;q=0.5"});
    request->headers.push_back({"Accept-Charset", "ISO-8859-1,utf-8;q=0.7,*;q=0.7"});
    request->headers.push_back({"Keep-Alive", "300"});
    WriteLog(" - Current headers: \n");
    for (const Header& h : request->headers) WriteLog(" > %s: %s\n", h.name.c_str(), h.value.c_str());
    return true;
}

bool SameNoCase(const std::string& a, const char* b) { return StartsNoCase(a, b) && a.size() == std::strlen(b); }

// A header value as it goes out: blanks at its end mean nothing to HTTP
// and the carriers would not send them alike.
std::string Trailed(std::string value) {
    value.erase(value.find_last_not_of(" \t") + 1);
    return value;
}

// "Auth": the Authorization the account makes.
bool AddAuthorization(Run& run, const std::string& section, std::vector<Header>* own) {
    const std::string auth = Read(run, section.c_str(), kAuthKey);
    if (auth.empty()) return true;
    const AuthScheme* scheme = FindAuthScheme(auth);
    if (!scheme) {
        LogErrorLine(" - ERROR: Auth '%s' is neither basic nor bearer\n", auth.c_str());
        return Stop(run, result::kBadHeader);
    }
    const std::string value = Trailed(AuthorizationValue(*scheme, run.user, run.password));
    if (HasLineBreak(value)) {
        LogErrorLine(" - ERROR: The password holds a line break and cannot go into an Authorization header\n");
        return Stop(run, result::kHeaderLineBreak);
    }
    own->push_back({kAuthorizationName, value});
    return true;
}

// "Header%d": each line checked as written, its value expanded and
// checked again, so no variable or scraped value can add a header.
bool AddHeaderLines(Run& run, const std::string& section, std::vector<Header>* lines) {
    bool ok = true;
    profile::ReadNumbered(
        {kHeaderStem}, [&](const std::string& key) { return Read(run, section.c_str(), key.c_str()); },
        [&](int, const std::string& key, const std::string& line) {
            Header header;
            const HeaderFault fault = SplitHeaderLine(line, &header.name, &header.value);
            if (fault != HeaderFault::kNone) {
                LogErrorLine(" - ERROR: %s cannot be sent: it %s\n", key.c_str(), DescribeHeaderFault(fault));
                ok = Stop(run, result::kBadHeader);
                return false;
            }
            std::string value;
            // A header is no URL: its values go in as they are, the message too.
            if (!Expand(header.value, ValuesOf(run), Encoding::kVerbatim, &value)) {
                ok = Stop(run, result::kExpandFailed);
                return false;
            }
            if (HasLineBreak(value)) {
                LogErrorLine(" - ERROR: %s holds a line break once filled in and cannot be sent: %s\n", key.c_str(),
                             line.c_str());
                ok = Stop(run, result::kHeaderLineBreak);
                return false;
            }
            header.value = Trailed(std::move(value));
            lines->push_back(std::move(header));
            return true;
        });
    return ok;
}

// The headers the file writes itself, after the format's, logged with them
// (an Authorization's credentials hidden). Nothing at all for a file
// without them. False, with the run's result set, when one cannot be sent.
bool AddOwnHeaders(Run& run, const std::string& section, Request* request) {
    std::vector<Header> own;
    const std::string contentType = Read(run, section.c_str(), kContentTypeKey);
    if (!contentType.empty() && SameNoCase(Read(run, section.c_str(), "Type"), "POST")) {
        if (std::any_of(contentType.begin(), contentType.end(), [](char c) { return c >= 0 && c < ' '; })) {
            LogErrorLine(" - ERROR: ContentType '%s' holds a control character\n", contentType.c_str());
            return Stop(run, result::kBadHeader);
        }
        own.push_back({"Content-Type", contentType});
    }
    std::vector<Header> lines;
    if (!AddAuthorization(run, section, &lines) || !AddHeaderLines(run, section, &lines)) return false;
    for (Header& line : transport::JoinRepeatedNames(lines)) {
        if (line.value.empty()) continue;  // an empty value: no header
        own.push_back(std::move(line));
    }
    for (const Header& h : own) WriteLog(" > %s: %s\n", h.name.c_str(), ShownHeaderValue(h.name, h.value).c_str());
    request->own = std::move(own);
    return true;
}

// The texts a JSON body takes, in UTF-8: the message as the caller gave it
// or from the system's code page, the account and the sender from it too.
// False, logged, when one is no text there.
struct Utf8Texts {
    std::string text, sender, user, password, body;
    SmsMessage message{};
};

bool ToUtf8(const char* what, const char* value, const charset::Charset& encoding, std::string* out) {
    if (!value) return true;
    if (encoding.ToUtf8(value, out)) return true;
    LogErrorLine(" - ERROR: %s is not valid %s text and cannot go into a JSON body\n", what, encoding.name().c_str());
    return false;
}

bool MakeUtf8Texts(const Run& run, const std::string& postString, Utf8Texts* t) {
    const SmsMessage& m = *run.message;
    const charset::Charset ansi = charset::Charset::Default();
    const std::optional<charset::Charset> named = m.charset ? charset::Charset::Find(m.charset) : std::nullopt;
    if (m.charset && !named) {
        LogErrorLine(" - ERROR: The message's encoding %s is unknown\n", m.charset);
        return false;
    }
    if (!ToUtf8("The message", m.text, named ? *named : ansi, &t->text) ||
        !ToUtf8("The sender", m.sender, ansi, &t->sender) || !ToUtf8("The user name", run.user, ansi, &t->user) ||
        !ToUtf8("The password", run.password, ansi, &t->password) ||
        !ToUtf8("The PostString", postString.c_str(), ansi, &t->body)) {
        return false;
    }
    t->message = SmsMessage{m.prefix, m.number, t->text.c_str(), m.sender ? t->sender.c_str() : nullptr, "UTF-8"};
    return true;
}

// A body of the request's ContentType other than the form: JSON gets every
// value escaped and UTF-8 throughout, any other type the values as they are.
// The KeyList pairs belong to forms and are not appended. kSent, or the
// run's result.
int ExpandTypedBody(Run& run, BodyKind kind, const std::string& postString, std::string* body) {
    if (kind == BodyKind::kVerbatim) {
        return Expand(postString, ValuesOf(run), Encoding::kVerbatim, body) ? result::kSent : result::kExpandFailed;
    }
    Utf8Texts texts;
    if (!MakeUtf8Texts(run, postString, &texts)) return result::kBadText;
    TemplateValues values = ValuesOf(run);
    values.message = &texts.message;
    values.user = run.user ? texts.user.c_str() : nullptr;
    values.password = run.password ? texts.password.c_str() : nullptr;
    values.charset = "UTF-8";
    if (!Expand(texts.body, values, Encoding::kJson, body)) return result::kExpandFailed;
    if (charset::utf8::Valid(*body, nullptr)) return result::kSent;
    LogErrorLine(" - ERROR: The JSON body is not valid UTF-8: a value put into it is not text\n");
    return result::kBadText;
}

// GET, or POST with its body and the KeyList pairs the body lacks.
bool SetMethod(Run& run, const std::string& section, Request* request) {
    const std::string type = Read(run, section.c_str(), "Type");
    if (type.empty()) {
        LogErrorLine(" - ERROR: No 'Type' for Request found.\n");
        return Stop(run, result::kNoType);
    }
    if (StartsNoCase(type, "GET") && type.size() == 3) {
        WriteLog(" - Getting Data from %s...\n", request->url.c_str());
        return true;
    }
    if (!StartsNoCase(type, "POST") || type.size() != 4) {
        LogErrorLine(" - ERROR: Type '%s' is neither POST, nor GET.\n", type.c_str());
        return Stop(run, result::kBadType);
    }
    WriteLog(" - Posting Data to %s...\n", request->url.c_str());
    const std::string postString = Read(run, section.c_str(), "PostString");
    if (postString.empty()) {
        LogErrorLine(" - ERROR: No Poststring specified\n");
        return Stop(run, result::kNoPostString);
    }
    const BodyKind kind = BodyKindOf(Read(run, section.c_str(), kContentTypeKey));
    if (kind != BodyKind::kForm) {
        const int built = ExpandTypedBody(run, kind, postString, &request->body);
        if (built != result::kSent) return Stop(run, built);
        WriteLog(" - Postdata: %s\n", request->body.c_str());
        request->post = true;
        return true;
    }
    if (!ExpandForRequest(run, postString, true, &request->body)) return Stop(run, result::kExpandFailed);
    request->headers.push_back({"Content-Type", "application/x-www-form-urlencoded"});
    bool appended = false;
    try {
        appended = AppendKeys(&request->body, run.lists.keys, kMaxExpandedSize);
    } catch (const std::bad_alloc&) {
    }
    if (!appended) {
        LogErrorLine(kPostDataLine);
        return Stop(run, result::kPostDataMemory);
    }
    WriteLog(" - Postdata: %s\n", request->body.c_str());
    request->post = true;
    return true;
}

// The request of a "Request%d" section whose URL is `url`: the pause, the
// prefix mapping, headers and body. False, with the run's result set, when
// the run stops here.
bool BuildRequest(Run& run, const std::string& section, const std::string& url, Request* request) {
    if (!ExpandForRequest(run, url, false, &request->url)) return Stop(run, result::kExpandFailed);
    Pause(run, section);
    if (!MapPrefix(run, section)) return Stop(run, result::kExpandFailed);
    return AddHeaders(run, section, request) && AddOwnHeaders(run, section, request) &&
           SetMethod(run, section, request);
}

// The cookies a redirect set go with the request that follows it.
void CarryCookies(const Run& run, Request* request) {
    Header* cookie = nullptr;
    for (Header& h : request->headers) {
        if (h.name == "Cookie") cookie = &h;
    }
    if (!cookie) {
        request->headers.push_back({"Cookie", ""});
        cookie = &request->headers.back();
    }
    cookie->value = JoinCookies(run.jar);
}

// Whether two addresses name the same scheme, host and port.
bool SameServer(const std::string& a, const std::string& b) {
    const transport::UrlParts x = transport::SplitUrl(a.c_str());
    const transport::UrlParts y = transport::SplitUrl(b.c_str());
    return x.secure == y.secure && x.port == y.port && SameNoCase(x.host, y.host.c_str());
}

// Sends the request on to `location` as a GET. False, with the run's result
// set, when the address cannot be made or nothing answers.
bool Redirect(Run& run, const char* location, std::string* address, Request* request, ReplyHolder* reply) {
    std::string next;
    if (ResolveLocation(*address, location, &next) != 0) {
        LogErrorLine(" - ERROR: Cannot determine host on redirect\n");
        return Stop(run, result::kRedirectFailed);
    }
    if (HasLineBreak(next)) {
        LogErrorLine(" - ERROR: The redirect address holds a line break and cannot be sent\n");
        return Stop(run, result::kRedirectFailed);
    }
    request->post = false;
    request->body.clear();
    if (!request->own.empty() && !SameServer(*address, next)) {
        // They may carry the account's credentials: another server gets none.
        WriteLog(" - The request's own headers stay behind: the redirect leads to another server\n");
        request->own.clear();
    }
    request->url = next;
    *address = next;
    WriteLog(" - 302- Redirecting to: %s\n", next.c_str());
    reply->Reset(nullptr);
    reply->Reset(transport::HttpTransaction(request->Record(), request->OwnCount()));
    if (!reply->get()) {
        return Stop(run, NoReply(run, next));
    }
    run.lastRedirect = next;
    run.redirected = true;
    return true;
}

// What a redirect reply says: its first "Location" (null when it has none)
// and whether it sets a cookie.
struct RedirectHeaders {
    const char* location = nullptr;
    bool setsCookie = false;
};

RedirectHeaders ReadRedirectHeaders(const host::HttpReply* reply) {
    RedirectHeaders found;
    for (int i = 0; i < reply->headerCount && reply->headers; ++i) {
        const host::HttpHeader& h = reply->headers[i];
        if (NameStarts(h.name, "Set-Cookie")) found.setsCookie = true;
        if (!found.location && NameStarts(h.name, "Location")) found.location = h.value ? h.value : "";
    }
    return found;
}

// Follows the reply's redirects, taking cookies along; true with the final
// page in `reply`, false (result set) when the run stops.
bool FollowRedirects(Run& run, Request* request, ReplyHolder* reply) {
    std::string address = request->url;
    bool followed = false;
    for (int r = 0;;) {
        WriteLog(" - Data received\n");
        CollectCookies(&run.jar, reply->get());
        if (IsRedirect(reply->get())) {
            const RedirectHeaders said = ReadRedirectHeaders(reply->get());
            if (said.setsCookie && !run.jar.texts.empty()) CarryCookies(run, request);
            if (said.location) {
                if (!Redirect(run, said.location, &address, request, reply)) return false;
                followed = true;
            }
        }
        ++r;
        if (!IsRedirect(reply->get())) {
            // The page a redirect led to may set cookies too (a session
            // cookie on the landing page); they would be lost otherwise.
            if (followed) {
                WriteLog(" - Data received\n");
                CollectCookies(&run.jar, reply->get());
            }
            return true;
        }
        if (r == kMaxRedirects) {
            LogErrorLine(" - ERROR: Got stuck in an infinite redirection loop (headerscount = %d)\n",
                         reply->get()->headerCount);
            return Stop(run, result::kRedirectFailed);
        }
    }
}

// The final page of request j: checked, then custom variables, keys and
// choices cut out of it; after the last request, the success text sought.
Next ReadPage(Run& run, int j, const std::string& section, const std::string& expandedUrl,
              const host::HttpReply* page) {
    const int checked = CheckPage(page, expandedUrl.c_str());
    if (checked == result::kHttpError && run.detail) {
        run.detail->status = page->status;
        run.detail->statusText = page->statusText ? page->statusText : "";
    }
    if (checked != 0) {
        run.result = checked;
        return Next::kLeaveLoop;
    }

    const size_t length = TextLength(page->body, static_cast<size_t>(page->bodyLength));
    const SectionContext context{run.path, section.c_str()};
    const SectionKeys keys{ReadSectionKey, &context};
    std::vector<Lookup> lookups;
    std::vector<Lookup>* seen = run.observer ? &lookups : nullptr;
    ExtractCustomVars(keys, page->body, length, &run.lists, seen);
    ExtractKeys(keys, page->body, length, &run.lists, seen);
    for (const Lookup& lookup : lookups) run.observer->Looked(j, lookup);
    if (!Read(run, section.c_str(), "UseSelectData").empty()) ExtractSelectLists(page->body, length, &run.lists);

    const bool last = j >= kLastNumber || Read(run, SectionName(j + 1).c_str(), "URL").empty();
    if (last) {
        const std::string success = Read(run, "Gateway", "Success");
        if (!success.empty() && FindExact(page->body, length, success) == kNotFound) {
            LogErrorLine(" - Sending the SMS failed - We didn't get the successmsg we expected :(\n");
            run.result = result::kNoSuccessText;
        }
    }
    if (settings::Verbose()) WriteLog("Result: %.*s\n", static_cast<int>(length), page->body);
    return Next::kGoOn;
}

// One "Request%d" section: the request built, sent, its redirects followed
// and its page read.
Next RunRequest(Run& run, int j, ProgressTarget* progress, std::atomic<int>* abortFlag) {
    if (progress) progress->Step();
    if (abortFlag && abortFlag->load() != 0) {
        LogErrorLine(" - ERROR: Sending was aborted on request\n");
        run.result = result::kAborted;
        return Next::kLeaveLoop;
    }
    const std::string section = SectionName(j);
    const std::string url = Read(run, section.c_str(), "URL");
    if (url.empty()) return Next::kLeaveLoop;
    if (j == run.stopBefore) {
        WriteLog(" * Request #%d sends the message: not sent, the run ends here\n", j);
        return Next::kStopped;
    }
    WriteLog(" * Processing Request #%d...\n", j);
    if (run.observer) run.observer->RequestStarted(j);
    if (!StartsNoCase(url, "http://") && !StartsNoCase(url, "https://") && url[0] != '$') {
        LogErrorLine(" - ERROR: Not a valid URL: %s\n", url.c_str());
        run.result = result::kBadUrl;
        return Next::kLeaveLoop;
    }
    Request request;
    if (!BuildRequest(run, section, url, &request)) return Next::kLeaveLoop;

    ReplyHolder reply;
    reply.Reset(transport::HttpTransaction(request.Record(), request.OwnCount()));
    if (!reply.get()) {
        run.result = NoReply(run, request.url);
        return Next::kEndRun;
    }
    const std::string expandedUrl = request.url;
    if (!FollowRedirects(run, &request, &reply)) return Next::kLeaveLoop;
    return ReadPage(run, j, section, expandedUrl, reply.get());
}

// The [Gateway] section before any request: a Name, no Editme, and the
// message's prefix among the "Prefix%d" entries. kSent, or why not.
int CheckGateway(const Run& run) {
    const std::string name = Read(run, "Gateway", "Name");
    if (name.empty()) {
        LogErrorLine(" - ERROR: No Gateway name specified\n");
        return result::kNoName;
    }
    WriteLog("Processing Gateway %s\n", name.c_str());

    if (!Read(run, "Gateway", "Editme").empty()) {
        LogErrorLine("> User was too dumb to edit config file.\n");
        const std::string translated = host::TranslateString(
            "You have not edited the config file '%s' yet, please insert username and password and delete the line "
            "Editme=1.");
        usermsg::WarningBox(EditmeWarning(translated.c_str(), run.path).c_str());
        return result::kNotEdited;
    }

    bool supported = false;
    profile::ReadNumbered(
        {"Prefix"}, [&](const std::string& key) { return Read(run, "Gateway", key.c_str(), kPrefixValueSize); },
        [&](int, const std::string&, const std::string& entry) {
            supported = entry.substr(0, entry.find(';')) == run.message->prefix;
            return !supported;
        });
    if (!supported) {
        LogErrorLine(" - ERROR: Specified gateway has no support for prefix '%s'\n", run.message->prefix);
        return result::kPrefixUnsupported;
    }
    return result::kSent;
}

}  // namespace

void SetSleeper(const Sleeper* sleeper) { g_sleeper.store(sleeper ? sleeper : &kRealSleeper); }

void SetRunObserver(RunObserver* observer) { g_observer.store(observer); }

int CheckPage(const host::HttpReply* reply, const char* address) {
    if (!reply) {
        LogErrorLine(" - ERROR: Unable to get page %s..\n", address ? address : "");
        return result::kNoPage;
    }
    if (reply->status < 200 || reply->status >= 300) {
        LogErrorLine(" - ERROR: Server answered with error #%d: %s\n", reply->status,
                     reply->statusText ? reply->statusText : "");
        return result::kHttpError;
    }
    if (reply->bodyLength <= 0 || !reply->body) {
        LogErrorLine(" - ERROR: Zero sized reply. You may try again\n");
        return result::kEmptyReply;
    }
    return 0;
}

namespace {

int RunChecked(const char* path, const char* user, const char* password, SmsMessage* message, ProgressTarget* progress,
               std::atomic<int>* abortFlag, RunDetail* detail) {
    // One parse of the file for the whole run instead of one per key.
    profile::Snapshot snapshot(path);
    Run run(path, user, password, message, detail);
    if (run.observer) {
        run.observer->RunStarted(path, user, password, *message);
        run.stopBefore = run.observer->StopBefore(path);
    }

    WriteLog(" * Processing file %s...\n", path);
    const int usable = CheckGateway(run);
    if (usable != result::kSent) return usable;

    if (progress) {
        const int n = profile::ReadNumbered(
            {"Request"}, [&](const std::string& section) { return Read(run, section.c_str(), "URL"); },
            [](int, const std::string&, const std::string&) { return true; });
        progress->SetRange(0, kProgressStep * n);
    }
    run.maxChars = profile::ReadNumber(path, "Gateway", "MaxChars", kValueSize);
    if (progress) progress->SetPosition(0);

    Next next = Next::kGoOn;
    const int j = profile::ForEachNumbered({"Request"}, [&](int n, const std::string&) {
        next = RunRequest(run, n, progress, abortFlag);
        return next == Next::kGoOn;
    });
    if (next != Next::kEndRun && next != Next::kStopped && j == 1 && run.result == result::kSent) {
        LogErrorLine(" - ERROR: No Request-Section '%s' for processing found.\n", "Request1");
        run.result = result::kNoRequest;
    }
    return run.result;
}

}  // namespace

int RunGateway(const char* path, const char* user, const char* password, SmsMessage* message, ProgressTarget* progress,
               std::atomic<int>* abortFlag, RunDetail* detail) {
    if (detail) *detail = RunDetail{};
    if (!message || !message->number || !message->prefix || !message->text) {
        LogErrorLine(" - ERROR: Required Parameters were not specified in SMS-structure");
        return result::kMissingParameters;
    }
    int result = result::kExpandFailed;
    try {
        result = RunChecked(path ? path : "", user, password, message, progress, abortFlag, detail);
    } catch (const std::bad_alloc&) {
        // A reply page or scraped values too big for the address space: this
        // gateway fails, the host and the next gateway carry on. The run's
        // state, the caller's prefix back in place, is gone already.
        try {
            LogErrorLine(kExpandFailedLine);
        } catch (...) {
        }
    }
    if (RunObserver* observer = g_observer.load()) observer->RunEnded(result);
    return result;
}

}  // namespace script
