// libcurl in WinInet's place: loaded at run time like WinInet, and held to
// the same contract (no redirects followed, no cookie engine, no cache, any
// certificate accepted, only the headers the WinInet path sends).
#include <curl/curl.h>
#include <dlfcn.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "shell/Log.h"
#include "transport/Carrier.h"
#include "transport/Failure.h"
#include "transport/Http.h"
#include "transport/Reply.h"
#include "transport/RequestPlan.h"
#include "transport/Url.h"

namespace transport {

const char* const kDefaultLibrary = "libcurl.so.4";

struct Library {
    CURLcode (*globalInit)(long flags);
    CURL* (*easyInit)();
    CURLcode (*easySetopt)(CURL* handle, CURLoption option, ...);
    CURLcode (*easyPerform)(CURL* handle);
    CURLcode (*easyGetinfo)(CURL* handle, CURLINFO info, ...);
    void (*easyCleanup)(CURL* handle);
    curl_slist* (*slistAppend)(curl_slist* list, const char* text);
    void (*slistFreeAll)(curl_slist* list);
};

namespace {

using Clock = std::chrono::steady_clock;

template <typename T>
bool Find(void* module, const char* name, T* slot, std::string* missing) {
    *slot = reinterpret_cast<T>(dlsym(module, name));
    if (*slot) return true;
    if (missing->empty()) *missing = name;
    return false;
}

struct Exchanged {
    HeaderList headers;
    std::string statusLine;
    size_t headerBytes = 0;     // the raw header block so far, status line included
    bool headersEnded = false;  // the blank line after the headers came
    bool headersTooLarge = false;
    std::string body;
    bool bodyFull = false;
    bool noMemory = false;
    // Silence: the last time a byte went out or came in.
    Clock::time_point lastActivity = Clock::now();
    curl_off_t lastSent = 0;
    long silenceMs = 0;
    bool silent = false;
};

int OnProgress(void* context, curl_off_t, curl_off_t, curl_off_t, curl_off_t sent) {
    auto* x = static_cast<Exchanged*>(context);
    const Clock::time_point now = Clock::now();
    if (sent != x->lastSent) {
        x->lastSent = sent;
        x->lastActivity = now;
    }
    if (now - x->lastActivity > std::chrono::milliseconds(x->silenceMs)) {
        x->silent = true;
        return 1;  // ends the transfer
    }
    return 0;
}

size_t OnHeader(char* data, size_t size, size_t count, void* context) {
    auto* x = static_cast<Exchanged*>(context);
    size_t length = size * count;
    x->lastActivity = Clock::now();
    const bool statusLine = length >= 5 && std::memcmp(data, "HTTP/", 5) == 0;
    if (statusLine) {
        // A new status line (after an interim 1xx reply) starts the headers afresh.
        x->headers.Clear();
        x->headerBytes = 0;
        x->headersEnded = false;
        try {
            x->statusLine.assign(data, length);
        } catch (const std::bad_alloc&) {  // never through libcurl's frames
            x->noMemory = true;
            return 0;
        }
    }
    x->headerBytes += length;
    // A header block beyond the cap is no reply, as when WinInet's watchdog
    // closes an exchange whose headers do not end.
    if (x->headerBytes > static_cast<size_t>(kMaxHeaderBytes)) {
        x->headersTooLarge = true;
        return 0;  // ends the transfer
    }
    if (length <= 2 && (data[0] == '\r' || data[0] == '\n')) {
        x->headersEnded = true;
        return length;
    }
    if (statusLine) return length;  // the status line is no header
    if (AddHeaderLine(x->headers, data, length) != 0) {
        x->noMemory = true;
        return 0;
    }
    return length;
}

size_t OnBody(char* data, size_t size, size_t count, void* context) {
    auto* x = static_cast<Exchanged*>(context);
    size_t length = size * count;
    x->lastActivity = Clock::now();
    int result = AppendBody(x->body, data, length);
    if (result == kAppendFull) {
        WriteLog("ERROR: Reply body larger than %d bytes, the rest is not read\n", kMaxBodyBytes);
        x->bodyFull = true;
        return 0;
    }
    if (result == kAppendNoMemory) {
        WriteLog("ERROR: Out of memory while allocating space for Data\n");
        x->noMemory = true;
        return 0;
    }
    return length;
}

// "HTTP/1.1 302 Found\r\n" gives "Found".
std::string StatusText(const std::string& line) {
    size_t at = line.find(' ');
    if (at == std::string::npos) return {};
    at = line.find_first_not_of(' ', at);
    if (at == std::string::npos) return {};
    at = line.find(' ', at);
    if (at == std::string::npos) return {};
    std::string text = line.substr(at + 1);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.pop_back();
    return text;
}

const char* Environment(const char* lower, const char* upper) {
    const char* value = std::getenv(lower);
    if (!value || !*value) value = std::getenv(upper);
    return value && *value ? value : nullptr;
}

// The proxy that "the system's settings" name, read as Wine's WinInet reads
// the environment: "http_proxy" for both schemes ("https_proxy" and
// "all_proxy" are not read), unless "no_proxy" lists the host. "" for none.
std::string EnvironmentProxy(const std::string& host) {
    const char* proxy = Environment("http_proxy", "HTTP_PROXY");
    if (!proxy) return "";
    const char* bypass = Environment("no_proxy", "NO_PROXY");
    return bypass && BypassesProxy(host, bypass) ? "" : proxy;
}

// A plain request through a proxy names the whole address, as WinInet's does.
std::string Origin(const UrlParts& where) {
    std::string origin = (where.secure ? "https://" : "http://") + where.host;
    if (where.port != (where.secure ? kHttpsPort : kHttpPort)) origin += ":" + std::to_string(where.port);
    return origin;
}

// libcurl's reason, as the WinInet error number that names it.
unsigned long ErrorNumber(CURLcode code, long osError) {
    switch (code) {
    case CURLE_OPERATION_TIMEDOUT: return kErrorTimeout;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY: return kErrorNameNotResolved;
    case CURLE_COULDNT_CONNECT: return kErrorCannotConnect;
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR: return osError == ECONNRESET ? kErrorConnectionReset : kErrorConnectionAborted;
    case CURLE_GOT_NOTHING:
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_BAD_CONTENT_ENCODING: return kErrorInvalidResponse;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_USE_SSL_FAILED: return kErrorSecurityChannel;
    case CURLE_URL_MALFORMAT: return kErrorInvalidUrl;
    case CURLE_UNSUPPORTED_PROTOCOL: return kErrorUnrecognizedScheme;
    case CURLE_OUT_OF_MEMORY: return kErrorNoMemory;
    case CURLE_ABORTED_BY_CALLBACK: return kErrorCancelled;
    default: return kErrorInternal;
    }
}

struct Handles {
    const Library* api;
    CURL* easy = nullptr;
    curl_slist* headers = nullptr;
    ~Handles() {
        if (headers) api->slistFreeAll(headers);
        if (easy) api->easyCleanup(easy);
    }
};

bool AddRequestHeader(Handles& h, const std::string& line) {
    curl_slist* list = h.api->slistAppend(h.headers, line.c_str());
    if (!list) return false;
    h.headers = list;
    return true;
}

// The proxy address for this request; "" for a direct connection.
std::string ProxyAddress(const ProxyConfig& proxy, const UrlParts& where) {
    switch (proxy.accessType) {
    case kAccessDirect: return "";
    case kAccessNamedProxy: return proxy.proxy;
    default: return EnvironmentProxy(where.host);
    }
}

// What makes libcurl behave as WinInet does: the address, no redirects,
// no reuse, any certificate, the silence and the deadline.
void SetCommonOptions(const Handles& h, const std::string& origin, const std::string& target, const RequestPlan& plan,
                      Exchanged& x) {
    auto set = h.api->easySetopt;
    CURL* e = h.easy;
    set(e, CURLOPT_URL, origin.c_str());
    set(e, CURLOPT_REQUEST_TARGET, target.c_str());
    set(e, CURLOPT_NOSIGNAL, 1L);
    set(e, CURLOPT_PATH_AS_IS, 1L);
    set(e, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    set(e, CURLOPT_FOLLOWLOCATION, 0L);
    set(e, CURLOPT_SSL_VERIFYPEER, 0L);
    set(e, CURLOPT_SSL_VERIFYHOST, 0L);
    set(e, CURLOPT_PROXY_SSL_VERIFYPEER, 0L);
    set(e, CURLOPT_PROXY_SSL_VERIFYHOST, 0L);
    set(e, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    set(e, CURLOPT_FORBID_REUSE, 1L);
    set(e, CURLOPT_FRESH_CONNECT, 1L);
    if (!plan.fileHeaders) {
        set(e, CURLOPT_USERAGENT, plan.agent.c_str());
        if (plan.referrer) set(e, CURLOPT_REFERER, plan.referrer->c_str());
    }

    const Timeouts timeouts = CurrentTimeouts();
    set(e, CURLOPT_CONNECTTIMEOUT_MS, timeouts.connectMs);
    set(e, CURLOPT_TIMEOUT_MS, timeouts.deadlineMs);
    x.silenceMs = timeouts.receiveMs;
    set(e, CURLOPT_NOPROGRESS, 0L);
    set(e, CURLOPT_XFERINFOFUNCTION, &OnProgress);
    set(e, CURLOPT_XFERINFODATA, &x);
    set(e, CURLOPT_HEADERFUNCTION, &OnHeader);
    set(e, CURLOPT_HEADERDATA, &x);
    set(e, CURLOPT_WRITEFUNCTION, &OnBody);
    set(e, CURLOPT_WRITEDATA, &x);
}

void SetProxy(const Handles& h, const std::string& address, const ProxyConfig& proxy) {
    auto set = h.api->easySetopt;
    set(h.easy, CURLOPT_PROXY, address.c_str());
    set(h.easy, CURLOPT_NOPROXY, "");  // the bypass list was applied above; libcurl reads none of its own
    if (!proxy.apply) return;
    WriteLog("Applying proxy parameters...\n");
    if (proxy.user) set(h.easy, CURLOPT_PROXYUSERNAME, proxy.user->c_str());
    if (proxy.password) set(h.easy, CURLOPT_PROXYPASSWORD, proxy.password->c_str());
}

// The header lines Wine's WinInet sends for a plan with file headers, in its
// order: Referer, Host (with ":port" unless the port is the scheme's own),
// Content-Length and User-Agent, "Pragma: no-cache", for a POST
// "Cache-Control: no-cache", then the extra lines. The transport's
// exchange tests hold both carriers to the same bytes.
std::vector<std::string> WireHeaders(const RequestPlan& plan, const std::string& host, bool post, size_t bodyLength) {
    std::vector<std::string> lines;
    if (plan.referrer) lines.push_back("Referer: " + *plan.referrer);
    lines.push_back("Host: " + host);
    if (post) lines.push_back("Content-Length: " + std::to_string(bodyLength));
    lines.push_back("User-Agent: " + plan.agent);
    lines.push_back("Pragma: no-cache");
    if (post) lines.push_back("Cache-Control: no-cache");
    size_t start = 0;
    while (start < plan.extraHeaders.size()) {
        size_t end = plan.extraHeaders.find('\n', start);
        if (end == std::string::npos) end = plan.extraHeaders.size();
        lines.push_back(plan.extraHeaders.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// Only what the WinInet path sends: the extra header lines, and none of
// libcurl's own Accept or Expect. With headers of the gateway file's own,
// every line is ours, in WinInet's order, so both send the same bytes.
bool SetRequestHeaders(Handles& h, const RequestPlan& plan, const host::HttpRequest& request, const UrlParts& where) {
    bool listed = AddRequestHeader(h, "Accept:") && AddRequestHeader(h, "Expect:");
    std::vector<std::string> lines;
    if (plan.fileHeaders) {
        // An empty "Host:" first takes libcurl's own Host line away, which it
        // would write first; ours then goes where WinInet puts it.
        listed = listed && AddRequestHeader(h, "Host:");
        const bool defaultPort = where.port == (where.secure ? kHttpsPort : kHttpPort);
        const std::string named = defaultPort ? where.host : where.host + ":" + std::to_string(where.port);
        const bool post = request.requestType == host::kHttpPost;
        lines = WireHeaders(plan, named, post,
                            request.body && request.bodyLength > 0 ? static_cast<size_t>(request.bodyLength) : 0u);
    } else {
        listed = listed && AddRequestHeader(h, "Pragma: no-cache");
        const std::string& extra = plan.extraHeaders;
        for (size_t start = 0; start < extra.size();) {
            size_t end = extra.find('\n', start);
            if (end == std::string::npos) end = extra.size();
            lines.push_back(extra.substr(start, end - start));
            start = end + 1;
        }
    }
    for (const std::string& line : lines) listed = listed && AddRequestHeader(h, line);
    if (listed) h.api->easySetopt(h.easy, CURLOPT_HTTPHEADER, h.headers);
    return listed;
}

void SetVerbAndBody(const Handles& h, const host::HttpRequest& request, const char* verb) {
    auto set = h.api->easySetopt;
    const bool hasBody = request.body && request.bodyLength > 0;
    if (request.requestType == host::kHttpPost || hasBody) {
        set(h.easy, CURLOPT_POST, 1L);
        set(h.easy, CURLOPT_POSTFIELDSIZE, static_cast<long>(hasBody ? request.bodyLength : 0));
        set(h.easy, CURLOPT_POSTFIELDS, hasBody ? request.body : "");
    }
    if (verb && std::strcmp(verb, "POST") != 0 && (hasBody || std::strcmp(verb, "GET") != 0)) {
        set(h.easy, CURLOPT_CUSTOMREQUEST, verb);
    }
}

// The reply of a finished transfer, or none (with the reason logged as
// WinInet's carrier logs it).
host::HttpReply* ReplyOf(const Handles& h, CURLcode result, const Exchanged& x) {
    long status = 0;
    h.api->easyGetinfo(h.easy, CURLINFO_RESPONSE_CODE, &status);
    long osError = 0;
    h.api->easyGetinfo(h.easy, CURLINFO_OS_ERRNO, &osError);
    const unsigned long error = ErrorNumber(result, osError);
    if (result == CURLE_OPERATION_TIMEDOUT || x.silent) {
        LogFailure(Failure::kTimedOut);
        return nullptr;
    }
    // libcurl refuses a single header line beyond its own limit (100 KB) as
    // out of memory: that is a header block beyond the cap too.
    if (x.headersTooLarge || (result == CURLE_OUT_OF_MEMORY && !x.headersEnded)) {
        LogFailure(Failure::kHeadersTooLarge);
        return nullptr;
    }
    if (status <= 0 || x.statusLine.empty() || !x.headersEnded) {
        // A connection that ended before a status line came is "aborted",
        // reset or not: Wine's WinInet cannot tell them apart there.
        const bool noStatus = x.statusLine.empty() && (result == CURLE_RECV_ERROR || result == CURLE_GOT_NOTHING);
        LogFailure(Failure::kOther, noStatus ? kErrorConnectionAborted : error);
        return nullptr;
    }
    // Fewer bytes than announced, or more than a reply may hold, still make a
    // reply of what came; a read that failed keeps no body.
    const bool bodyUsable = result == CURLE_OK || result == CURLE_PARTIAL_FILE || x.bodyFull;
    if (!bodyUsable && !x.noMemory) LogReadFailure(error);
    static const std::string kNoBody;
    const std::string& body = bodyUsable && !x.noMemory ? x.body : kNoBody;
    return MakeReply(static_cast<int>(status), StatusText(x.statusLine).c_str(), body, x.headers);
}

}  // namespace

int BindLibrary(const char* name, const Library** library, std::string* missing) {
    void* module = dlopen(name, RTLD_NOW | RTLD_LOCAL);
    if (!module) return -1;
    auto* api = new (std::nothrow) Library{};
    if (!api) {
        dlclose(module);
        return -1;
    }
    std::string first;
    bool all = Find(module, "curl_global_init", &api->globalInit, &first);
    all = Find(module, "curl_easy_init", &api->easyInit, &first) && all;
    all = Find(module, "curl_easy_setopt", &api->easySetopt, &first) && all;
    all = Find(module, "curl_easy_perform", &api->easyPerform, &first) && all;
    all = Find(module, "curl_easy_getinfo", &api->easyGetinfo, &first) && all;
    all = Find(module, "curl_easy_cleanup", &api->easyCleanup, &first) && all;
    all = Find(module, "curl_slist_append", &api->slistAppend, &first) && all;
    all = Find(module, "curl_slist_free_all", &api->slistFreeAll, &first) && all;
    if (!all || api->globalInit(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
        if (missing) *missing = first;
        delete api;
        dlclose(module);
        return all ? -1 : -2;
    }
    *library = api;  // stays loaded for the life of the process
    return 0;
}

void SetInvalidParameterError() { errno = EINVAL; }

host::HttpReply* Exchange(const Library* library, const host::HttpRequest* request, const ProxyConfig& proxy,
                          int ownHeaders) {
    if (!library || !request) return nullptr;
    const RequestPlan plan = PlanRequest(*request, ownHeaders);
    const UrlParts where = SplitUrl(request->url);
    if (where.host.empty()) return nullptr;
    // libcurl is given only the origin: the request line carries the
    // target exactly as WinInet sends it ("#" is no fragment there).
    const std::string origin =
        std::string(where.secure ? "https://" : "http://") + where.host + ":" + std::to_string(where.port) + "/";
    const std::string proxyAddress = ProxyAddress(proxy, where);
    std::string target = WireTarget(where.path);
    if (!proxyAddress.empty() && !where.secure) target = Origin(where) + target;

    Handles h{library};
    h.easy = library->easyInit();
    if (!h.easy) return nullptr;
    Exchanged x;
    SetCommonOptions(h, origin, target, plan, x);
    SetProxy(h, proxyAddress, proxy);
    if (!SetRequestHeaders(h, plan, *request, where)) return nullptr;
    SetVerbAndBody(h, *request, plan.verb);

    x.lastActivity = Clock::now();
    const CURLcode result = library->easyPerform(h.easy);
    return ReplyOf(h, result, x);
}

}  // namespace transport
