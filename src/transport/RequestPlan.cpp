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

// The file's own headers of the record, one line per name; a Content-Type
// among them goes to `contentType`.
std::vector<Header> OwnLines(const host::HttpRequest& request, int first, std::optional<std::string>* contentType) {
    std::vector<Header> lines;
    for (int i = first; i < request.headerCount; ++i) {
        const host::HttpHeader& header = request.headers[i];
        if (!header.name) continue;
        const std::string value = OneLine(header.value ? header.value : "");
        if (SameName(header.name, "Content-Type")) {
            *contentType = value;
        } else {
            lines.push_back({OneLine(header.name), value});
        }
    }
    return JoinRepeatedNames(lines);
}

}  // namespace

std::vector<Header> JoinRepeatedNames(const std::vector<Header>& lines) {
    std::vector<Header> joined;
    for (const Header& line : lines) {
        Header* first = nullptr;
        for (Header& seen : joined) {
            if (!first && SameName(seen.name.c_str(), line.name.c_str())) first = &seen;
        }
        if (first) {
            first->value += ", " + line.value;
        } else {
            joined.push_back(line);
        }
    }
    return joined;
}

RequestPlan PlanRequest(const host::HttpRequest& request, int ownHeaders) {
    RequestPlan plan;
    const bool hasHeaders = request.headers && request.headerCount > 0;
    const int own =
        hasHeaders && ownHeaders > 0 ? (ownHeaders < request.headerCount ? ownHeaders : request.headerCount) : 0;
    const int first = hasHeaders ? request.headerCount - own : 0;
    std::optional<std::string> contentType;
    const std::vector<Header> ownLines = own > 0 ? OwnLines(request, first, &contentType) : std::vector<Header>();
    switch (request.requestType) {
    case host::kHttpGet: plan.verb = "GET"; break;
    case host::kHttpPost:
        plan.verb = "POST";
        plan.extraHeaders = contentType ? "Content-Type: " + *contentType : kFormContentType;
        break;
    case host::kHttpConnect: plan.verb = "CONNECT"; break;
    default: break;
    }

    for (int i = 0; i < first; ++i) {
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
    for (const Header& line : ownLines) AddLine(plan.extraHeaders, line.name + ": " + line.value);
    plan.fileHeaders = own > 0;
    return plan;
}

}  // namespace transport
