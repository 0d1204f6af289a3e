#include "record/Replay.h"

#include <algorithm>

#include "record/Compare.h"
#include "record/Scraped.h"
#include "record/Wire.h"
#include "transport/Reply.h"

namespace record {
namespace {

// The field a difference line names ("body field 'token' was ..."), or "".
std::string FieldOf(const std::string& difference) {
    const size_t open = difference.find(" field '");
    if (open == std::string::npos) return {};
    const size_t start = open + 8;
    const size_t close = difference.find('\'', start);
    return close == std::string::npos ? std::string() : difference.substr(start, close - start);
}

// The headers the gateway file wrote itself: the request's last `own`.
HeaderScope FileHeaders(const host::HttpRequest& request, int own) {
    HeaderScope scope;
    scope.all = false;
    for (int i = own > request.headerCount ? 0 : request.headerCount - own; i < request.headerCount; ++i) {
        if (request.headers && request.headers[i].name) scope.names.push_back(request.headers[i].name);
    }
    return scope;
}

// A redacted recording's values cut from replies ("$CustomVar1") are given
// to the run as stand-ins, which its later requests are redacted back from.
void AddStandIns(const har::Response& response, Secrets* secrets) {
    std::vector<std::string> texts{response.statusText, response.content.text, response.redirectURL};
    for (const har::NameValue& h : response.headers) texts.push_back(h.value);
    for (const std::string& text : texts) {
        for (int n : CustomVarNumbers(text)) {
            const std::string placeholder = ScrapedPlaceholder(n);
            const auto known = std::find_if(secrets->scraped.begin(), secrets->scraped.end(),
                                            [&](const auto& s) { return s.first == placeholder; });
            if (known == secrets->scraped.end())
                secrets->scraped.push_back({placeholder, "replayed-CustomVar" + std::to_string(n)});
        }
    }
}

}  // namespace

ReplayCarrier::ReplayCarrier(std::vector<har::Entry> entries, bool ownRun, bool redacted)
    : entries_(std::move(entries)), ownRun_(ownRun), redacted_(redacted) {}

void ReplayCarrier::RunStarted(const char*, const char* user, const char* password, const script::SmsMessage& message) {
    secrets_ = Secrets{user ? user : "", password ? password : "", message.number, message.text, {}};
}

void ReplayCarrier::RequestStarted(int section) { section_ = section; }

void ReplayCarrier::Looked(int section, const script::Lookup& lookup) {
    if (!lookup.found) misses_.push_back({section, lookup});
}

size_t ReplayCarrier::Match(const har::Request& live) const {
    if (ownRun_) return next_;
    for (size_t k = next_; k < entries_.size(); ++k) {
        if (SameTarget(entries_[k].request, live)) return k;
    }
    return entries_.size();
}

// What pages lacked that may explain a changed field: a Key of that very
// field, else every CustomVar and Key that found nothing so far.
std::string ReplayCarrier::Missing(const std::string& field) const {
    auto line = [](const std::pair<int, script::Lookup>& miss) {
        return miss.second.key + " " + miss.second.text + " found nothing in the reply to Request" +
               std::to_string(miss.first);
    };
    for (const auto& miss : misses_) {
        if (miss.second.key.rfind("Key", 0) == 0 && miss.second.text == field) return line(miss);
    }
    std::string why;
    for (const auto& miss : misses_) why += (why.empty() ? "" : "; ") + line(miss);
    return why;
}

host::HttpReply* ReplayCarrier::Carry(const host::HttpRequest& request, int ownHeaders, const har::Request& wire) {
    ReplayStep step;
    step.section = section_;
    step.live = wire;
    if (redacted_) Redact(&step.live, secrets_);
    step.method = step.live.method;
    step.path = PathOf(step.live.url);
    const size_t k = Match(step.live);
    if (k >= entries_.size()) {
        step.differences.push_back(next_ >= entries_.size()
                                       ? "the recording ends after " + std::to_string(entries_.size()) + " requests"
                                       : "the recording holds no such request after entry " + std::to_string(next_));
        steps_.push_back(std::move(step));
        return nullptr;
    }
    step.entry = static_cast<int>(k) + 1;
    step.differences =
        Compare(entries_[k].request, step.live, ownRun_ ? HeaderScope{} : FileHeaders(request, ownHeaders));
    for (const std::string& d : step.differences) {
        step.why = Missing(FieldOf(d));
        if (!step.why.empty()) break;
    }
    next_ = k + 1;
    har::Response response = entries_[k].response;
    if (redacted_) {
        AddStandIns(response, &secrets_);
        Unredact(&response, secrets_);
    }
    step.status = response.status;
    steps_.push_back(std::move(step));
    return ReplayedReply(response);
}

void ReplayCarrier::Release(host::HttpReply* reply) { transport::ReleaseReply(reply); }

const ReplayStep* ReplayCarrier::FirstDivergence() const {
    for (const ReplayStep& s : steps_) {
        if (s.entry == 0 || !s.differences.empty()) return &s;
    }
    return nullptr;
}

}  // namespace record
