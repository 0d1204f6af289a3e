#include <cctype>
#include <cstdio>
#include <string>

#include "shell/Settings.h"
#include "transport/Carrier.h"

namespace transport {

ProxyConfig ReadProxyConfig(const char* module) {
    ProxyConfig config;
    auto use = settings::ReadByte("NLUseProxy", nullptr, module);
    if (!use || *use == 0) return config;

    config.apply = true;
    config.accessType = kAccessPreconfig;
    if (auto server = settings::ReadText("NLProxyServer", nullptr, module)) {
        auto port = settings::ReadWord("NLProxyPort", nullptr, module);
        if (port && *port > 0) {
            char text[4096];
            std::snprintf(text, sizeof text, "%s:%d", server->c_str(), static_cast<int>(*port));
            config.proxy = text;
            config.accessType = kAccessNamedProxy;
        }
    }
    config.user = settings::ReadText("NLProxyAuthUser", nullptr, module);
    config.password = settings::ReadText("NLProxyAuthPassword", nullptr, module);
    return config;
}

namespace {

bool SameText(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

bool EntryMatches(const std::string& host, const std::string& entry) {
    if (entry.empty()) return false;
    if (SameText(entry, "<local>")) return host.find('.') == std::string::npos;
    if (entry[0] != '*') return SameText(host, entry);
    if (entry.size() < 3 || entry[1] != '.') return false;
    // "*.a.b": a host below a.b, ending at a dot boundary; a.b itself is not.
    const std::string domain = entry.substr(1);  // ".a.b"
    return host.size() > domain.size() && SameText(host.substr(host.size() - domain.size()), domain);
}

}  // namespace

bool BypassesProxy(const std::string& host, const std::string& list) {
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find_first_of("; ", start);
        if (end == std::string::npos) end = list.size();
        if (EntryMatches(host, list.substr(start, end - start))) return true;
        start = end + 1;
    }
    return false;
}

}  // namespace transport
