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

// An absolute address read whole, as a browser's recording holds it:
// "scheme://user@host:port/path?query#fragment".
struct Address {
    std::string scheme;  // lower case
    std::string origin;  // "scheme://authority" as written
    std::string host;    // lower case; an IPv6 literal keeps its brackets
    std::string port;    // digits as written, "" when none
    std::string target;  // path and query, "/" first; no fragment
};

// False, touching nothing, when `url` is no "scheme://host..." address (no
// scheme, no "//" right behind it, no host, a port that is no number).
bool ReadAddress(const std::string& url, Address* out);

}  // namespace transport
