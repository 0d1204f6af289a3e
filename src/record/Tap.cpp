#include "record/Tap.h"

#include <chrono>

#include "record/Wire.h"

namespace record {

host::HttpReply* NetworkCarrier::Carry(const host::HttpRequest& request, int ownHeaders, const har::Request&) {
    return transport::CarrierTransaction(&request, ownHeaders);
}

void NetworkCarrier::Release(host::HttpReply* reply) { transport::FreeCarrierReply(reply); }

Tap::Tap(Carrier* carrier, std::vector<ExchangeObserver*> observers)
    : carrier_(carrier), observers_(std::move(observers)), override_{Exchange, Release, this} {
    transport::SetOverride(&override_);
}

Tap::~Tap() { transport::SetOverride(nullptr); }

host::HttpReply* Tap::Exchange(const host::HttpRequest* request, int ownHeaders, void* context) {
    Tap* tap = static_cast<Tap*>(context);
    if (!request) return nullptr;
    const har::Request wire = WireRequest(*request, ownHeaders);
    for (ExchangeObserver* o : tap->observers_) o->Sending(wire);
    const auto start = std::chrono::steady_clock::now();
    host::HttpReply* reply = tap->carrier_->Carry(*request, ownHeaders, wire);
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    const har::Response response = RecordedResponse(reply);
    for (ExchangeObserver* o : tap->observers_) o->Received(wire, response, took.count());
    return reply;
}

void Tap::Release(host::HttpReply* reply, void* context) { static_cast<Tap*>(context)->carrier_->Release(reply); }

}  // namespace record
