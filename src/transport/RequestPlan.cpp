#include "transport/RequestPlan.h"

#include <cstring>

#include "shell/Text.h"

namespace transport {
namespace {

bool SameName(const char* name, const char* expected) {
    size_t length = std::strlen(name);
    return length == std::strlen(expected) && FindNoCase(name, length, expected) == 0;
}

void AddLine(std::string& text, const std::string& line) {
    if (!text.empty()) text += '\n';
    text += line;
}

// A line break inside a value would start a header of its own.
std::string OneLine(const char* value) {
    std::string line;
    for (const char* p = value; *p; ++p) {
        if (*p != '\r' && *p != '\n') line += *p;
    }
    return line;
}

}  // namespace

RequestPlan PlanRequest(const host::HttpRequest& request) {
    RequestPlan plan;
    switch (request.requestType) {
    case host::kHttpGet: plan.verb = "GET"; break;
    case host::kHttpPost:
        plan.verb = "POST";
        plan.extraHeaders = kFormContentType;
        break;
    case host::kHttpConnect: plan.verb = "CONNECT"; break;
    default: break;
    }

    if (!request.headers || request.headerCount <= 0) return plan;
    for (int i = 0; i < request.headerCount; ++i) {
        const host::HttpHeader& header = request.headers[i];
        if (!header.name) continue;
        std::string value = OneLine(header.value ? header.value : "");
        if (SameName(header.name, "Referer")) {
            plan.referrer = value;
        } else if (SameName(header.name, "User-Agent")) {
            plan.agent = value;
        } else if (SameName(header.name, "Cookie")) {
            AddLine(plan.extraHeaders, OneLine(header.name) + ": " + value);
        }
    }
    return plan;
}

}  // namespace transport
