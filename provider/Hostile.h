// A loopback server that misbehaves on purpose, for the transport's
// time-out and memory tests: replies that never come, never end, or never
// stop growing. Raw sockets, since a web library would not send them.
#pragma once

namespace hostile {

// What each path does after the request has been read (or, for a client
// that sends no request line the server can read, such as a TLS hello to
// this plain port, nothing at all: it stays silent):
//   /silence         accepts and never answers
//   /drip?ms=N       200, "Content-Length: 1000000", then one byte each N ms (default 250)
//   /headers         a status line, then header lines for ever, as fast as they are taken
//   /status-line     "HTTP/1.1 200 " and then letters for ever, never a line end
//   /short-body      200, "Content-Length: 100", 10 bytes, and the connection held open
//   /request-line    200 and the request line exactly as it came (a web
//                    library would drop a "#" and what follows)
//   anything else    404 and the connection closed
// Every connection ends when the client closes it, when the server stops,
// or after kHoldSeconds at the latest.
constexpr int kHoldSeconds = 900;

struct Server;
// Listens on 127.0.0.1 (port 0: a free one); none when it cannot.
Server* Start(int port);
int Port(const Server* server);
// Ends every connection and releases the server.
void Stop(Server* server);

}  // namespace hostile
