// The WinInet carrier: WinInet.dll loaded at run time with its eleven entry
// points, so that the plug-in still starts where one of them is missing.
#include <windows.h>
#include <wininet.h>

#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "shell/Log.h"
#include "shell/Notice.h"
#include "transport/Carrier.h"
#include "transport/Failure.h"
#include "transport/Http.h"
#include "transport/Reply.h"
#include "transport/RequestPlan.h"
#include "transport/Url.h"
#include "transport/Watchdog_win.h"

namespace transport {

const char* const kDefaultLibrary = "WinInet.dll";

struct Library {
    decltype(&::InternetCloseHandle) closeHandle;
    decltype(&::InternetConnectA) connect;
    decltype(&::InternetErrorDlg) errorDlg;
    decltype(&::InternetOpenA) open;
    decltype(&::InternetSetOptionA) setOption;
    decltype(&::InternetQueryOptionA) queryOption;
    decltype(&::HttpOpenRequestA) openRequest;
    decltype(&::HttpQueryInfoA) queryInfo;
    decltype(&::HttpSendRequestA) sendRequest;
    decltype(&::InternetReadFile) readFile;
    decltype(&::InternetQueryDataAvailable) queryDataAvailable;
    // Not among the entry points the carrier needs: without it the
    // watchdog counts only the body bytes the read loop sees.
    decltype(&::InternetSetStatusCallbackA) setStatusCallback;
};

namespace {

constexpr DWORD kRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_AUTO_REDIRECT |
                                INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTP |
                                INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS | INTERNET_FLAG_IGNORE_CERT_DATE_INVALID |
                                INTERNET_FLAG_IGNORE_CERT_CN_INVALID | INTERNET_FLAG_NO_UI |
                                INTERNET_FLAG_PRAGMA_NOCACHE;
static_assert(kRequestFlags == 0x8428F300, "the WinInet flag set");
static_assert((kRequestFlags | INTERNET_FLAG_SECURE) == 0x84A8F300, "the secure flag set");

constexpr DWORD kStatusTextSize = 4096;
constexpr DWORD kHeaderBlockSize = 4096;
constexpr DWORD kReadPiece = 64 * 1024;
constexpr long kBackstopMs = 1000;

static_assert(kErrorTimeout == ERROR_INTERNET_TIMEOUT && kErrorNameNotResolved == ERROR_INTERNET_NAME_NOT_RESOLVED &&
                  kErrorCannotConnect == ERROR_INTERNET_CANNOT_CONNECT &&
                  kErrorConnectionAborted == ERROR_INTERNET_CONNECTION_ABORTED &&
                  kErrorConnectionReset == ERROR_INTERNET_CONNECTION_RESET &&
                  kErrorInvalidResponse == ERROR_HTTP_INVALID_SERVER_RESPONSE &&
                  kErrorSecurityChannel == ERROR_INTERNET_SECURITY_CHANNEL_ERROR &&
                  kErrorCancelled == ERROR_INTERNET_OPERATION_CANCELLED &&
                  kErrorInvalidUrl == ERROR_INTERNET_INVALID_URL &&
                  kErrorUnrecognizedScheme == ERROR_INTERNET_UNRECOGNIZED_SCHEME &&
                  kErrorInternal == ERROR_INTERNET_INTERNAL_ERROR && kErrorNoMemory == ERROR_NOT_ENOUGH_MEMORY,
              "the error table holds WinInet's numbers");

// "server:port" of a named proxy.
std::string ProxyHost(const std::string& proxy) { return proxy.substr(0, proxy.rfind(':')); }
int ProxyPort(const std::string& proxy) {
    const size_t colon = proxy.rfind(':');
    return colon == std::string::npos ? kHttpPort : std::atoi(proxy.c_str() + colon + 1);
}

template <typename T>
bool Find(HMODULE module, const char* name, T* slot, std::string* missing) {
    *slot = reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    if (*slot) return true;
    if (missing->empty()) *missing = name;
    return false;
}

bool IsNtFamily() {
    // GetVersion is deprecated, but its top bit is what tells 9x from NT.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    return (GetVersion() & 0x80000000u) == 0;
#pragma GCC diagnostic pop
}

struct Handles {
    const Library* api;
    HINTERNET root = nullptr;
    HINTERNET connection = nullptr;
    HINTERNET request = nullptr;
    ~Handles() {
        if (request) api->closeHandle(request);
        if (connection) api->closeHandle(connection);
        if (root) api->closeHandle(root);
    }
};

void SetTimeout(const Library* api, HINTERNET handle, DWORD option, long ms) {
    if (ms <= 0) return;
    DWORD value = static_cast<DWORD>(ms);
    api->setOption(handle, option, &value, sizeof value);
}

// Why a read ended without the body: the watchdog closed the handle, or
// WinInet's own time-out struck (both: no reply), or the read failed.
void ReadEnded(Watchdog& watchdog) {
    if (watchdog.Closed() || GetLastError() == ERROR_INTERNET_TIMEOUT) {
        watchdog.TimedOut();  // a body that stops coming is no reply, as on every carrier
    } else {
        LogReadFailure(GetLastError());
    }
}

// How many bytes to read next: what has arrived, no more than a piece and
// no more than the announced length still wants; 0 at the end.
bool NextPiece(const Library* api, HINTERNET request, DWORD wanted, size_t have, DWORD* piece) {
    *piece = kReadPiece;
    if (wanted > 0 && have >= wanted) {
        *piece = 0;
        return true;
    }
    if (wanted > 0 && wanted - have < *piece) *piece = static_cast<DWORD>(wanted - have);
    // Only what has arrived is read: a read of more waits until all of it
    // came, and a closed handle does not end that wait everywhere.
    DWORD available = 0;
    if (!api->queryDataAvailable(request, &available, 0, 0)) return false;
    if (available < *piece) *piece = available;
    return true;
}

// Reads until `wanted` bytes (0: no length announced) or the end of the
// stream; a read may give fewer bytes than asked for. Gives false when
// the body is to be dropped.
bool ReadBody(const Library* api, HINTERNET request, DWORD wanted, std::string& body, Watchdog& watchdog) {
    std::vector<char> buffer(kReadPiece);
    for (;;) {
        DWORD piece = 0;
        DWORD read = 0;
        if (!NextPiece(api, request, wanted, body.size(), &piece) ||
            (piece > 0 && !api->readFile(request, buffer.data(), piece, &read))) {
            ReadEnded(watchdog);
            return false;
        }
        if (piece == 0 || read == 0) return true;  // the end of the stream
        watchdog.Activity();
        const int appended = AppendBody(body, buffer.data(), read);
        if (appended == kAppendFull) {
            WriteLog("ERROR: Reply body larger than %d bytes, the rest is not read\n", kMaxBodyBytes);
            return true;
        }
        if (appended == kAppendNoMemory) {
            WriteLog("ERROR: Out of memory while allocating space for Data\n");
            return false;
        }
    }
}

// The raw header block, asking for the size it needs when 4096 bytes are
// not enough (a Location or Set-Cookie header must not be lost). False
// when the block is beyond the cap: that is no reply.
bool ReadHeaders(const Library* api, HINTERNET request, HeaderList& headers) {
    DWORD capacity = kHeaderBlockSize;
    for (int attempt = 0; attempt < 4; ++attempt) {
        std::vector<char> block(capacity, '\0');
        DWORD size = capacity - 1;
        if (api->queryInfo(request, HTTP_QUERY_RAW_HEADERS, block.data(), &size, nullptr)) {
            if (size > capacity - 1) size = capacity - 1;
            if (AddHeaderBlock(headers, block.data(), size) != 0) headers.Clear();
            return true;
        }
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return true;
        // The size asked for, or more should the library have under-asked.
        const DWORD needed = size + 2 > capacity ? size + 2 : capacity * 2;
        if (needed > static_cast<DWORD>(kMaxHeaderBytes)) return false;
        capacity = needed;
    }
    return true;
}

}  // namespace

int BindLibrary(const char* name, const Library** library, std::string* missing) {
    HMODULE module = LoadLibraryA(name);
    if (!module) return -1;
    auto* api = new (std::nothrow) Library{};
    if (!api) return -1;
    std::string first;
    bool all = Find(module, "InternetCloseHandle", &api->closeHandle, &first) &&
               Find(module, "InternetConnectA", &api->connect, &first) &&
               Find(module, "InternetErrorDlg", &api->errorDlg, &first) &&
               Find(module, "InternetOpenA", &api->open, &first) &&
               Find(module, "InternetSetOptionA", &api->setOption, &first) &&
               Find(module, "InternetQueryOptionA", &api->queryOption, &first) &&
               Find(module, "HttpOpenRequestA", &api->openRequest, &first) &&
               Find(module, "HttpQueryInfoA", &api->queryInfo, &first) &&
               Find(module, "HttpSendRequestA", &api->sendRequest, &first) &&
               Find(module, "InternetReadFile", &api->readFile, &first) &&
               Find(module, "InternetQueryDataAvailable", &api->queryDataAvailable, &first);
    std::string optional;
    Find(module, "InternetSetStatusCallbackA", &api->setStatusCallback, &optional);
    if (!all) {
        if (missing) *missing = first;
        delete api;
        // The 9x family must keep it loaded.
        if (IsNtFamily()) FreeLibrary(module);
        return -2;
    }
    *library = api;  // never unloaded once in use
    return 0;
}

void SetInvalidParameterError() { SetLastError(ERROR_INVALID_PARAMETER); }

namespace {

void ApplyProxyCredentials(const Library* api, HINTERNET request, const ProxyConfig& proxy) {
    if (!proxy.apply) return;
    WriteLog("Applying proxy parameters...\n");
    if (proxy.user) {
        api->setOption(request, INTERNET_OPTION_PROXY_USERNAME, const_cast<char*>(proxy.user->c_str()),
                       static_cast<DWORD>(proxy.user->size() + 1));
    }
    if (proxy.password) {
        api->setOption(request, INTERNET_OPTION_PROXY_PASSWORD, const_cast<char*>(proxy.password->c_str()),
                       static_cast<DWORD>(proxy.password->size() + 1));
    }
}

// Status, status text, body and headers of a request that was sent.
host::HttpReply* ReadReply(const Library* api, HINTERNET request, Watchdog& watchdog) {
    // A connection that ended before a status line came gives no reply
    // (Wine's WinInet then gives status 0, or fails the send with 12030).
    DWORD status = 0;
    DWORD statusSize = sizeof status;
    if (!api->queryInfo(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &statusSize, nullptr) ||
        status == 0) {
        if (!watchdog.Closed()) LogFailure(Failure::kOther, kErrorConnectionAborted);
        return nullptr;
    }
    char statusText[kStatusTextSize] = "";
    DWORD textSize = kStatusTextSize;
    if (!api->queryInfo(request, HTTP_QUERY_STATUS_TEXT, statusText, &textSize, nullptr)) statusText[0] = '\0';
    statusText[kStatusTextSize - 1] = '\0';

    // The announced length only bounds the read: nothing is set aside for it
    // before the bytes arrive.
    DWORD announced = 0;
    DWORD announcedSize = sizeof announced;
    if (!api->queryInfo(request, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &announced, &announcedSize,
                        nullptr) ||
        static_cast<int>(announced) <= 0) {
        announced = 0;
    }
    std::string body;
    if (!ReadBody(api, request, announced, body, watchdog)) std::string().swap(body);

    HeaderList headers;
    if (!ReadHeaders(api, request, headers)) {
        LogFailure(Failure::kHeadersTooLarge);
        return nullptr;
    }
    return MakeReply(static_cast<int>(status), statusText, body, headers);
}

// The root handle, the connection and the request, set up as the exchange
// wants them; false when one of them cannot be opened.
bool OpenRequest(Handles& h, const RequestPlan& plan, const UrlParts& where, const ProxyConfig& proxy,
                 const Timeouts& timeouts, Watchdog& watchdog) {
    const Library* api = h.api;
    const DWORD flags = kRequestFlags | (where.secure ? INTERNET_FLAG_SECURE : 0);
    // The watchdog is the context of every handle, so that the status
    // callback finds it.
    const DWORD_PTR context = reinterpret_cast<DWORD_PTR>(&watchdog);
    h.root = api->open(plan.agent.c_str(), static_cast<DWORD>(proxy.accessType),
                       proxy.accessType == kAccessNamedProxy ? proxy.proxy.c_str() : nullptr, nullptr, 0);
    if (!h.root) return false;
    if (api->setStatusCallback) api->setStatusCallback(h.root, &Watchdog::OnStatus);
    SetTimeout(api, h.root, INTERNET_OPTION_CONNECT_TIMEOUT, timeouts.connectMs);

    h.connection = api->connect(h.root, where.host.c_str(), static_cast<INTERNET_PORT>(where.port), "", "",
                                INTERNET_SERVICE_HTTP, flags, context);
    if (!h.connection) return false;
    const std::string target = WireTarget(where.path);
    h.request = api->openRequest(h.connection, plan.verb, target.c_str(), nullptr,
                                 plan.referrer ? plan.referrer->c_str() : nullptr, nullptr, flags, context);
    if (!h.request) return false;
    // Not every WinInet passes the root handle's time-outs on to its
    // requests. Its own silence time-outs stand behind the watchdog's, so
    // that one rule decides on both carriers.
    SetTimeout(api, h.request, INTERNET_OPTION_CONNECT_TIMEOUT, timeouts.connectMs);
    SetTimeout(api, h.request, INTERNET_OPTION_RECEIVE_TIMEOUT, timeouts.receiveMs + kBackstopMs);
    SetTimeout(api, h.request, INTERNET_OPTION_SEND_TIMEOUT, timeouts.receiveMs + kBackstopMs);
    ApplyProxyCredentials(api, h.request, proxy);

    DWORD security = 0;
    DWORD securitySize = sizeof security;
    api->queryOption(h.request, INTERNET_OPTION_SECURITY_FLAGS, &security, &securitySize);
    security |= SECURITY_FLAG_IGNORE_UNKNOWN_CA;
    api->setOption(h.request, INTERNET_OPTION_SECURITY_FLAGS, &security, sizeof security);
    return true;
}

// Sends the request and reads the reply; none when the send failed.
host::HttpReply* SendAndRead(const Handles& h, const RequestPlan& plan, const host::HttpRequest& request,
                             Watchdog& watchdog) {
    const bool hasExtra = !plan.extraHeaders.empty();
    const DWORD bodyLength = request.body && request.bodyLength > 0 ? static_cast<DWORD>(request.bodyLength) : 0;
    if (h.api->sendRequest(h.request, hasExtra ? plan.extraHeaders.c_str() : nullptr,
                           hasExtra ? static_cast<DWORD>(plan.extraHeaders.size()) : 0, request.body, bodyLength)) {
        watchdog.HeadersDone();
        return ReadReply(h.api, h.request, watchdog);
    }
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND) {
        ShowNotice(
            "Internet Explorer is in the 'Offline' mode. Switch IE to the 'Online' mode and then try to relogin");
    }
    if (!watchdog.Closed()) LogFailure(error == ERROR_INTERNET_TIMEOUT ? Failure::kTimedOut : Failure::kOther, error);
    return nullptr;
}

}  // namespace

host::HttpReply* Exchange(const Library* api, const host::HttpRequest* request, const ProxyConfig& proxy,
                          int ownHeaders) {
    if (!api || !request) return nullptr;
    const RequestPlan plan = PlanRequest(*request, ownHeaders);
    const UrlParts where = SplitUrl(request->url);
    const Timeouts timeouts = CurrentTimeouts();
    Watchdog watchdog(api->closeHandle, timeouts);
    Handles h{api};
    if (!OpenRequest(h, plan, where, proxy, timeouts, watchdog)) return nullptr;

    const bool named = proxy.accessType == kAccessNamedProxy;
    watchdog.Watch(h.request, named ? ProxyHost(proxy.proxy) : where.host, named ? ProxyPort(proxy.proxy) : where.port);
    host::HttpReply* reply = SendAndRead(h, plan, *request, watchdog);
    if (watchdog.Stop()) {
        // Closed by the watchdog, or timed out: whatever came is no reply.
        if (watchdog.Closed()) h.request = nullptr;
        ReleaseReply(reply);
        LogFailure(watchdog.Reason());
        return nullptr;
    }
    return reply;
}

}  // namespace transport
