#include "transport/SocketReaper_win.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <vector>

namespace transport {
namespace {

// Handles are multiples of 4; a process of a messenger keeps well below this.
constexpr uintptr_t kLastHandle = 0x10000;

struct Winsock {
    decltype(&::getpeername) peerName;
    decltype(&::getaddrinfo) resolve;
    decltype(&::freeaddrinfo) release;
    decltype(&::shutdown) shutDown;
};

// ws2_32 is WinInet's own dependency: taken from the process, not linked.
bool Bind(Winsock* w) {
    HMODULE module = GetModuleHandleA("ws2_32.dll");
    if (!module) return false;
    w->peerName =
        reinterpret_cast<decltype(w->peerName)>(reinterpret_cast<void*>(GetProcAddress(module, "getpeername")));
    w->resolve = reinterpret_cast<decltype(w->resolve)>(reinterpret_cast<void*>(GetProcAddress(module, "getaddrinfo")));
    w->release =
        reinterpret_cast<decltype(w->release)>(reinterpret_cast<void*>(GetProcAddress(module, "freeaddrinfo")));
    w->shutDown = reinterpret_cast<decltype(w->shutDown)>(reinterpret_cast<void*>(GetProcAddress(module, "shutdown")));
    return w->peerName && w->resolve && w->release && w->shutDown;
}

bool SamePeer(const sockaddr_storage& peer, const addrinfo* list) {
    for (const addrinfo* a = list; a; a = a->ai_next) {
        if (a->ai_family == AF_INET && peer.ss_family == AF_INET) {
            auto* x = reinterpret_cast<const sockaddr_in*>(&peer);
            auto* y = reinterpret_cast<const sockaddr_in*>(a->ai_addr);
            if (x->sin_port == y->sin_port && x->sin_addr.s_addr == y->sin_addr.s_addr) return true;
        } else if (a->ai_family == AF_INET6 && peer.ss_family == AF_INET6) {
            auto* x = reinterpret_cast<const sockaddr_in6*>(&peer);
            auto* y = reinterpret_cast<const sockaddr_in6*>(a->ai_addr);
            if (x->sin6_port == y->sin6_port && memcmp(&x->sin6_addr, &y->sin6_addr, sizeof x->sin6_addr) == 0)
                return true;
        }
    }
    return false;
}

}  // namespace

int ShutDownSocketsTo(const std::string& host, int port) {
    Winsock w{};
    if (!Bind(&w)) return 0;
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    const std::string service = std::to_string(port);
    if (w.resolve(host.c_str(), service.c_str(), &hints, &list) != 0 || !list) return 0;
    int count = 0;
    for (uintptr_t handle = 4; handle < kLastHandle; handle += 4) {
        sockaddr_storage peer{};
        int size = sizeof peer;
        const SOCKET s = static_cast<SOCKET>(handle);
        if (w.peerName(s, reinterpret_cast<sockaddr*>(&peer), &size) != 0) continue;
        if (!SamePeer(peer, list)) continue;
        if (w.shutDown(s, SD_BOTH) == 0) ++count;
    }
    w.release(list);
    return count;
}

}  // namespace transport
