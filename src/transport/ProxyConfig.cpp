#include <cstdio>

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

}  // namespace transport
