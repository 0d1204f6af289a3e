// What of a request record the Internet library is given: the verb, the
// extra header text, the referrer and the agent. No other header is sent.
#pragma once

#include <optional>
#include <string>

#include "shell/HostRecords.h"

namespace transport {

constexpr const char* kDefaultAgent = "ZUVE_ROV";
constexpr const char* kFormContentType = "Content-Type: application/x-www-form-urlencoded";

struct RequestPlan {
    const char* verb = nullptr;  // none: the library's default (GET)
    std::string extraHeaders;    // lines joined by "\n"
    std::optional<std::string> referrer;
    std::string agent = kDefaultAgent;
};

RequestPlan PlanRequest(const host::HttpRequest& request);

}  // namespace transport
