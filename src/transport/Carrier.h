// What the portable transaction code and the stand-in host's network library
// share with the platform carriers (WinInet on Windows, libcurl elsewhere).
#pragma once

#include <optional>
#include <string>

#include "shell/HostRecords.h"

namespace transport {

// The access types of the Internet library's root handle.
constexpr int kAccessPreconfig = 0;
constexpr int kAccessDirect = 1;
constexpr int kAccessNamedProxy = 3;

// A network user's proxy settings, as the host's network options store them.
struct ProxyConfig {
    int accessType = kAccessDirect;
    std::string proxy;                    // "server:port" for a named proxy
    bool apply = false;                   // "NLUseProxy" was on
    std::optional<std::string> user;      // "NLProxyAuthUser"
    std::optional<std::string> password;  // "NLProxyAuthPassword"
};
ProxyConfig ReadProxyConfig(const char* module);

// Whether `host` is on a proxy bypass list, as WinInet reads one: entries
// are separated by ";" or " "; an entry is a host name (any case), "*."
// and a domain that the host lies within, or "<local>" for a host without
// a dot. No port, no other wildcard, no "," between entries.
bool BypassesProxy(const std::string& host, const std::string& list);

// A bound HTTP library; each platform defines its own. Once bound it stays
// loaded for the life of the process.
struct Library;
// The system's own library ("WinInet.dll", or libcurl off Windows).
extern const char* const kDefaultLibrary;

// 0 and the library; -1 when it cannot be loaded; -2 when an entry point is
// missing (its name in `missing`).
int BindLibrary(const char* name, const Library** library, std::string* missing);

// One exchange through a bound library; none when no reply came.
// `ownHeaders`: the record's last headers that a gateway file wrote (PlanRequest).
host::HttpReply* Exchange(const Library* library, const host::HttpRequest* request, const ProxyConfig& proxy,
                          int ownHeaders = 0);

// Sets the system's last error to "invalid parameter".
void SetInvalidParameterError();

}  // namespace transport
