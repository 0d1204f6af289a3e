// A carrier at the HTTP seam (transport::SetOverride) that hands every
// request to a carrier behind it (the real one, or a recording) and shows
// every exchange to its observers: the recorder, the trace, replay. The
// runner above it cannot tell it is there.
#pragma once

#include <vector>

#include "record/Har.h"
#include "transport/Http.h"

namespace record {

// Where the tap sends requests.
class Carrier {
public:
    virtual ~Carrier() = default;
    // The reply to `request` (`wire` is the same request as sent; the last
    // `ownHeaders` headers are the gateway file's own); none when no reply came.
    virtual host::HttpReply* Carry(const host::HttpRequest& request, int ownHeaders, const har::Request& wire) = 0;
    virtual void Release(host::HttpReply* reply) = 0;
};

// The system's carrier: WinInet, libcurl or the host's network library.
class NetworkCarrier : public Carrier {
public:
    host::HttpReply* Carry(const host::HttpRequest& request, int ownHeaders, const har::Request& wire) override;
    void Release(host::HttpReply* reply) override;
};

class ExchangeObserver {
public:
    virtual ~ExchangeObserver() = default;
    // Before the request goes to the carrier.
    virtual void Sending(const har::Request& /*request*/) {}
    // After the reply came (status 0: none did); `ms` is the time it took.
    virtual void Received(const har::Request& /*request*/, const har::Response& /*response*/, double /*ms*/) {}
};

// Sits at the seam from construction to destruction; one at a time.
class Tap {
public:
    Tap(Carrier* carrier, std::vector<ExchangeObserver*> observers);
    ~Tap();
    Tap(const Tap&) = delete;
    Tap& operator=(const Tap&) = delete;

private:
    static host::HttpReply* Exchange(const host::HttpRequest* request, int ownHeaders, void* context);
    static void Release(host::HttpReply* reply, void* context);

    Carrier* carrier_;
    std::vector<ExchangeObserver*> observers_;
    transport::Override override_;
};

}  // namespace record
