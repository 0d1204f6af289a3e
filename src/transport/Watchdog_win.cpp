#include "transport/Watchdog_win.h"

#include <psapi.h>

#include "transport/InFlight.h"
#include "transport/SocketReaper_win.h"

namespace transport {
namespace {
constexpr auto kTick = std::chrono::milliseconds(50);
// How long a closed handle may take to end the call that waits on it.
constexpr auto kGrace = std::chrono::milliseconds(100);
// Growth of the process's working set that ends an exchange still
// waiting for its headers: far beyond what the capped headers may take.
constexpr size_t kHeaderPhaseGrowth = 8u << 20;

// The process's working set (what peak memory is measured in); 0 where
// the system cannot tell.
size_t ProcessMemory() {
    using Query = BOOL(WINAPI*)(HANDLE, PROCESS_MEMORY_COUNTERS*, DWORD);
    static const Query query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "K32GetProcessMemoryInfo")));
    PROCESS_MEMORY_COUNTERS counters{};
    if (!query || !query(GetCurrentProcess(), &counters, sizeof counters)) return 0;
    return counters.WorkingSetSize;
}
}  // namespace

Watchdog::Watchdog(CloseFn close, const Timeouts& timeouts) : close_(close), timeouts_(timeouts), start_(Clock::now()) {
    Activity();
}

Watchdog::~Watchdog() { Stop(); }

void Watchdog::Watch(HINTERNET request, const std::string& peerHost, int peerPort) {
    std::lock_guard<std::mutex> lock(mutex_);
    request_ = request;
    baselineMemory_ = ProcessMemory();
    peerHost_ = peerHost;
    peerPort_ = peerPort;
    if (!registered_) {
        peer_ = peerHost + ":" + std::to_string(peerPort);
        inflight::Begin(peer_);
        registered_ = true;
    }
    if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
}

void Watchdog::HeadersDone() {
    headerBytes_.store(received_.load());
    headersDone_.store(true);
}

void Watchdog::Activity() {
    lastActivityMs_.store(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start_).count());
}

void Watchdog::Received(uint64_t bytes) {
    Activity();
    const uint64_t total = received_.fetch_add(bytes) + bytes;
    const uint64_t limit = headersDone_.load()
                               ? headerBytes_.load() + static_cast<uint64_t>(kMaxBodyBytes) + kReceiveSlackBytes
                               : static_cast<uint64_t>(kMaxHeaderBytes) + kReceiveSlackBytes;
    if (total > limit && !overCap_.exchange(true)) wake_.notify_all();
}

void CALLBACK Watchdog::OnStatus(HINTERNET, DWORD_PTR context, DWORD status, LPVOID info, DWORD length) {
    auto* self = reinterpret_cast<Watchdog*>(context);
    if (!self) return;
    if (status == INTERNET_STATUS_RESPONSE_RECEIVED && info && length >= sizeof(DWORD)) {
        self->Received(*static_cast<const DWORD*>(info));
    } else if (status == INTERNET_STATUS_REQUEST_SENT) {
        self->Activity();
    }
}

bool Watchdog::Due(Clock::time_point now) {
    // The process's memory speaks for this exchange only while no other is in flight.
    const bool alone = inflight::Count() == 1;
    const size_t memory = headersDone_.load() || baselineMemory_ == 0 || !alone ? 0 : ProcessMemory();
    if (overCap_.load() || memory > baselineMemory_ + kHeaderPhaseGrowth) {
        reason_ = headersDone_.load() ? Failure::kBodyTooLarge : Failure::kHeadersTooLarge;
        return true;
    }
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(now - start_).count();
    if (elapsed >= timeouts_.deadlineMs || elapsed - lastActivityMs_.load() >= timeouts_.receiveMs) {
        reason_ = Failure::kTimedOut;
        return true;
    }
    return false;
}

void Watchdog::Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stopping_) {
        if (Due(Clock::now())) {
            closedFlag_.store(true);
            if (request_) close_(request_);
            closed_ = true;
            inflight::Closed(peer_);
            // Where closing the handle does not end a read that is under way
            // (and where the library tries a new connection after a failed
            // one), the sockets to the server are shut until the call returns;
            // but only once no live exchange with that server would lose its
            // connection too (each ends by its own deadline at the latest).
            while (!peerHost_.empty() && !wake_.wait_for(lock, kGrace, [this] { return stopping_; })) {
                if (inflight::AllClosed(peer_)) ShutDownSocketsTo(peerHost_, peerPort_);
            }
            return;
        }
        wake_.wait_for(lock, kTick);
    }
}

bool Watchdog::Stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
    if (registered_) {
        inflight::End(peer_, closed_);
        registered_ = false;
    }
    if (timedOut_.load() && !closed_) reason_ = Failure::kTimedOut;
    return closed_ || timedOut_.load();
}

}  // namespace transport
