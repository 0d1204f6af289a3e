#include "script/RequestAssembly.h"

#include <algorithm>
#include <new>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "script/RequestHeaders.h"
#include "script/RunnerSteps.h"
#include "shell/Charset.h"
#include "shell/HostLink.h"
#include "shell/Log.h"

namespace script {
namespace {

constexpr uint32_t kRequestFlags = host::kHttpRequestFlags;
constexpr const char* kPostDataLine = " - ERROR: Memory allocation error while Building PostData\n";

bool HasNonEmptyCookie(const CookieJar& jar) {
    for (const std::string& t : jar.texts) {
        if (!t.empty()) return true;
    }
    return false;
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

}  // namespace

const host::HttpRequest* Request::Record() {
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

bool AssembleRequest(Run& run, const std::string& section, Request* request) {
    return AddHeaders(run, section, request) && AddOwnHeaders(run, section, request) &&
           SetMethod(run, section, request);
}

}  // namespace script
