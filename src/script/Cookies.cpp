#include <cstring>

#include "script/Extract.h"
#include "shell/Log.h"

namespace script {
namespace {

bool IsSetCookie(const char* name) {
    if (!name) return false;
    static const char kName[] = "set-cookie";
    for (size_t i = 0; i < sizeof kName - 1; ++i) {
        char c = name[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != kName[i]) return false;
    }
    return true;
}

size_t NameLength(const std::string& cookie) {
    size_t eq = cookie.find('=');
    return eq == std::string::npos ? cookie.size() : eq;
}

}  // namespace

int CollectCookies(CookieJar* jar, const host::HttpReply* reply) {
    if (!jar) return 0;
    bool fullLogged = false;
    const int count = reply && reply->headers ? reply->headerCount : 0;
    for (int i = 0; i < count; ++i) {
        const host::HttpHeader& header = reply->headers[i];
        if (!IsSetCookie(header.name)) continue;
        const char* value = header.value ? header.value : "";
        WriteLog(" ! Found a Cookie: %s\n", value);
        std::string cookie(value, std::strcspn(value, ";"));
        cookie.resize(std::strcspn(cookie.c_str(), ","));
        if (cookie.find_first_of("\r\n") != std::string::npos) {
            WriteLog(" - WARNING: Cookie with a line break ignored\n");
            continue;
        }
        const size_t nameLength = NameLength(cookie);
        bool replaced = false;
        for (std::string& held : jar->texts) {
            if (NameLength(held) == nameLength && held.compare(0, nameLength, cookie, 0, nameLength) == 0) {
                held = cookie;
                replaced = true;
                break;
            }
        }
        if (replaced) continue;
        if (jar->texts.size() >= kMaxCookies) {
            // Already full when this reply came: drop new names, keep updating known ones.
            if (!fullLogged) WriteLog(" - Possible problem: We have reached the maximum of cookies\n");
            fullLogged = true;
            continue;
        }
        jar->texts.push_back(cookie);
        if (jar->texts.size() == kMaxCookies) {
            WriteLog(" - Possible problem: We have reached the maximum of cookies\n");
            break;
        }
    }
    WriteLog("OK, %d Cookies now in jar\n", static_cast<int>(jar->texts.size()));
    return static_cast<int>(jar->texts.size());
}

std::string JoinCookies(const CookieJar& jar) {
    std::string joined;
    for (size_t i = 0; i < jar.texts.size(); ++i) {
        if (i) joined += "; ";
        joined += jar.texts[i];
    }
    return joined;
}

bool FindCookie(const CookieJar& jar, const char* name, size_t nameLength, std::string* value) {
    for (const std::string& held : jar.texts) {
        if (NameLength(held) == nameLength && std::memcmp(held.data(), name, nameLength) == 0) {
            if (value) value->assign(held, held.size() > nameLength ? nameLength + 1 : held.size(), std::string::npos);
            return true;
        }
    }
    return false;
}

}  // namespace script
