// libcurl in WinInet's place: loaded at run time like WinInet, and held to
// the same contract (no redirects followed, no cookie engine, no cache, any
// certificate accepted, only the headers the WinInet path sends).
#include <curl/curl.h>
#include <dlfcn.h>

#include <cerrno>
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

// WinInet's defaults, since libcurl would otherwise wait for ever.
constexpr long kConnectTimeoutMs = 60000;
constexpr long kReceiveTimeoutMs = 60000;

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
};

size_t OnHeader(char* data, size_t size, size_t count, void* context) {
    auto* x = static_cast<Exchanged*>(context);
    size_t length = size * count;
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

// libcurl refuses a URL with blanks or control bytes; WinInet sends them on.
std::string EscapePath(const std::string& path) {
    std::string escaped;
    for (unsigned char c : path) {
        if (c <= 0x20 || c >= 0x7f) {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            escaped += hex;
        } else {
            escaped += static_cast<char>(c);
        }
    }
    return escaped;
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
    std::string url = std::string(where.secure ? "https://" : "http://") + where.host + ":" +
                      std::to_string(where.port) + EscapePath(where.path);

    Handles h{library};
    h.easy = library->easyInit();
    if (!h.easy) return nullptr;
    auto set = library->easySetopt;
    CURL* e = h.easy;

    set(e, CURLOPT_URL, url.c_str());
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

    Timeouts timeouts = CurrentTimeouts();
    long connectMs = timeouts.connectMs > 0 ? timeouts.connectMs : kConnectTimeoutMs;
    long receiveMs = timeouts.receiveMs > 0 ? timeouts.receiveMs : kReceiveTimeoutMs;
    set(e, CURLOPT_CONNECTTIMEOUT_MS, connectMs);
    // Silence for the receive time-out ends the exchange; a slow but steady
    // reply does not.
    set(e, CURLOPT_LOW_SPEED_LIMIT, 1L);
    set(e, CURLOPT_LOW_SPEED_TIME, receiveMs < 1000 ? 1L : receiveMs / 1000);

    switch (proxy.accessType) {
    case kAccessDirect: set(e, CURLOPT_PROXY, ""); break;
    case kAccessNamedProxy: set(e, CURLOPT_PROXY, proxy.proxy.c_str()); break;
    default: break;   // the system's own settings: the environment's proxy
    }
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

    Exchanged x;
    set(e, CURLOPT_HEADERFUNCTION, &OnHeader);
    set(e, CURLOPT_HEADERDATA, &x);
    set(e, CURLOPT_WRITEFUNCTION, &OnBody);
    set(e, CURLOPT_WRITEDATA, &x);

    CURLcode result = library->easyPerform(e);
    long status = 0;
    library->easyGetinfo(e, CURLINFO_RESPONSE_CODE, &status);

    // Fewer bytes than announced, or more than a reply may hold, still make a
    // reply of what came; any other failure keeps no body.
    bool bodyUsable = result == CURLE_OK || result == CURLE_PARTIAL_FILE || (result == CURLE_WRITE_ERROR && x.bodyFull);
    if (!bodyUsable && !x.noMemory) {
        WriteLog("ERROR: HTTP exchange failed: %s\n", library->easyStrerror(result));
    }
    if (status <= 0 || x.statusLine.empty()) {
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
