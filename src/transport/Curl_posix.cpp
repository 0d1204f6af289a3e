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

#include "shell/Log.h"
#include "transport/Carrier.h"
#include "transport/Http.h"
#include "transport/Reply.h"
#include "transport/RequestPlan.h"
#include "transport/Url.h"

namespace transport {

struct Library {
    CURLcode (*globalInit)(long flags);
    CURL* (*easyInit)();
    CURLcode (*easySetopt)(CURL* handle, CURLoption option, ...);
    CURLcode (*easyPerform)(CURL* handle);
    CURLcode (*easyGetinfo)(CURL* handle, CURLINFO info, ...);
    void (*easyCleanup)(CURL* handle);
    curl_slist* (*slistAppend)(curl_slist* list, const char* text);
    void (*slistFreeAll)(curl_slist* list);
    const char* (*easyStrerror)(CURLcode code);
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
    bool headersTooLarge = false;
    BodyBuffer body;
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
        return 1;   // ends the transfer
    }
    return 0;
}

size_t OnHeader(char* data, size_t size, size_t count, void* context) {
    auto* x = static_cast<Exchanged*>(context);
    size_t length = size * count;
    x->lastActivity = Clock::now();
    if (length >= 5 && std::memcmp(data, "HTTP/", 5) == 0) {
        // A new status line (after an interim 1xx reply) starts the headers afresh.
        DiscardHeaders(x->headers);
        x->headersTooLarge = false;
        x->statusLine.assign(data, length);
        return length;
    }
    if (x->headersTooLarge) return length;
    if (x->headers.bytes + length > static_cast<size_t>(kMaxHeaderBytes)) {
        WriteLog("ERROR: Reply headers larger than %d bytes, none are kept\n", kMaxHeaderBytes);
        DiscardHeaders(x->headers);
        x->headersTooLarge = true;
        return length;
    }
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

// The proxy that "the system's settings" name: the environment's, as
// libcurl itself would read it; "" for none.
std::string EnvironmentProxy(bool secure) {
    const char* names[] = {secure ? "https_proxy" : "http_proxy", secure ? "HTTPS_PROXY" : nullptr, "all_proxy",
                           "ALL_PROXY"};
    for (const char* name : names) {
        const char* value = name ? std::getenv(name) : nullptr;
        if (value && *value) return value;
    }
    return "";
}

// A plain request through a proxy names the whole address, as WinInet's does.
std::string Origin(const UrlParts& where) {
    std::string origin = (where.secure ? "https://" : "http://") + where.host;
    if (where.port != (where.secure ? kHttpsPort : kHttpPort)) origin += ":" + std::to_string(where.port);
    return origin;
}

Failure Classify(CURLcode code, const Exchanged& x) {
    if (code == CURLE_OPERATION_TIMEDOUT || x.silent) return Failure::kTimedOut;
    if (x.headersTooLarge || x.bodyFull) return Failure::kTooLarge;
    return Failure::kOther;
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
    all = Find(module, "curl_easy_strerror", &api->easyStrerror, &first) && all;
    if (!all || api->globalInit(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
        if (missing) *missing = first;
        delete api;
        dlclose(module);
        return all ? -1 : -2;
    }
    *library = api;   // stays loaded for the life of the process
    return 0;
}

void SetInvalidParameterError() { errno = EINVAL; }

host::HttpReply* Exchange(const Library* library, const host::HttpRequest* request, const ProxyConfig& proxy) {
    if (!library || !request) return nullptr;
    RequestPlan plan = PlanRequest(*request);
    UrlParts where = SplitUrl(request->url);
    if (where.host.empty()) return nullptr;
    // libcurl is given only the origin: the request line carries the
    // target exactly as WinInet sends it ("#" is no fragment there).
    std::string url = std::string(where.secure ? "https://" : "http://") + where.host + ":" +
                      std::to_string(where.port) + "/";
    std::string proxyAddress;
    switch (proxy.accessType) {
    case kAccessDirect: break;
    case kAccessNamedProxy: proxyAddress = proxy.proxy; break;
    default: proxyAddress = EnvironmentProxy(where.secure); break;
    }
    std::string target = WireTarget(where.path);
    if (!proxyAddress.empty() && !where.secure) target = Origin(where) + target;

    Handles h{library};
    h.easy = library->easyInit();
    if (!h.easy) return nullptr;
    auto set = library->easySetopt;
    CURL* e = h.easy;

    set(e, CURLOPT_URL, url.c_str());
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
    set(e, CURLOPT_USERAGENT, plan.agent.c_str());
    if (plan.referrer) set(e, CURLOPT_REFERER, plan.referrer->c_str());

    Exchanged x;
    const Timeouts timeouts = CurrentTimeouts();
    set(e, CURLOPT_CONNECTTIMEOUT_MS, timeouts.connectMs);
    set(e, CURLOPT_TIMEOUT_MS, timeouts.deadlineMs);
    x.silenceMs = timeouts.receiveMs;
    set(e, CURLOPT_NOPROGRESS, 0L);
    set(e, CURLOPT_XFERINFOFUNCTION, &OnProgress);
    set(e, CURLOPT_XFERINFODATA, &x);
    set(e, CURLOPT_PROXY, proxyAddress.c_str());
    if (proxy.apply) {
        WriteLog("Applying proxy parameters...\n");
        if (proxy.user) set(e, CURLOPT_PROXYUSERNAME, proxy.user->c_str());
        if (proxy.password) set(e, CURLOPT_PROXYPASSWORD, proxy.password->c_str());
    }

    // Only what the WinInet path sends: the extra header lines, and none of
    // libcurl's own Accept or Expect.
    bool listed = AddRequestHeader(h, "Accept:") && AddRequestHeader(h, "Expect:") &&
                  AddRequestHeader(h, "Pragma: no-cache");
    size_t start = 0;
    while (listed && start < plan.extraHeaders.size()) {
        size_t end = plan.extraHeaders.find('\n', start);
        if (end == std::string::npos) end = plan.extraHeaders.size();
        listed = AddRequestHeader(h, plan.extraHeaders.substr(start, end - start));
        start = end + 1;
    }
    if (!listed) return nullptr;
    set(e, CURLOPT_HTTPHEADER, h.headers);

    bool hasBody = request->body && request->bodyLength > 0;
    if (request->requestType == host::kHttpPost || hasBody) {
        set(e, CURLOPT_POST, 1L);
        set(e, CURLOPT_POSTFIELDSIZE, static_cast<long>(hasBody ? request->bodyLength : 0));
        set(e, CURLOPT_POSTFIELDS, hasBody ? request->body : "");
    }
    if (plan.verb && std::strcmp(plan.verb, "POST") != 0 && (hasBody || std::strcmp(plan.verb, "GET") != 0)) {
        set(e, CURLOPT_CUSTOMREQUEST, plan.verb);
    }

    set(e, CURLOPT_HEADERFUNCTION, &OnHeader);
    set(e, CURLOPT_HEADERDATA, &x);
    set(e, CURLOPT_WRITEFUNCTION, &OnBody);
    set(e, CURLOPT_WRITEDATA, &x);

    x.lastActivity = Clock::now();
    CURLcode result = library->easyPerform(e);
    long status = 0;
    library->easyGetinfo(e, CURLINFO_RESPONSE_CODE, &status);

    // Fewer bytes than announced, or more than a reply may hold, still make a
    // reply of what came; any other failure keeps no body. An exchange that
    // ran out of time gives no reply at all, as WinInet's does.
    bool bodyUsable = result == CURLE_OK || result == CURLE_PARTIAL_FILE || (result == CURLE_WRITE_ERROR && x.bodyFull);
    bool timedOut = result == CURLE_OPERATION_TIMEDOUT || x.silent;
    if (!bodyUsable) LogFailure(Classify(result, x), library->easyStrerror(result));
    if (status <= 0 || x.statusLine.empty() || timedOut) {
        DiscardHeaders(x.headers);
        DiscardBody(x.body);
        return nullptr;
    }

    host::HttpReply* reply = NewReply(static_cast<int>(status), StatusText(x.statusLine).c_str());
    if (!reply) {
        DiscardHeaders(x.headers);
        DiscardBody(x.body);
        return nullptr;
    }
    if (bodyUsable && !x.noMemory) {
        AttachBody(reply, x.body);
    } else {
        DiscardBody(x.body);
    }
    AttachHeaders(reply, x.headers);
    return reply;
}

}  // namespace transport
