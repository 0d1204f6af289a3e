// The one operation every request goes through, and the choice of carrier.
#include <atomic>

#include "shell/HostLink.h"
#include "shell/Log.h"
#include "shell/Settings.h"
#include "transport/Carrier.h"
#include "transport/Http.h"
#include "transport/Reply.h"

namespace transport {
namespace {

// Written once at start-up, before any send job exists; read afterwards.
const Library* g_library = nullptr;
bool g_useWinInet = false;
host::Handle g_netlibUser = nullptr;

std::atomic<const Override*> g_override{nullptr};
std::atomic<long> g_connectMs{kDefaultTimeouts.connectMs};
std::atomic<long> g_receiveMs{kDefaultTimeouts.receiveMs};
std::atomic<long> g_deadlineMs{kDefaultTimeouts.deadlineMs};

long OrDefault(long value, long fallback) { return value > 0 ? value : fallback; }

}  // namespace

int LoadWinInet() { return LoadWinInet(nullptr); }

int LoadWinInet(const char* library) {
    if (g_useWinInet) return 0;  // never unloaded once in use
    const Library* bound = nullptr;
    std::string missing;
    int result = BindLibrary(library ? library : kDefaultLibrary, &bound, &missing);
    if (result == -2) WriteLog("Cannot import all needed functions from WinInet, NETLIB will be used instead.\n");
    if (result != 0) return -1;
    g_library = bound;
    g_useWinInet = true;
    return 0;
}

bool UsingWinInet() { return g_useWinInet; }

void SetNetlibUser(host::Handle user) { g_netlibUser = user; }
host::Handle NetlibUser() { return g_netlibUser; }

void SetOverride(const Override* override) { g_override.store(override); }

void SetTimeouts(const Timeouts& timeouts) {
    g_connectMs.store(OrDefault(timeouts.connectMs, kDefaultTimeouts.connectMs));
    g_receiveMs.store(OrDefault(timeouts.receiveMs, kDefaultTimeouts.receiveMs));
    g_deadlineMs.store(OrDefault(timeouts.deadlineMs, kDefaultTimeouts.deadlineMs));
}

Timeouts CurrentTimeouts() { return Timeouts{g_connectMs.load(), g_receiveMs.load(), g_deadlineMs.load()}; }

HttpReply* HttpTransaction(const HttpRequest* request, int ownHeaders) {
    if (const Override* override = g_override.load()) return override->carrier(request, ownHeaders, override->context);
    return CarrierTransaction(request, ownHeaders);
}

HttpReply* CarrierTransaction(const HttpRequest* request, int ownHeaders) {
    if (!request) return nullptr;
    if (g_useWinInet) return Exchange(g_library, request, ReadProxyConfig(settings::kNetModule), ownHeaders);
    host::Word reply = host::CallService("Netlib/HttpTransaction", reinterpret_cast<host::Word>(g_netlibUser),
                                         reinterpret_cast<host::Word>(request));
    // A negative word is the link's "no such service", not a record.
    if (reply == host::kServiceNotFound || reply == 0) return nullptr;
    return reinterpret_cast<HttpReply*>(reply);
}

int FreeHttpReply(HttpReply* reply) {
    if (const Override* override = g_override.load()) {
        if (reply) override->release(reply, override->context);
        return 1;
    }
    return FreeCarrierReply(reply);
}

int FreeCarrierReply(HttpReply* reply) {
    if (!g_useWinInet) {
        host::CallService("Netlib/FreeHttpRequestStruct", 0, reinterpret_cast<host::Word>(reply));
        return 1;
    }
    if (!reply || reply->size != host::kHttpRecordSize || reply->requestType != host::kHttpResponse) {
        SetInvalidParameterError();
        return 0;
    }
    ReleaseReply(reply);
    return 1;
}

}  // namespace transport
