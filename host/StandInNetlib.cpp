// Placeholder until the stand-in's network library lands: no Netlib services.
#include "StandIn.h"

namespace standin {

void RegisterNetlibServices() {}
std::vector<std::string> NetlibRequests() { return {}; }
int NetlibUsersOpen() { return 0; }

}  // namespace standin
