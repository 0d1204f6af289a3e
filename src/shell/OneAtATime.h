// One background job of a kind at a time, which shut-down asks to end and
// waits for: the outbox's retry, the Credit page's reading.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>

namespace job {

class OneAtATime {
public:
    // Marks a job as started, its abort flag cleared; false while one runs.
    bool Claim() {
        std::lock_guard<std::mutex> lock(mutex_);
        if (running_) return false;
        running_ = true;
        abortFlag_.store(0);
        return true;
    }
    // The job has ended: a waiter goes on.
    void Release() {
        std::lock_guard<std::mutex> lock(mutex_);
        running_ = false;
        ended_.notify_all();
    }
    bool Running() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return running_;
    }
    void WaitForEnd() {
        std::unique_lock<std::mutex> lock(mutex_);
        ended_.wait(lock, [this] { return !running_; });
    }
    // Asks the job under way to end, and waits until it has.
    void Stop() {
        abortFlag_.store(1);
        WaitForEnd();
    }
    // The flag the job's send or run watches (1: end now).
    std::atomic<int>& abortFlag() { return abortFlag_; }

private:
    mutable std::mutex mutex_;
    std::condition_variable ended_;
    bool running_ = false;
    std::atomic<int> abortFlag_{0};
};

// The thread of the last background job, joined before the next starts and
// at unload: when the job says it has ended, its thread still runs its last
// steps in the plug-in's code, which the host may unload right after.
// Started and joined on one thread (the interface thread).
class LastThread {
public:
    ~LastThread() {
        if (thread_.joinable()) thread_.detach();
    }
    template <typename... Args>
    void Start(Args&&... args) {
        Join();
        thread_ = std::thread(std::forward<Args>(args)...);
    }
    void Join() {
        if (thread_.joinable()) thread_.join();
    }

private:
    std::thread thread_;
};

}  // namespace job
