// parlet-hostile: the misbehaving server as a program of its own, for the
// Windows tests and the hostile-reply measurements.
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "Hostile.h"

namespace {
std::atomic<bool> g_stop{false};
void OnSignal(int) { g_stop = true; }
}  // namespace

int main(int argc, char** argv) {
    int port = 0;
    std::string portFile;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string arg = argv[i];
        if (arg == "--port") {
            port = std::atoi(argv[i + 1]);
        } else if (arg == "--port-file") {
            portFile = argv[i + 1];
        } else {
            std::fprintf(stderr, "usage: parlet-hostile [--port N] [--port-file F]\n");
            return 2;
        }
    }
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    hostile::Server* server = hostile::Start(port);
    if (!server) {
        std::fprintf(stderr, "parlet-hostile: cannot listen\n");
        return 1;
    }
    if (!portFile.empty()) {
        std::string temporary = portFile + ".tmp";
        { std::ofstream(temporary) << hostile::Port(server) << "\n"; }
        std::rename(temporary.c_str(), portFile.c_str());
    }
    while (!g_stop) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    hostile::Stop(server);
    return 0;
}
