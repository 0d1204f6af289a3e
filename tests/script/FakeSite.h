// A scripted web site behind transport::SetOverride: every request is
// recorded, and a handler decides the reply.
#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "shell/HostLink.h"
#include "transport/Http.h"

namespace scripttest {

using Headers = std::vector<std::pair<std::string, std::string>>;

struct Answer {
    int status = 200;
    std::string statusText = "OK";
    Headers headers;
    std::string body;
    bool noReply = false;   // the transport fails before a reply exists
};

struct Sent {
    int requestType;
    unsigned flags;
    std::string url;
    Headers headers;
    std::string body;
    int bodyLength;
    std::string Header(const std::string& name) const {
        for (const auto& h : headers) {
            if (h.first == name) return h.second;
        }
        return "<none>";
    }
};

class FakeSite {
public:
    using Handler = std::function<Answer(const Sent&)>;
    explicit FakeSite(Handler handler) : handler_(std::move(handler)) {
        override_ = transport::Override{&FakeSite::Carry, &FakeSite::Release, this};
        transport::SetOverride(&override_);
    }
    ~FakeSite() {
        transport::SetOverride(nullptr);
        for (auto& o : owned_) delete o.second;
    }

    std::vector<Sent> Requests() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return sent_;
    }
    int LiveReplies() const { return live_.load(); }

private:
    struct Owned {
        host::HttpReply reply{};
        std::vector<std::string> names, values;
        std::vector<host::HttpHeader> headers;
        std::string body, statusText;
    };

    static host::HttpReply* Carry(const host::HttpRequest* request, void* context) {
        FakeSite* self = static_cast<FakeSite*>(context);
        Sent sent{request->requestType, request->flags, request->url ? request->url : "", {}, {}, request->bodyLength};
        for (int i = 0; i < request->headerCount; ++i) {
            sent.headers.emplace_back(request->headers[i].name, request->headers[i].value);
        }
        if (request->body) sent.body.assign(request->body, static_cast<size_t>(request->bodyLength));
        {
            std::lock_guard<std::mutex> lock(self->mutex_);
            self->sent_.push_back(sent);
        }
        Answer answer = self->handler_(sent);
        if (answer.noReply) return nullptr;
        Owned* owned = new Owned;
        owned->body = answer.body;
        owned->statusText = answer.statusText;
        for (const auto& h : answer.headers) {
            owned->names.push_back(h.first);
            owned->values.push_back(h.second);
        }
        for (size_t i = 0; i < owned->names.size(); ++i) {
            owned->headers.push_back({&owned->names[i][0], &owned->values[i][0]});
        }
        host::HttpReply& r = owned->reply;
        r.size = host::kHttpRecordSize;
        r.status = answer.status;
        r.statusText = &owned->statusText[0];
        r.headers = owned->headers.empty() ? nullptr : owned->headers.data();
        r.headerCount = static_cast<int>(owned->headers.size());
        r.body = answer.body.empty() ? nullptr : &owned->body[0];
        r.bodyLength = static_cast<int>(answer.body.size());
        std::lock_guard<std::mutex> lock(self->mutex_);
        self->owned_[&owned->reply] = owned;
        self->live_++;
        return &owned->reply;
    }
    static void Release(host::HttpReply* reply, void* context) {
        FakeSite* self = static_cast<FakeSite*>(context);
        std::lock_guard<std::mutex> lock(self->mutex_);
        auto it = self->owned_.find(reply);
        if (it == self->owned_.end()) return;   // not ours: a test will see LiveReplies
        delete it->second;
        self->owned_.erase(it);
        self->live_--;
    }

    Handler handler_;
    transport::Override override_{};
    mutable std::mutex mutex_;
    std::vector<Sent> sent_;
    std::map<host::HttpReply*, Owned*> owned_;
    std::atomic<int> live_{0};
};

}  // namespace scripttest
