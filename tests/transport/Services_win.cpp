#include <cstdlib>
#include <fstream>
#include <sstream>

#include "Services.h"

namespace testsvc {
namespace {

// A Linux path seen from Wine: drive Z: is the root folder.
std::string WinePath(const std::string& path) { return (!path.empty() && path[0] == '/') ? "Z:" + path : path; }

int ReadPort(const std::string& file) { return std::atoi(ReadWholeFile(file).c_str()); }

}  // namespace

const Services* Get(std::string* why) {
    static Services services;
    static bool read = false;
    if (!read) {
        read = true;
        const char* dir = std::getenv("PARLET_SERVICES");
        if (dir && *dir) {
            std::string base = WinePath(dir);
            int plain = ReadPort(base + "/plain.port"), tls = ReadPort(base + "/tls.port");
            if (plain > 0 && tls > 0) {
                services.plain = "http://127.0.0.1:" + std::to_string(plain);
                services.tls = "https://127.0.0.1:" + std::to_string(tls);
            }
            services.proxyPort = ReadPort(base + "/proxy.port");
            services.authProxyPort = ReadPort(base + "/authproxy.port");
            services.hostilePort = ReadPort(base + "/hostile.port");
            services.proxyLog = base + "/proxy.log";
            services.authProxyLog = base + "/authproxy.log";
        }
    }
    if (services.plain.empty() || services.proxyPort == 0) {
        if (why) *why = "PARLET_SERVICES names no running services (the ctest fixture starts them)";
        return nullptr;
    }
    return &services;
}

void Shutdown() {}

}  // namespace testsvc
