// The stand-in's network library: network users with their own proxy
// settings, and HTTP transactions carried by the platform's HTTP library
// (WinInet on Windows, libcurl elsewhere), taking and giving the host's
// request record.
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "StandIn.h"
#include "transport/Carrier.h"
#include "transport/Reply.h"

namespace standin {
namespace {

std::mutex g_netlibMutex;
std::vector<std::string> g_requests;
std::map<uintptr_t, std::string> g_users;  // handle number -> settings module
uintptr_t g_nextUser = 1;
constexpr uintptr_t kUserBase = 0x4E000;  // keeps user handles apart from contacts

// Bound once for the process, like the real library would be.
const transport::Library* Carrier() {
    static const transport::Library* library = [] {
        const transport::Library* bound = nullptr;
        transport::BindLibrary(transport::kDefaultLibrary, &bound, nullptr);
        return bound;
    }();
    return library;
}

host::Word RegisterUser(host::Word, host::Word lParam) {
    auto* user = reinterpret_cast<const host::NetlibUser*>(lParam);
    if (!user || (user->cbSize != 44 && user->cbSize != static_cast<int>(sizeof(host::NetlibUser))) ||
        !user->settingsModule) {
        return 0;
    }
    std::lock_guard<std::mutex> lock(g_netlibMutex);
    uintptr_t id = g_nextUser++;
    g_users[id] = user->settingsModule;
    return static_cast<host::Word>(kUserBase + id);
}

bool UserModule(host::Word handle, std::string* module) {
    std::lock_guard<std::mutex> lock(g_netlibMutex);
    auto it = g_users.find(static_cast<uintptr_t>(handle) - kUserBase);
    if (static_cast<uintptr_t>(handle) <= kUserBase || it == g_users.end()) return false;
    *module = it->second;
    return true;
}

host::Word HttpTransaction(host::Word wParam, host::Word lParam) {
    auto* request = reinterpret_cast<const host::HttpRequest*>(lParam);
    std::string module;
    if (!request || !UserModule(wParam, &module)) return 0;
    if (request->size != 44 && request->size != static_cast<int>(sizeof(host::HttpRequest))) return 0;
    {
        std::lock_guard<std::mutex> lock(g_netlibMutex);
        g_requests.push_back(request->url ? request->url : "");
    }
    transport::ProxyConfig proxy = transport::ReadProxyConfig(module.c_str());
    return reinterpret_cast<host::Word>(transport::Exchange(Carrier(), request, proxy));
}

host::Word FreeHttpRequestStruct(host::Word, host::Word lParam) {
    transport::ReleaseReply(reinterpret_cast<host::HttpReply*>(lParam));
    return 1;
}

host::Word CloseHandle(host::Word wParam, host::Word) {
    std::lock_guard<std::mutex> lock(g_netlibMutex);
    return g_users.erase(static_cast<uintptr_t>(wParam) - kUserBase) ? 1 : 0;
}

}  // namespace

void RegisterNetlibServices() {
    {
        std::lock_guard<std::mutex> lock(g_netlibMutex);
        g_requests.clear();
        g_users.clear();
    }
    const host::PluginLink* link = Link();
    link->CreateServiceFunction("Netlib/RegisterUser", RegisterUser);
    link->CreateServiceFunction("Netlib/HttpTransaction", HttpTransaction);
    link->CreateServiceFunction("Netlib/FreeHttpRequestStruct", FreeHttpRequestStruct);
    link->CreateServiceFunction("Netlib/CloseHandle", CloseHandle);
}

std::vector<std::string> NetlibRequests() {
    std::lock_guard<std::mutex> lock(g_netlibMutex);
    return g_requests;
}

int NetlibUsersOpen() {
    std::lock_guard<std::mutex> lock(g_netlibMutex);
    return static_cast<int>(g_users.size());
}

}  // namespace standin
