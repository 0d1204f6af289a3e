// Where a request goes: the parts of its URL that the Internet library's
// connect and open-request calls take.
#pragma once

#include <string>

namespace transport {

constexpr int kHttpPort = 80;
constexpr int kHttpsPort = 443;

struct UrlParts {
    std::string host;
    int port = kHttpPort;
    std::string path = "/";  // the query included
    bool secure = false;
};

// The path as both carriers put it on the request line: blanks, control
// bytes and bytes from 0x7F up as "%XX" (so no library and no code page
// can send them differently), everything else as it stands, "#" included.
std::string WireTarget(const std::string& path);

// Only the URL's own scheme makes a request secure: "https" elsewhere in the
// URL (say in its query) does not.
UrlParts SplitUrl(const char* url);

}  // namespace transport
