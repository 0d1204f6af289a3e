#include "script/RequestHeaders.h"

#include <cstring>

#include "script/Extract.h"
#include "script/profile/NumberedKeys.h"
#include "script/profile/Profile.h"
#include "shell/Text.h"

namespace script {
namespace {

bool EqualsNoCase(const std::string& a, const char* b) {
    const size_t n = std::strlen(b);
    if (a.size() != n) return false;
    for (size_t i = 0; i < n; ++i) {
        if (text::FoldAscii(a[i]) != text::FoldAscii(b[i])) return false;
    }
    return true;
}

bool EndsNoCase(const std::string& a, const char* tail) {
    const size_t n = std::strlen(tail);
    return a.size() >= n && EqualsNoCase(a.substr(a.size() - n), tail);
}

std::string Trimmed(const std::string& s) {
    const size_t first = s.find_first_not_of(" \t");
    if (first == std::string::npos) return std::string();
    return s.substr(first, s.find_last_not_of(" \t") + 1 - first);
}

}  // namespace

const AuthScheme* FindAuthScheme(const std::string& value) {
    for (const AuthScheme& scheme : kAuthSchemes) {
        if (EqualsNoCase(value, scheme.value)) return &scheme;
    }
    return nullptr;
}

std::string AuthorizationValue(const AuthScheme& scheme, const char* user, const char* password) {
    std::string credentials = password ? password : "";
    if (std::strcmp(scheme.value, "basic") == 0) {
        credentials.insert(0, 1, ':');
        credentials.insert(0, user ? user : "");
        credentials = text::Base64(credentials);
    }
    credentials.insert(0, 1, ' ');
    return credentials.insert(0, scheme.scheme);
}

const char* DescribeHeaderFault(HeaderFault fault) {
    switch (fault) {
    case HeaderFault::kNone: return "is fine";
    case HeaderFault::kNoColon: return "has no ':' between name and value";
    case HeaderFault::kBadName: return "has a name that is not an HTTP token (letters, digits, -, _ and no blanks)";
    case HeaderFault::kReservedName:
        return "names a header that has a key of its own or that the carrier writes (Host, Referer, User-Agent, "
               "Cookie, Content-Length, Content-Type)";
    case HeaderFault::kLineBreak: return "holds a line break or a zero byte, which would split the request";
    }
    return "";
}

bool IsHttpToken(const std::string& name) {
    static const char kMarks[] = "!#$%&'*+-.^_`|~";
    if (name.empty()) return false;
    for (char c : name) {
        const bool alnum = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
        if (!alnum && (c == '\0' || !std::strchr(kMarks, c))) return false;
    }
    return true;
}

HeaderFault SplitHeaderLine(const std::string& line, std::string* name, std::string* value) {
    if (line.find_first_of(std::string("\r\n\0", 3)) != std::string::npos) return HeaderFault::kLineBreak;
    const size_t colon = line.find(':');
    if (colon == std::string::npos) return HeaderFault::kNoColon;
    *name = line.substr(0, colon);
    const size_t start = line.find_first_not_of(" \t", colon + 1);
    *value = start == std::string::npos ? std::string() : line.substr(start);
    if (!IsHttpToken(*name)) return HeaderFault::kBadName;
    for (const char* reserved : kReservedHeaderNames) {
        if (EqualsNoCase(*name, reserved)) return HeaderFault::kReservedName;
    }
    return HeaderFault::kNone;
}

BodyKind BodyKindOf(const std::string& contentType) {
    const std::string essence = Trimmed(contentType.substr(0, contentType.find(';')));
    if (essence.empty() || EqualsNoCase(essence, "application/x-www-form-urlencoded")) return BodyKind::kForm;
    if (EqualsNoCase(essence, "application/json") || EndsNoCase(essence, "+json")) return BodyKind::kJson;
    return BodyKind::kVerbatim;
}

bool AsksForJson(const char* path) {
    bool json = false;
    profile::ReadNumbered(
        {"Request"},
        [&](const std::string& section) { return profile::Read(path, section.c_str(), "URL", kValueSize); },
        [&](int, const std::string& section, const std::string&) {
            const std::string type = profile::Read(path, section.c_str(), "Type", kValueSize);
            json = EqualsNoCase(type, "POST") &&
                   BodyKindOf(profile::Read(path, section.c_str(), kContentTypeKey, kValueSize)) == BodyKind::kJson;
            return !json;
        });
    return json;
}

bool IsSecretHeader(const std::string& name) {
    return EqualsNoCase(name, kAuthorizationName) || EqualsNoCase(name, "Proxy-Authorization");
}

std::string HiddenPart(const std::string& value) {
    const size_t blank = value.find(' ');
    return blank == std::string::npos ? value : value.substr(blank + 1);
}

std::string ShownHeaderValue(const std::string& name, const std::string& value) {
    if (!IsSecretHeader(name)) return value;
    return value.substr(0, value.size() - HiddenPart(value).size()) + "***";
}

}  // namespace script
