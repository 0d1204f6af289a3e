// The catalogue scan's time on either build (the Windows one under Wine,
// where Google Benchmark is not at hand): makes a folder of 1,000 copies of
// the demo gateways, then times scans of it and plain reads of its files.
//   catalogue_scan_time DEMO_FOLDER [ROUNDS]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "StandIn.h"
#include "catalogue/Catalogue.h"
#include "catalogue/GatewayFolder.h"

namespace {

constexpr int kFiles = 1000;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); }

// Reads every file whole, as cat would; gives the bytes read.
size_t ReadAll(const std::vector<std::string>& paths) {
    size_t total = 0;
    char buffer[65536];
    for (const std::string& path : paths) {
        FILE* f = std::fopen(path.c_str(), "rb");
        if (!f) continue;
        while (size_t n = std::fread(buffer, 1, sizeof buffer, f)) total += n;
        std::fclose(f);
    }
    return total;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: catalogue_scan_time DEMO_FOLDER [ROUNDS]\n");
        return 2;
    }
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 20;
    std::vector<std::string> texts;
    for (const char* name : {"quicksms.ini", "websms.ini"}) {
        std::ifstream in(std::string(argv[1]) + "/" + name, std::ios::binary);
        texts.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    const auto folder = std::filesystem::temp_directory_path() / "parlet-catalogue-scan-time";
    std::filesystem::create_directories(folder);
    std::vector<std::string> paths;
    for (int i = 0; i < kFiles; ++i) {
        paths.push_back((folder / ("gateway" + std::to_string(i) + ".ini")).string());
        std::ofstream(paths.back(), std::ios::binary) << texts[static_cast<size_t>(i) % texts.size()];
    }
    standin::Reset();
    SetGatewayFolder(folder.string());
    CreateCatalogue();
    ScanGateways();  // once to warm the caches
    auto t = Clock::now();
    for (int i = 0; i < rounds; ++i) ScanGateways();
    const double scan = Seconds(t) / rounds;
    t = Clock::now();
    size_t bytes = 0;
    for (int i = 0; i < rounds; ++i) bytes = ReadAll(paths);
    const double read = Seconds(t) / rounds;
    std::printf("%d gateways, %zu bytes: scan %.1f ms (%.0f us a file), reading the files %.1f ms, ratio %.2f\n",
                CountGateways(), bytes, scan * 1e3, scan * 1e6 / kFiles, read * 1e3, scan / read);
    FreeCatalogue();
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return CountGateways() == 0 ? 0 : 1;
}
