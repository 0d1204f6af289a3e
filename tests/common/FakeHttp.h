// A scripted web server behind transport::SetOverride, for tests of the code
// above the transport: every request is recorded with its headers and body,
// and a handler (which the test may swap at any time) decides each reply.
// Handlers run outside the fake's lock, so exchanges may overlap.
#pragma once

#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "shell/HostLink.h"
#include "transport/Http.h"

namespace testutil {

using Headers = std::vector<std::pair<std::string, std::string>>;

struct Answer {
    int status = 200;
    std::string statusText = "OK";
    Headers headers;
    std::string body;
    bool noReply = false;   // the exchange fails before a reply exists
};

inline Answer Ok(std::string body) {
    Answer a;
    a.body = std::move(body);
    return a;
}

struct Sent {
    int requestType;
    unsigned flags;
    std::string url;
    Headers headers;
    std::string body;
    int bodyLength;
    int ownHeaders;  // the last headers, which the gateway file wrote itself

    // The first header so named; "<none>" when there is none.
    std::string Header(const std::string& name) const {
        for (const auto& h : headers) {
            if (h.first == name) return h.second;
        }
        return "<none>";
    }
    // Between "://" and the next "/".
    std::string Host() const {
        const size_t scheme = url.find("://");
        const size_t start = scheme == std::string::npos ? 0 : scheme + 3;
        return url.substr(start, url.find('/', start) - start);
    }
    // The form-decoded value of a query parameter; "" when there is none.
    std::string Param(const std::string& name) const {
        const size_t q = url.find('?');
        const std::string query = q == std::string::npos ? "" : "&" + url.substr(q + 1);
        const size_t at = query.find("&" + name + "=");
        std::string out;
        const size_t start = at == std::string::npos ? query.size() : at + name.size() + 2;
        for (size_t i = start; i < query.size() && query[i] != '&'; ++i) {
            if (query[i] == '+') {
                out += ' ';
            } else if (query[i] == '%' && i + 2 < query.size()) {
                out += static_cast<char>(std::strtol(query.substr(i + 1, 2).c_str(), nullptr, 16));
                i += 2;
            } else {
                out += query[i];
            }
        }
        return out;
    }
};

class FakeHttp {
public:
    using Handler = std::function<Answer(const Sent&)>;

    explicit FakeHttp(Handler handler) : handler_(std::move(handler)) { transport::SetOverride(&override_); }
    ~FakeHttp() { transport::SetOverride(nullptr); }
    FakeHttp(const FakeHttp&) = delete;
    FakeHttp& operator=(const FakeHttp&) = delete;

    void SetHandler(Handler handler) {
        std::lock_guard<std::mutex> lock(mutex_);
        handler_ = std::move(handler);
    }
    std::vector<Sent> Requests() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return sent_;
    }
    // Replies handed out and not released yet.
    int LiveReplies() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return static_cast<int>(owned_.size());
    }

private:
    struct Owned {
        Answer answer;
        std::vector<host::HttpHeader> headers;
        host::HttpReply reply{};
    };

    static host::HttpReply* Carry(const host::HttpRequest* request, int ownHeaders, void* context) {
        auto* self = static_cast<FakeHttp*>(context);
        Sent sent{request->requestType, request->flags, request->url ? request->url : "", {}, {}, request->bodyLength,
                  ownHeaders};
        for (int i = 0; i < request->headerCount; ++i) {
            sent.headers.emplace_back(request->headers[i].name, request->headers[i].value);
        }
        if (request->body) sent.body.assign(request->body, static_cast<size_t>(request->bodyLength));
        Handler handler;
        {
            std::lock_guard<std::mutex> lock(self->mutex_);
            self->sent_.push_back(sent);
            handler = self->handler_;
        }
        auto owned = std::make_unique<Owned>();
        Answer& a = owned->answer = handler(sent);
        if (a.noReply) return nullptr;
        for (auto& h : a.headers) owned->headers.push_back({&h.first[0], &h.second[0]});
        host::HttpReply& r = owned->reply;
        r.size = host::kHttpRecordSize;
        r.status = a.status;
        r.statusText = &a.statusText[0];
        r.headers = owned->headers.empty() ? nullptr : owned->headers.data();
        r.headerCount = static_cast<int>(owned->headers.size());
        r.body = a.body.empty() ? nullptr : &a.body[0];
        r.bodyLength = static_cast<int>(a.body.size());
        std::lock_guard<std::mutex> lock(self->mutex_);
        self->owned_[&r] = std::move(owned);
        return &r;
    }
    // A reply that is not ours is left alone.
    static void Release(host::HttpReply* reply, void* context) {
        auto* self = static_cast<FakeHttp*>(context);
        std::lock_guard<std::mutex> lock(self->mutex_);
        self->owned_.erase(reply);
    }

    mutable std::mutex mutex_;
    Handler handler_;
    std::vector<Sent> sent_;
    std::map<const host::HttpReply*, std::unique_ptr<Owned>> owned_;
    transport::Override override_{&FakeHttp::Carry, &FakeHttp::Release, this};
};

}  // namespace testutil
