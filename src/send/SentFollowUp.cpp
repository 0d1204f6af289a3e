#include "send/SentFollowUp.h"

#include "script/Inquiry.h"
#include "send/Delivery.h"

SentThrough SentThroughRun(const std::string& name, const std::string& path, const std::optional<std::string>& user,
                           const std::optional<std::string>& password, const script::RunDetail& detail) {
    SentThrough through;
    through.name = name;
    through.path = path;
    through.user = user.value_or("");
    through.password = password;
    // A credit that shows on a page of the send is taken from there, known or not.
    if (script::CreditFromSend(path.c_str())) through.credit = detail.credit;
    through.messageId = detail.messageId;
    return through;
}

std::optional<script::Credit> CreditAfterSend(const SentThrough& through, std::atomic<int>* abortFlag) {
    if (through.credit) return through.credit;
    return credit::Read(through.path, through.user.empty() ? nullptr : through.user.c_str(),
                        through.password ? through.password->c_str() : nullptr, abortFlag);
}

void FollowUp(const SentThrough& through, const std::optional<script::Credit>& credit, const SendRequest& request,
              const SendResult& result) {
    if (credit) credit::Record(through.name, through.path, *credit);
    delivery::Sent sent;
    sent.gatewayName = through.name;
    sent.gatewayPath = through.path;
    sent.messageId = through.messageId;
    sent.user = through.user;
    sent.password = through.password;
    sent.prefix = result.prefix;
    sent.number = result.number;
    sent.contact = request.historyContact;
    sent.text = result.sentText;
    sent.charset = result.charset;
    delivery::Watch(sent);
}
