// Scanning a gateway folder of 1,000 definition files (copies of the demo
// gateways, about 2 KB each) beside `cat` reading the same files, alternated
// in one process. The "ratio" counter is scan time over cat's time: what the
// catalogue adds to reading the bytes (a messenger pays it at every start).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "StandIn.h"
#include "catalogue/Catalogue.h"
#include "catalogue/GatewayFolder.h"

extern char** environ;

namespace {

constexpr int kFiles = 1000;

std::vector<std::string> DemoGateways() {
    std::vector<std::string> texts;
    for (const char* name : {"quicksms.ini", "websms.ini"}) {
        std::ifstream in(std::string(PARLET_SOURCE_DIR) + "/gateways/demo/" + name, std::ios::binary);
        texts.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return texts;
}

std::vector<std::string> MakeFolder(const std::filesystem::path& folder) {
    std::filesystem::create_directories(folder);
    const std::vector<std::string> texts = DemoGateways();
    std::vector<std::string> paths;
    for (int i = 0; i < kFiles; ++i) {
        paths.push_back((folder / ("gateway" + std::to_string(i) + ".ini")).string());
        std::ofstream(paths.back(), std::ios::binary) << texts[static_cast<size_t>(i) % texts.size()];
    }
    return paths;
}

// `cat FILE...` with its output thrown away; false when it failed.
bool Cat(const std::vector<std::string>& paths) {
    std::vector<char*> argv{const_cast<char*>("cat")};
    for (const std::string& p : paths) argv.push_back(const_cast<char*>(p.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int error = posix_spawnp(&pid, "cat", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    return error == 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void ScanVersusCat(benchmark::State& state) {
    standin::Reset();
    const auto folder = std::filesystem::temp_directory_path() / ("parlet-catalogue-bench-" + std::to_string(getpid()));
    const std::vector<std::string> paths = MakeFolder(folder);
    SetGatewayFolder(folder.string());
    CreateCatalogue();

    using Clock = std::chrono::steady_clock;
    double scanSeconds = 0, catSeconds = 0;
    bool whole = true;
    int rounds = 0;
    for (auto _ : state) {
        auto t0 = Clock::now();
        whole = ScanGateways() == 0 && CountGateways() == kFiles && whole;
        auto t1 = Clock::now();
        whole = Cat(paths) && whole;
        auto t2 = Clock::now();
        scanSeconds += std::chrono::duration<double>(t1 - t0).count();
        catSeconds += std::chrono::duration<double>(t2 - t1).count();
        ++rounds;
    }
    if (!whole) state.SkipWithError("a scan missed gateways or cat failed");
    state.counters["scan_ms"] = benchmark::Counter(scanSeconds * 1000 / rounds);
    state.counters["cat_ms"] = benchmark::Counter(catSeconds * 1000 / rounds);
    state.counters["us_per_file"] = benchmark::Counter(scanSeconds * 1e6 / rounds / kFiles);
    state.counters["ratio"] = benchmark::Counter(scanSeconds / catSeconds);

    FreeCatalogue();
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

BENCHMARK(ScanVersusCat)->Unit(benchmark::kMillisecond)->MinTime(3.0);

}  // namespace
