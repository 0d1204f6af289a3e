// A transport that answers from memory, for tests of the send job: each
// request is recorded with its decoded "text" and "user" parameters, and a
// rule decides whether the provider takes it.
#pragma once

#include <cstdlib>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "transport/Http.h"

namespace testutil {

struct FakeRequest {
    std::string url;
    std::string host;   // between "://" and the next "/"
    std::string user;   // decoded "user" parameter
    std::string text;   // decoded "text" parameter
};

inline std::string FormDecode(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '+') {
            out += ' ';
        } else if (s[i] == '%' && i + 2 < s.size()) {
            out += static_cast<char>(std::strtol(s.substr(i + 1, 2).c_str(), nullptr, 16));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

inline std::string QueryParam(const std::string& url, const std::string& name) {
    size_t q = url.find('?');
    if (q == std::string::npos) return "";
    std::string query = "&" + url.substr(q + 1);
    size_t at = query.find("&" + name + "=");
    if (at == std::string::npos) return "";
    size_t start = at + name.size() + 2;
    size_t end = query.find('&', start);
    return FormDecode(query.substr(start, end == std::string::npos ? std::string::npos : end - start));
}

class FakeCarrier {
public:
    // Gives true when the provider takes the request.
    using Rule = std::function<bool(const FakeRequest&)>;

    explicit FakeCarrier(Rule rule) : rule_(std::move(rule)) {
        override_ = {&FakeCarrier::Carry, &FakeCarrier::Release, this};
        transport::SetOverride(&override_);
    }
    ~FakeCarrier() { transport::SetOverride(nullptr); }

    std::vector<FakeRequest> Requests() {
        std::lock_guard<std::mutex> lock(mutex_);
        return requests_;
    }
    void SetRule(Rule rule) {
        std::lock_guard<std::mutex> lock(mutex_);
        rule_ = std::move(rule);
    }
    // Runs once a request has arrived, before it is answered.
    void OnRequest(std::function<void()> hook) {
        std::lock_guard<std::mutex> lock(mutex_);
        hook_ = std::move(hook);
    }

private:
    static char* Copy(const std::string& s) {
        char* out = static_cast<char*>(std::malloc(s.size() + 1));
        std::memcpy(out, s.c_str(), s.size() + 1);
        return out;
    }

    static host::HttpReply* Carry(const host::HttpRequest* request, void* context) {
        auto* self = static_cast<FakeCarrier*>(context);
        FakeRequest seen;
        seen.url = request->url ? request->url : "";
        size_t scheme = seen.url.find("://");
        size_t hostStart = scheme == std::string::npos ? 0 : scheme + 3;
        seen.host = seen.url.substr(hostStart, seen.url.find('/', hostStart) - hostStart);
        seen.user = QueryParam(seen.url, "user");
        seen.text = QueryParam(seen.url, "text");
        Rule rule;
        std::function<void()> hook;
        {
            std::lock_guard<std::mutex> lock(self->mutex_);
            self->requests_.push_back(seen);
            rule = self->rule_;
            hook = self->hook_;
        }
        if (hook) hook();
        bool taken = rule ? rule(seen) : true;
        auto* reply = static_cast<host::HttpReply*>(std::calloc(1, sizeof(host::HttpReply)));
        reply->size = 44;
        reply->status = taken ? 200 : 500;
        reply->statusText = Copy(taken ? "OK" : "Internal Server Error");
        std::string body = taken ? "Message accepted" : "Sorry";
        reply->body = Copy(body);
        reply->bodyLength = static_cast<int>(body.size());
        return reply;
    }

    static void Release(host::HttpReply* reply, void*) {
        if (!reply) return;
        std::free(reply->statusText);
        std::free(reply->body);
        std::free(reply);
    }

    std::mutex mutex_;
    Rule rule_;
    std::function<void()> hook_;
    std::vector<FakeRequest> requests_;
    transport::Override override_{};
};

}  // namespace testutil
