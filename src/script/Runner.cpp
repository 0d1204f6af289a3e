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
#include "script/InquiryPages.h"
#include "script/MessageKeys.h"
#include "script/profile/NumberedKeys.h"
#include "script/profile/Profile.h"
#include "script/Progress.h"
#include "script/ReplyExcerpt.h"
#include "script/RequestAssembly.h"
#include "script/RunObserver.h"
#include "script/RunState.h"
#include "script/RunnerSteps.h"
#include "script/Search.h"
#include "script/Template.h"
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

void RealSleep(int32_t ms, void*) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
const Sleeper kRealSleeper{RealSleep, nullptr};
std::atomic<const Sleeper*> g_sleeper{&kRealSleeper};
std::atomic<RunObserver*> g_observer{nullptr};

enum class Next { kGoOn, kLeaveLoop, kEndRun, kStopped };

std::string SectionName(const Run& run, int j) { return profile::NumberedName(run.stem, j); }

struct SectionContext {
    const char* path;
    const char* section;
};

std::string ReadSectionKey(const void* context, const char* key) {
    const SectionContext* c = static_cast<const SectionContext*>(context);
    return profile::Read(c->path, c->section, key, kValueSize);
}

bool IsRedirect(const host::HttpReply* reply) {
    return reply->status == 301 || reply->status == 302 || reply->status == 303;
}

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

// The request of a "Request%d" section whose URL is `url`: the pause, the
// prefix mapping, headers and body. False, with the run's result set, when
// the run stops here.
bool BuildRequest(Run& run, const std::string& section, const std::string& url, Request* request) {
    if (!ExpandForRequest(run, url, false, &request->url)) return Stop(run, result::kExpandFailed);
    Pause(run, section);
    if (!MapPrefix(run, section)) return Stop(run, result::kExpandFailed);
    return AssembleRequest(run, section, request);
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

// The provider's own words on a failed reply of request j: logged, and
// kept for the result's line.
void TellReason(Run& run, int j, const host::HttpReply* page) {
    const size_t length = page->bodyLength > 0 ? static_cast<size_t>(page->bodyLength) : 0;
    const std::string excerpt = ReplyExcerpt(page->body, TextLength(page->body, length));
    if (excerpt.empty()) return;
    LogErrorLine(" - ERROR: The reply to Request #%d says: %s\n", j, excerpt.c_str());
    if (run.detail) {
        run.detail->request = j;
        run.detail->excerpt = excerpt;
    }
}

// The final page of request j: checked, then custom variables, keys and
// choices cut out of it; after the last request, the success text sought.
Next ReadPage(Run& run, int j, const std::string& section, const std::string& expandedUrl,
              const host::HttpReply* page) {
    const int checked = CheckPage(page, expandedUrl.c_str());
    if (checked == result::kHttpError) {
        if (run.detail) {
            run.detail->status = page->status;
            run.detail->statusText = page->statusText ? page->statusText : "";
        }
        TellReason(run, j, page);
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

    if (j == run.creditPage) ReadCreditPage(run, page->body, length);
    const bool last = j >= kLastNumber || Read(run, SectionName(run, j + 1).c_str(), "URL").empty();
    if (last && run.inquiry) {
        // An inquiry's own last page; a credit read on the send's pages has been read above.
        if (run.creditPage == 0) ReadInquiryPage(run, page->body, length);
    } else if (last) {
        const std::string success = Read(run, "Gateway", "Success");
        if (!success.empty() && FindExact(page->body, length, success) == kNotFound) {
            LogErrorLine(" - Sending the SMS failed - We didn't get the successmsg we expected :(\n");
            run.result = result::kNoSuccessText;
            TellReason(run, j, page);
        } else if (run.detail) {
            run.detail->messageId = ReadMessageId(run, page->body, length);
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
    const std::string section = SectionName(run, j);
    const std::string url = Read(run, section.c_str(), "URL");
    if (url.empty()) return Next::kLeaveLoop;
    if (j == run.stopBefore) {
        if (!run.inquiry) WriteLog(" * Request #%d sends the message: not sent, the run ends here\n", j);
        return Next::kStopped;
    }
    WriteLog(" * Processing %s #%d...\n", run.stem, j);
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
        if (run.inquiry) return result::kNotEdited;  // asked in passing: no box
        const std::string translated = host::TranslateString(
            "You have not edited the config file '%s' yet, please insert username and password and delete the line "
            "Editme=1.");
        usermsg::WarningBox(EditmeWarning(translated.c_str(), run.path).c_str());
        return result::kNotEdited;
    }

    if (run.inquiry) return result::kSent;  // no message, so no prefix to serve
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

// The message in the site's charset, when the file names one ([Gateway]
// "Charset"): the caller's text converted, unless it was given so already.
// kSent, or kBadCharset (logged) when the text cannot be put into it.
int InSiteCharset(Run& run, SmsMessage* message, std::string* text) {
    const SiteCharset site = ReadSiteCharset(run.path);
    if (site.written.empty()) return result::kSent;
    if (!site.charset) {
        LogUnknownCharset(site.written);
        return result::kBadCharset;
    }
    const std::optional<charset::Charset> given =
        message->charset ? charset::Charset::Find(message->charset) : charset::Charset::Default();
    run.charset = site.charset->name();
    if (given && given->name() == run.charset) return result::kSent;
    std::string utf8;
    if (!given || !given->ToUtf8(message->text, &utf8)) {
        LogErrorLine(" - ERROR: The message is not valid %s text and cannot be put into %s\n",
                     message->charset ? message->charset : "", run.charset.c_str());
        return result::kBadCharset;
    }
    if (!ToSiteCharset(*site.charset, utf8, text)) return result::kBadCharset;
    message->text = text->c_str();
    message->charset = run.charset.c_str();
    return result::kSent;
}

int RunChecked(const RunPlan& plan, const char* path, const char* user, const char* password, SmsMessage* message,
               ProgressTarget* progress, std::atomic<int>* abortFlag, RunDetail* detail) {
    // One parse of the file for the whole run instead of one per key.
    profile::Snapshot snapshot(path);
    // The run's own copy: the text may change into the site's charset.
    SmsMessage sent = *message;
    std::string siteText;
    Run run(path, user, password, &sent, detail, g_observer.load());
    run.inquiry = plan.inquiry;
    run.stem = plan.stem;
    run.stopBefore = plan.stopBefore;
    run.creditPage = CreditPageOf(run);
    if (run.observer) {
        run.observer->RunStarted(path, user, password, *message);
        if (run.inquiry) run.observer->InquiryStarted(run.inquiry->section, run.stem);
        // An inquiry's own request sections never send: only the send's are limited.
        const int stop = std::strcmp(run.stem, kRequestStem) == 0 ? run.observer->StopBefore(path) : 0;
        if (stop > 0 && (run.stopBefore == 0 || stop < run.stopBefore)) run.stopBefore = stop;
    }

    WriteLog(" * Processing file %s...\n", path);
    const int usable = CheckGateway(run);
    if (usable != result::kSent) return usable;
    const int fits = InSiteCharset(run, &sent, &siteText);
    if (fits != result::kSent) return fits;

    if (progress) {
        const int n = profile::ReadNumbered(
            {run.stem}, [&](const std::string& section) { return Read(run, section.c_str(), "URL"); },
            [](int, const std::string&, const std::string&) { return true; });
        progress->SetRange(0, kProgressStep * n);
    }
    run.maxChars = profile::ReadNumber(path, "Gateway", kMaxCharsKey, kValueSize);
    if (ReadCountUnit(path) == CountUnit::kCharacters) {
        const std::optional<charset::Charset> encoding = charset::Charset::Find(run.charset);
        run.messageLength = static_cast<int64_t>(
            CountedLength(CountUnit::kCharacters, encoding ? *encoding : charset::Charset::Default(), sent.text));
    }
    if (progress) progress->SetPosition(0);

    Next next = Next::kGoOn;
    const int j = profile::ForEachNumbered({run.stem}, [&](int n, const std::string&) {
        next = RunRequest(run, n, progress, abortFlag);
        return next == Next::kGoOn;
    });
    if (next != Next::kEndRun && next != Next::kStopped && j == 1 && run.result == result::kSent) {
        LogErrorLine(" - ERROR: No Request-Section '%s' for processing found.\n", SectionName(run, 1).c_str());
        run.result = result::kNoRequest;
    }
    return run.result;
}

}  // namespace

int RunPlanned(const RunPlan& plan, const char* path, const char* user, const char* password, SmsMessage* message,
               ProgressTarget* progress, std::atomic<int>* abortFlag, RunDetail* detail) {
    if (detail) *detail = RunDetail{};
    if (!message || !message->number || !message->prefix || !message->text) {
        LogErrorLine(" - ERROR: Required Parameters were not specified in SMS-structure");
        return result::kMissingParameters;
    }
    int result = result::kExpandFailed;
    try {
        result = RunChecked(plan, path ? path : "", user, password, message, progress, abortFlag, detail);
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

int RunGateway(const char* path, const char* user, const char* password, SmsMessage* message, ProgressTarget* progress,
               std::atomic<int>* abortFlag, RunDetail* detail) {
    return RunPlanned(RunPlan{}, path, user, password, message, progress, abortFlag, detail);
}

}  // namespace script
