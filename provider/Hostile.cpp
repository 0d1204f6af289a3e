#include "Hostile.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace hostile {

struct Server {
    int listener = -1;
    int port = 0;
    std::atomic<bool> stop{false};
    std::thread acceptor;
    std::mutex mutex;
    std::vector<std::thread> connections;
};

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kTickMs = 50;

// Waits up to `ms` for the socket to become readable or writable; false
// once the server stops, the hold time is over or the peer has gone.
bool Wait(Server* s, int fd, short events, int ms, Clock::time_point end) {
    pollfd p{fd, events, 0};
    for (int waited = 0; !s->stop && Clock::now() < end; waited += kTickMs) {
        int step = ms - waited < kTickMs ? ms - waited : kTickMs;
        if (ms >= 0 && step <= 0) return true;
        int r = poll(&p, 1, ms < 0 ? kTickMs : step);
        if (r < 0) return false;
        if (r > 0) {
            if (p.revents & (POLLERR | POLLHUP | POLLNVAL)) return false;
            if (events == POLLIN) {
                char probe[4096];
                ssize_t n = recv(fd, probe, sizeof probe, MSG_DONTWAIT);
                if (n == 0) return false;   // the client closed
                continue;                   // whatever else it sends is ignored
            }
            return true;
        }
    }
    return false;
}

bool Send(Server* s, int fd, const std::string& bytes, Clock::time_point end) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        if (!Wait(s, fd, POLLOUT, -1, end)) return false;
        ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return false;
        if (n > 0) sent += static_cast<size_t>(n);
    }
    return true;
}

// The request line's target, or "" when no request arrives in time; the
// whole request line in `line`, and every byte read so far in `head`.
std::string ReadTarget(Server* s, int fd, Clock::time_point end, std::string* line, std::string& head) {
    pollfd p{fd, POLLIN, 0};
    while (!s->stop && Clock::now() < end && head.find("\r\n\r\n") == std::string::npos && head.size() < 65536) {
        if (poll(&p, 1, kTickMs) <= 0) continue;
        char buffer[4096];
        ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) return "";
        head.append(buffer, static_cast<size_t>(n));
    }
    if (head.find("\r\n\r\n") == std::string::npos) return "";
    *line = head.substr(0, head.find("\r\n"));
    size_t start = head.find(' ');
    size_t stop = start == std::string::npos ? start : head.find(' ', start + 1);
    if (stop == std::string::npos) return "";
    return head.substr(start + 1, stop - start - 1);
}

// Closes with a reset instead of an orderly end.
void Reset(int fd) {
    linger hard{1, 0};
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    close(fd);
}

// The rest of a request whose head is in `request`: the body its
// Content-Length announces (at most 1 MB).
void ReadBody(Server* s, int fd, Clock::time_point end, std::string& request) {
    const size_t headEnd = request.find("\r\n\r\n") + 4;
    std::string lower = request.substr(0, headEnd);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const size_t at = lower.find("\r\ncontent-length:");
    const size_t length = at == std::string::npos ? 0 : std::strtoul(lower.c_str() + at + 17, nullptr, 10);
    pollfd p{fd, POLLIN, 0};
    while (!s->stop && Clock::now() < end && request.size() < headEnd + std::min<size_t>(length, 1 << 20)) {
        if (poll(&p, 1, kTickMs) <= 0) continue;
        char buffer[4096];
        ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) return;
        request.append(buffer, static_cast<size_t>(n));
    }
}

void Serve(Server* s, int fd) {
    const Clock::time_point end = Clock::now() + std::chrono::seconds(kHoldSeconds);
    std::string line, head;
    std::string target = ReadTarget(s, fd, end, &line, head);
    std::string path = target.substr(0, target.find('?'));
    if (target.empty() || path == "/silence") {
        Wait(s, fd, POLLIN, -1, end);
    } else if (path == "/drip") {
        size_t at = target.find("ms=");
        int ms = at == std::string::npos ? 250 : std::atoi(target.c_str() + at + 3);
        if (ms < 1) ms = 1;
        if (Send(s, fd, "HTTP/1.1 200 OK\r\nContent-Length: 1000000\r\nContent-Type: text/plain\r\n\r\n", end)) {
            while (Send(s, fd, "a", end) && Wait(s, fd, POLLIN, ms, end)) {
            }
        }
    } else if (path == "/headers") {
        if (Send(s, fd, "HTTP/1.1 200 OK\r\n", end)) {
            std::string lines;
            for (int i = 0; i < 64; ++i) lines += "X-Filler-" + std::to_string(i) + ": " + std::string(100, 'h') + "\r\n";
            while (Send(s, fd, lines, end)) {
            }
        }
    } else if (path == "/status-line") {
        if (Send(s, fd, "HTTP/1.1 200 ", end)) {
            const std::string letters(8192, 's');
            while (Send(s, fd, letters, end)) {
            }
        }
    } else if (path == "/short-body") {
        if (Send(s, fd, "HTTP/1.1 200 OK\r\nContent-Length: 100\r\nContent-Type: text/plain\r\n\r\nabcdefghij", end)) {
            Wait(s, fd, POLLIN, -1, end);
        }
    } else if (path == "/trickle") {
        // A good reply that takes its time: 40 bytes, one each 100 ms.
        if (Send(s, fd, "HTTP/1.1 200 OK\r\nContent-Length: 40\r\nContent-Type: text/plain\r\n\r\n", end)) {
            for (int i = 0; i < 40 && Send(s, fd, std::string(1, static_cast<char>('a' + i % 26)), end) &&
                            (i == 39 || Wait(s, fd, POLLIN, 100, end));
                 ++i) {
            }
        }
    } else if (path == "/reset-body") {
        // A body that breaks off: the connection is reset after 10 of 100 bytes.
        Send(s, fd, "HTTP/1.1 200 OK\r\nContent-Length: 100\r\nContent-Type: text/plain\r\n\r\nabcdefghij", end);
        Wait(s, fd, POLLIN, 200, end);
        Reset(fd);
        return;
    } else if (path == "/reset") {
        // Not a byte of reply: the connection is reset at once.
        Reset(fd);
        return;
    } else if (path == "/raw") {
        // The whole request as it came, head and body, byte for byte.
        ReadBody(s, fd, end, head);
        Send(s, fd, "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(head.size()) +
                        "\r\nConnection: close\r\n\r\n" + head, end);
    } else if (path == "/request-line") {
        const std::string body = line + "\n";
        Send(s, fd, "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) +
                        "\r\nConnection: close\r\n\r\n" + body, end);
    } else {
        Send(s, fd, "HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\nConnection: close\r\n\r\nNot here\n", end);
    }
    close(fd);
}

void AcceptLoop(Server* s) {
    pollfd p{s->listener, POLLIN, 0};
    while (!s->stop) {
        if (poll(&p, 1, kTickMs) <= 0) continue;
        int fd = accept(s->listener, nullptr, nullptr);
        if (fd < 0) continue;
        std::lock_guard<std::mutex> lock(s->mutex);
        s->connections.emplace_back(Serve, s, fd);
    }
}

}  // namespace

Server* Start(int port) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return nullptr;
    int yes = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(fd, 64) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        close(fd);
        return nullptr;
    }
    auto* s = new Server;
    s->listener = fd;
    s->port = ntohs(address.sin_port);
    s->acceptor = std::thread(AcceptLoop, s);
    return s;
}

int Port(const Server* server) { return server ? server->port : 0; }

void Stop(Server* server) {
    if (!server) return;
    server->stop = true;
    server->acceptor.join();
    for (std::thread& t : server->connections) t.join();
    close(server->listener);
    delete server;
}

}  // namespace hostile
