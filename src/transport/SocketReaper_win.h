// The last resort of the WinInet watchdog. Closing a request handle ends
// a blocked call on Windows, but not every WinInet lets go of a socket
// that another thread is reading from (Wine's keeps reading endless
// header lines). Shutting down the sockets connected to the server makes
// every read on them end at once.
#pragma once

#include <string>

namespace transport {

// Shuts down (both ways) every socket of this process that is connected
// to `host`:`port`; gives how many. Every exchange with that server loses
// its connection, so the watchdog calls it only when none of them is live.
int ShutDownSocketsTo(const std::string& host, int port);

}  // namespace transport
