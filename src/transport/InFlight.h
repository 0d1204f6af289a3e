// The exchanges in flight in this process, per server (the peer their
// sockets are connected to: the proxy's when one carries them). The WinInet
// watchdog asks it before it does anything that reaches beyond its own
// exchange: shutting down sockets, which would end every exchange with
// that server, and judging by the process's memory, which others share.
#pragma once

#include <string>

namespace transport {
namespace inflight {

// An exchange with `peer` begins; End must follow, once.
void Begin(const std::string& peer);
// Its watchdog closed it: it waits only for its call to return.
void Closed(const std::string& peer);
void End(const std::string& peer, bool closed);

// Whether every exchange in flight with `peer` was closed by its watchdog,
// so that no live one loses its connection when the sockets are shut.
bool AllClosed(const std::string& peer);
// The exchanges in flight in the whole process.
int Count();

}  // namespace inflight
}  // namespace transport
