#include "transport/InFlight.h"

#include <map>
#include <mutex>

namespace transport {
namespace inflight {
namespace {

struct Peer {
    int live = 0;    // in flight, closed or not
    int closed = 0;  // of those, closed by their watchdog
};

std::mutex g_mutex;
std::map<std::string, Peer> g_peers;
int g_count = 0;

}  // namespace

void Begin(const std::string& peer) {
    std::lock_guard<std::mutex> lock(g_mutex);
    ++g_peers[peer].live;
    ++g_count;
}

void Closed(const std::string& peer) {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = g_peers.find(peer);
    if (it != g_peers.end() && it->second.closed < it->second.live) ++it->second.closed;
}

void End(const std::string& peer, bool closed) {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = g_peers.find(peer);
    if (it == g_peers.end()) return;
    --g_count;
    if (closed && it->second.closed > 0) --it->second.closed;
    if (--it->second.live <= 0) g_peers.erase(it);
}

bool AllClosed(const std::string& peer) {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = g_peers.find(peer);
    return it == g_peers.end() || it->second.closed >= it->second.live;
}

int Count() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_count;
}

}  // namespace inflight
}  // namespace transport
