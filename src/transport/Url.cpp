#include "transport/Url.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "shell/Text.h"

namespace transport {

UrlParts SplitUrl(const char* url) {
    UrlParts parts;
    if (!url) return parts;

    const char* hostStart = url;
    if (const char* mark = std::strstr(url, "://")) {
        hostStart = mark + 3;
        size_t schemeLength = static_cast<size_t>(mark - url);
        parts.secure = schemeLength == 5 && FindNoCase(url, schemeLength, "https") == 0;
    }
    parts.port = parts.secure ? kHttpsPort : kHttpPort;

    // A query straight after the host ("http://gw?a=b") ends the host too.
    size_t hostLength = std::strcspn(hostStart, "/?");
    if (hostStart[hostLength] != '\0') {
        parts.path = hostStart + hostLength;
        if (parts.path[0] == '?') parts.path.insert(0, "/");
    }
    parts.host.assign(hostStart, hostLength);

    size_t colon = parts.host.find(':');
    if (colon != std::string::npos) {
        long port = text::ParseDecimal(parts.host.c_str() + colon + 1);
        // Port 0 or out of range is the library's "default port" anyway.
        if (port > 0 && port <= 65535) parts.port = static_cast<int>(port);
        parts.host.resize(colon);
    }
    return parts;
}

namespace {

bool IsSchemeChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.'; }

bool AllDigits(const std::string& s) {
    for (char c : s) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    }
    return true;
}

}  // namespace

bool ReadAddress(const std::string& url, Address* out) {
    const size_t colon = url.find(':');
    if (colon == 0 || colon == std::string::npos || url.compare(colon, 3, "://") != 0) return false;
    if (!std::isalpha(static_cast<unsigned char>(url[0]))) return false;
    for (size_t i = 0; i < colon; ++i) {
        if (!IsSchemeChar(url[i])) return false;
    }
    const size_t start = colon + 3;
    const size_t end = std::min(url.find_first_of("/?#", start), url.size());
    std::string authority = url.substr(start, end - start);
    const size_t at = authority.rfind('@');
    const std::string hostPort = at == std::string::npos ? authority : authority.substr(at + 1);
    // An IPv6 literal holds colons of its own: the port comes after "]".
    size_t portColon = std::string::npos;
    if (!hostPort.empty() && hostPort[0] == '[') {
        const size_t close = hostPort.find(']');
        if (close == std::string::npos) return false;
        if (close + 1 < hostPort.size()) {
            if (hostPort[close + 1] != ':') return false;
            portColon = close + 1;
        }
    } else {
        portColon = hostPort.find(':');
    }
    Address a;
    a.host = text::LowerAscii(hostPort.substr(0, portColon));
    if (portColon != std::string::npos) a.port = hostPort.substr(portColon + 1);
    if (a.host.empty() || !AllDigits(a.port)) return false;
    a.scheme = text::LowerAscii(url.substr(0, colon));
    a.origin = url.substr(0, end);
    a.target = url.substr(end, url.find('#', end) - end);
    if (a.target.empty() || a.target[0] != '/') a.target.insert(0, "/");
    *out = a;
    return true;
}

std::string WireTarget(const std::string& path) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string target;
    target.reserve(path.size());
    for (unsigned char c : path) {
        if (c <= 0x20 || c >= 0x7f) {
            target += '%';
            target += kHex[c >> 4];
            target += kHex[c & 15];
        } else {
            target += static_cast<char>(c);
        }
    }
    return target;
}

}  // namespace transport
