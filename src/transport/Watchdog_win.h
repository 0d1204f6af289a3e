// Bounds a WinInet exchange that WinInet itself would not end: at the
// deadline, after a silence, or once the bytes WinInet reports received
// pass the header or body cap, a thread of its own closes the request
// handle, and the call that waits on it returns with a failure. Not every
// WinInet reports the bytes of the headers (Wine's does not), so while
// they come, and no other exchange is in flight, the process's own memory
// stands in for the count.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "transport/Failure.h"
#include "transport/Http.h"

namespace transport {

class Watchdog {
public:
    using CloseFn = BOOL(WINAPI*)(HINTERNET);
    Watchdog(CloseFn close, const Timeouts& timeouts);
    ~Watchdog();  // stops watching (Stop)
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    // The handle to close, and the server its socket is connected to (the
    // proxy's when one carries the request); watching starts here.
    void Watch(HINTERNET request, const std::string& peerHost, int peerPort);
    // The headers are in: from now on the body cap applies.
    void HeadersDone();
    // Bytes arrived (the read loop's own count, or the status callback's).
    void Received(uint64_t bytes);
    void Activity();
    // Stops the thread; true when the exchange gives no reply: the thread
    // closed the handle (see Closed) or WinInet's own time-out struck.
    bool Stop();
    Failure Reason() const { return reason_; }
    // WinInet's own time-out struck: the exchange gives no reply either.
    void TimedOut() { timedOut_.store(true); }
    // Whether the handle was closed here (a read that fails then is no fault of the server's).
    bool Closed() const { return closedFlag_.load(); }

    // The status callback for WinInet; the context is the Watchdog.
    static void CALLBACK OnStatus(HINTERNET handle, DWORD_PTR context, DWORD status, LPVOID info, DWORD length);

private:
    using Clock = std::chrono::steady_clock;
    void Run();
    bool Due(Clock::time_point now);

    CloseFn close_;
    Timeouts timeouts_;
    Clock::time_point start_;
    std::atomic<int64_t> lastActivityMs_{0};
    std::atomic<uint64_t> received_{0};
    std::atomic<uint64_t> headerBytes_{0};
    std::atomic<bool> headersDone_{false};
    std::atomic<bool> overCap_{false};
    std::atomic<bool> closedFlag_{false};
    std::atomic<bool> timedOut_{false};
    std::mutex mutex_;
    std::condition_variable wake_;
    HINTERNET request_ = nullptr;
    size_t baselineMemory_ = 0;  // the process's working set when watching began
    std::string peerHost_;
    int peerPort_ = 0;
    std::string peer_;  // "host:port", its name among the exchanges in flight
    bool registered_ = false;
    bool stopping_ = false;
    bool closed_ = false;
    Failure reason_ = Failure::kOther;
    std::thread thread_;
};

}  // namespace transport
