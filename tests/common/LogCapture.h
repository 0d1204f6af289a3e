// Collects log entries, without their time stamps, while alive.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "shell/Log.h"

namespace testutil {

class LogCapture {
public:
    LogCapture() { logging::SetObserver(&LogCapture::Take, this); }
    ~LogCapture() { logging::SetObserver(nullptr, nullptr); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    // Entries in order, the "Wed Dec 19 02:21:12 2007    " stamp removed.
    std::vector<std::string> Entries() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return entries_;
    }
    std::string Text() const {
        std::string all;
        for (const std::string& e : Entries()) all += e;
        return all;
    }
    bool Has(const std::string& entry) const { return Count(entry) > 0; }
    // Entries equal to `entry`.
    size_t Count(const std::string& entry) const {
        size_t n = 0;
        for (const std::string& e : Entries()) n += e == entry;
        return n;
    }
    // Entries that contain `part`.
    int CountContaining(const std::string& part) const {
        int n = 0;
        for (const std::string& e : Entries()) n += e.find(part) != std::string::npos;
        return n;
    }
    void Clear() {
        std::lock_guard<std::mutex> lock(mutex_);
        entries_.clear();
    }

private:
    static void Take(const char* entry, void* context) {
        auto* self = static_cast<LogCapture*>(context);
        std::string e = entry;
        constexpr size_t kStamp = 28;   // 24 characters of time and four blanks
        if (e.size() >= kStamp) e.erase(0, kStamp);
        std::lock_guard<std::mutex> lock(self->mutex_);
        self->entries_.push_back(std::move(e));
    }
    mutable std::mutex mutex_;
    std::vector<std::string> entries_;
};

}  // namespace testutil
