#include "transport/Url.h"

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
