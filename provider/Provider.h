// The test provider: a small web server that plays SMS providers for the
// transport's and the runner's tests, and for the demo. Every message it
// accepts goes into its outbox.
#pragma once

#include <string>
#include <vector>

namespace provider {

struct Options {
    int port = 0;                     // 0: a free port
    std::string address = "127.0.0.1";
    std::string outboxFile;           // JSON lines; none when empty
    std::string tlsCert, tlsKey;      // both set: HTTPS
    bool quiet = true;                // no request lines on stderr
    std::string loginField = "token"; // the login form's hidden field; none when empty (a changed site)
};

struct Message {
    std::string route;                // "api" or "web"
    std::string user;
    std::string to;
    std::string text;
    std::string from;
    std::string network;
};

struct Server;

// Starts serving on a thread of its own; none when the address or the
// certificate cannot be used (the reason in `error`).
Server* Start(const Options& options, std::string* error);
int Port(const Server* server);
bool Secure(const Server* server);
std::vector<Message> Outbox(const Server* server);
void ClearOutbox(Server* server);
// Stops serving and releases the server.
void Stop(Server* server);

// The outbox line of a message (JSON, no line break).
std::string OutboxLine(const Message& message);

}  // namespace provider
