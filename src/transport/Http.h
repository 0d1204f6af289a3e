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
// `ownHeaders`: how many of the record's last headers a gateway file wrote
// itself ("Header%d", "Auth", "ContentType"). The Internet library sends
// them after its own lines (RequestPlan.h); of the others it sends only
// Referer, User-Agent and Cookie. The host's network library and an
// override get the record whole.
HttpReply* HttpTransaction(const HttpRequest* request, int ownHeaders = 0);
// Gives 1 when the reply was released, 0 when it was not one of ours.
int FreeHttpReply(HttpReply* reply);

// For tests of code above the transport: while set, every transaction goes
// to `carrier` (its replies are released through `release`), with the
// count of the record's headers that the gateway file wrote itself.
struct Override {
    HttpReply* (*carrier)(const HttpRequest* request, int ownHeaders, void* context);
    void (*release)(HttpReply* reply, void* context);
    void* context;
};
void SetOverride(const Override* override);
// The carrier itself, past any override: what a wrapper installed as the
// override (a recorder) passes each request on to, and how it releases the
// replies it got there.
HttpReply* CarrierTransaction(const HttpRequest* request, int ownHeaders = 0);
int FreeCarrierReply(HttpReply* reply);

// What a reply may hold at most; anything beyond ends the read with a log line.
constexpr int kMaxBodyBytes = 32 * 1024 * 1024;
constexpr int kMaxHeaderBytes = 300 * 1024;

// Every exchange ends, on both carriers: when the connection is not made
// within connectMs, after receiveMs without a byte sent or received, or at
// deadlineMs after it began, whatever the server does. It then gives no
// reply. A field of 0 or less stands for its default; tests shorten them.
struct Timeouts {
    long connectMs;
    long receiveMs;
    long deadlineMs;
};
constexpr Timeouts kDefaultTimeouts{60 * 1000, 60 * 1000, 120 * 1000};
void SetTimeouts(const Timeouts& timeouts);
Timeouts CurrentTimeouts();

// Bytes an exchange may receive before it is closed: the header cap while
// the headers come, the body cap on top of them afterwards, each with
// room for one more network read.
constexpr long kReceiveSlackBytes = 64 * 1024;

}  // namespace transport
