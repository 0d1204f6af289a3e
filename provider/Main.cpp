// parlet-provider: the test provider as a program of its own, for the
// Windows tests (which cannot start it themselves) and for the demo.
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

#include "Provider.h"

namespace {

std::atomic<bool> g_stop{false};

void OnSignal(int) { g_stop = true; }

constexpr const char* kUsage =
    "usage: parlet-provider [--port N] [--port-file F] [--outbox F] [--address A]\n"
    "                       [--tls-cert F --tls-key F] [--login-field NAME] [--quiet]\n"
    "The test provider of parlet (see docs/test-provider.md). --port 0, the default,\n"
    "takes a free port; a port that is in use is refused (exit 1).\n";

int Usage() {
    std::fputs(kUsage, stderr);
    return 2;
}

// A port number, 0 to 65535, and nothing else; -1 otherwise.
int ParsePort(const char* text) {
    char* end = nullptr;
    long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < 0 || value > 65535) return -1;
    return static_cast<int>(value);
}

}  // namespace

int main(int argc, char** argv) {
    provider::Options options;
    options.quiet = false;
    std::string portFile;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        bool hasValue = i + 1 < argc;
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (arg == "--quiet") {
            options.quiet = true;
        } else if (arg == "--port" && hasValue) {
            options.port = ParsePort(argv[++i]);
        } else if (arg == "--port-file" && hasValue) {
            portFile = argv[++i];
        } else if (arg == "--outbox" && hasValue) {
            options.outboxFile = argv[++i];
        } else if (arg == "--address" && hasValue) {
            options.address = argv[++i];
        } else if (arg == "--tls-cert" && hasValue) {
            options.tlsCert = argv[++i];
        } else if (arg == "--login-field" && hasValue) {
            options.loginField = argv[++i];
        } else if (arg == "--tls-key" && hasValue) {
            options.tlsKey = argv[++i];
        } else {
            return Usage();
        }
    }
    if (options.port < 0 || options.port > 65535) return Usage();

    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    std::string error;
    provider::Server* server = provider::Start(options, &error);
    if (!server) {
        std::fprintf(stderr, "parlet-provider: %s\n", error.c_str());
        return 1;
    }
    int port = provider::Port(server);
    if (!portFile.empty()) {
        // Written whole under another name first, so a reader never sees half a number.
        std::string temporary = portFile + ".tmp";
        { std::ofstream(temporary) << port << "\n"; }
        std::rename(temporary.c_str(), portFile.c_str());
    }
    if (!options.quiet) {
        std::fprintf(stderr, "parlet-provider: serving %s://%s:%d/\n", provider::Secure(server) ? "https" : "http",
                     options.address.c_str(), port);
    }
    while (!g_stop) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    provider::Stop(server);
    return 0;
}
