// One HTTP exchange. The system's Internet library carries it when it is
// complete (WinInet on Windows, libcurl elsewhere); otherwise the host's
// network library does, through "Netlib/HttpTransaction".
#pragma once

#include "shell/HostRecords.h"

namespace transport {

using host::HttpHeader;
using host::HttpReply;
using host::HttpRequest;

// Binds the system's Internet library; 0 when it will carry requests,
// -1 when the host's network library must.
int LoadWinInet();
// The same with another library in its place (tests bind stand-ins); null
// means the system's own ("WinInet.dll", or libcurl off Windows).
int LoadWinInet(const char* library);
// Whether LoadWinInet succeeded.
bool UsingWinInet();

// The network user registered with the host; the fallback carrier uses it.
void SetNetlibUser(host::Handle user);
host::Handle NetlibUser();

// Performs one exchange; none when it failed before a reply existed.
// The caller owns the reply and releases it with FreeHttpReply.
HttpReply* HttpTransaction(const HttpRequest* request);
// Gives 1 when the reply was released, 0 when it was not one of ours.
int FreeHttpReply(HttpReply* reply);

// For tests of code above the transport: while set, every transaction goes
// to `carrier` (its replies are released through `release`).
struct Override {
    HttpReply* (*carrier)(const HttpRequest* request, void* context);
    void (*release)(HttpReply* reply, void* context);
    void* context;
};
void SetOverride(const Override* override);

// What a reply may hold at most; anything beyond ends the read with a log line.
constexpr int kMaxBodyBytes = 32 * 1024 * 1024;
constexpr int kMaxHeaderBytes = 300 * 1024;

// Time-outs of both carriers in milliseconds; 0 leaves the library's own.
// libcurl has none of its own, so it gets WinInet's defaults instead.
struct Timeouts {
    long connectMs;
    long receiveMs;
};
constexpr Timeouts kDefaultTimeouts{0, 0};
void SetTimeouts(const Timeouts& timeouts);
Timeouts CurrentTimeouts();

}  // namespace transport
