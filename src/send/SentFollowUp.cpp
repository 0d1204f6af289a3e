#include "send/SentFollowUp.h"

#include "send/Delivery.h"

SentThrough SentThroughRun(const std::string& name, const std::string& path, const script::RunDetail&) {
    SentThrough through;
    through.name = name;
    through.path = path;
    return through;
}

std::string CreditAfterSend(const SentThrough& through, std::atomic<int>* abortFlag) {
    std::optional<credit::Reading> reading = through.credit ? through.credit : credit::Read(through.path, abortFlag);
    if (!reading) return sendtext::kSent;  // the gateway tells no credit
    credit::Record(through.name, through.path, *reading);
    return credit::SentStatus(*reading);
}

void WatchDelivery(const SentThrough& through, const SendRequest& request, const SendResult& result) {
    delivery::Sent sent;
    sent.gatewayName = through.name;
    sent.gatewayPath = through.path;
    sent.messageId = through.messageId;
    sent.prefix = result.prefix;
    sent.number = result.number;
    sent.contact = request.historyContact;
    sent.text = result.sentText;
    sent.charset = result.charset;
    delivery::Watch(sent);
}
