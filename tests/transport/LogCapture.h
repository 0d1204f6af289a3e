// Collects every log entry written while it lives.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "shell/Log.h"

namespace testx {

class LogCapture {
public:
    LogCapture() { logging::SetObserver(&LogCapture::Take, this); }
    ~LogCapture() { logging::SetObserver(nullptr, nullptr); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    // Entries whose text (after the time stamp) contains `part`.
    int Count(const std::string& part) const {
        std::lock_guard<std::mutex> lock(mutex_);
        int n = 0;
        for (const auto& e : entries_) n += e.find(part) != std::string::npos;
        return n;
    }
    std::string All() const {
        std::lock_guard<std::mutex> lock(mutex_);
        std::string all;
        for (const auto& e : entries_) all += e;
        return all;
    }

private:
    static void Take(const char* entry, void* context) {
        auto* self = static_cast<LogCapture*>(context);
        std::lock_guard<std::mutex> lock(self->mutex_);
        self->entries_.emplace_back(entry);
    }
    mutable std::mutex mutex_;
    std::vector<std::string> entries_;
};

}  // namespace testx
