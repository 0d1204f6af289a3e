// Collects log entries without their time stamps while alive.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "shell/Log.h"

namespace scripttest {

class LogCapture {
public:
    LogCapture() { logging::SetObserver(&LogCapture::Take, this); }
    ~LogCapture() { logging::SetObserver(nullptr, nullptr); }

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
    bool Has(const std::string& entry) const {
        for (const std::string& e : Entries()) {
            if (e == entry) return true;
        }
        return false;
    }
    size_t Count(const std::string& entry) const {
        size_t n = 0;
        for (const std::string& e : Entries()) n += e == entry;
        return n;
    }
    void Clear() {
        std::lock_guard<std::mutex> lock(mutex_);
        entries_.clear();
    }

private:
    static void Take(const char* entry, void* context) {
        LogCapture* self = static_cast<LogCapture*>(context);
        std::string e = entry;
        // The stamp is 24 characters and four blanks.
        e = e.size() >= 28 ? e.substr(28) : e;
        std::lock_guard<std::mutex> lock(self->mutex_);
        self->entries_.push_back(e);
    }
    mutable std::mutex mutex_;
    std::vector<std::string> entries_;
};

}  // namespace scripttest
