// What of a request record the Internet library is given: the verb, the
// extra header text, the referrer and the agent. No other header of the
// record is sent, but those a gateway file wrote itself.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "shell/HostRecords.h"
#include "transport/Reply.h"

namespace transport {

constexpr const char* kDefaultAgent = "ZUVE_ROV";
constexpr const char* kFormContentType = "Content-Type: application/x-www-form-urlencoded";

struct RequestPlan {
    const char* verb = nullptr;  // none: the library's default (GET)
    std::string extraHeaders;    // lines joined by "\n"
    std::optional<std::string> referrer;
    std::string agent = kDefaultAgent;
    // The extra lines end with headers the gateway file wrote itself: both
    // carriers then send every line in WinInet's order (the libcurl carrier
    // writes all of them itself).
    bool fileHeaders = false;
};

// `ownHeaders`: how many of the record's last headers the gateway file
// wrote itself. They follow the extra lines the format makes (Content-Type
// for a POST, Cookie), a repeated name joined into one line; a Content-Type
// among them takes the form type's place in a POST and is not sent with a GET.
RequestPlan PlanRequest(const host::HttpRequest& request, int ownHeaders = 0);

// One line per name: a name that comes again (in any case) adds its value to
// the first one's after ", ", as HTTP allows for a repeated field. WinInet
// keeps only the last line of a repeated name, so both carriers join them.
std::vector<Header> JoinRepeatedNames(const std::vector<Header>& lines);

}  // namespace transport
