#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "Hostile.h"
#include "Provider.h"
#include "Services.h"

namespace testsvc {
namespace {

Services g_services;
bool g_started = false;
std::string g_failure;
std::string g_dir;
provider::Server* g_plain = nullptr;
provider::Server* g_tls = nullptr;
hostile::Server* g_hostile = nullptr;

std::string Script() { return PARLET_SERVICES_SCRIPT; }

bool StartAll() {
    // The system's own proxy settings must not send loopback requests elsewhere.
    for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"}) {
        unsetenv(name);
    }
    g_dir = (std::filesystem::temp_directory_path() / ("parlet-h3-" + std::to_string(getpid()))).string();
    std::filesystem::create_directories(g_dir);
    std::string cert = g_dir + "/cert.pem", key = g_dir + "/key.pem";
    std::string openssl = "openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=parlet-test -keyout '" + key +
                          "' -out '" + cert + "' >/dev/null 2>&1";
    if (std::system(openssl.c_str()) != 0) {
        g_failure = "openssl could not make a certificate";
        return false;
    }
    provider::Options options;
    g_plain = provider::Start(options, &g_failure);
    options.tlsCert = cert;
    options.tlsKey = key;
    g_tls = provider::Start(options, &g_failure);
    g_hostile = hostile::Start(0);
    if (!g_plain || !g_tls || !g_hostile) return false;
    g_services.hostilePort = hostile::Port(g_hostile);
    g_services.plain = "http://127.0.0.1:" + std::to_string(provider::Port(g_plain));
    g_services.tls = "https://127.0.0.1:" + std::to_string(provider::Port(g_tls));

    std::string proxies = "bash '" + Script() + "' proxies '" + g_dir + "'";
    if (std::system(proxies.c_str()) != 0) {
        g_failure = "tinyproxy could not be started";
        return false;
    }
    g_services.proxyPort = std::atoi(ReadWholeFile(g_dir + "/proxy.port").c_str());
    g_services.authProxyPort = std::atoi(ReadWholeFile(g_dir + "/authproxy.port").c_str());
    g_services.proxyLog = g_dir + "/proxy.log";
    g_services.authProxyLog = g_dir + "/authproxy.log";
    return g_services.proxyPort > 0 && g_services.authProxyPort > 0;
}

}  // namespace

const Services* Get(std::string* why) {
    if (!g_started) {
        g_started = true;
        if (!StartAll()) g_services = Services{};
    }
    if (g_services.plain.empty() || g_services.proxyPort == 0) {
        if (why) *why = g_failure;
        return nullptr;
    }
    return &g_services;
}

void Shutdown() {
    if (!g_dir.empty()) {
        std::string stop = "bash '" + Script() + "' stop '" + g_dir + "'";
        if (std::system(stop.c_str()) != 0) {
            // Nothing more to do: the proxies die with the test machine's session.
        }
        std::error_code ignored;
        std::filesystem::remove_all(g_dir, ignored);
    }
    provider::Stop(g_plain);
    provider::Stop(g_tls);
    hostile::Stop(g_hostile);
    g_plain = g_tls = nullptr;
    g_hostile = nullptr;
}

}  // namespace testsvc
