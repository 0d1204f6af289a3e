// Reading the last key of large section-and-key files with awkward lines
// (keys of brackets, values of equals signs): the time must grow about as
// the file does (4x the file, about 4x the time), never as its square.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "script/profile/Profile.h"

namespace {

std::string MakeFile(size_t units) {
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("parlet-profile-bench-" + std::to_string(units) + ".ini")).string();
    std::ofstream out(path, std::ios::binary);
    for (size_t i = 0; i < units; ++i) {
        out << "[S" << i << "]\r\n" << std::string(20, '[') << "=" << std::string(20, '=') << "\r\nk="
            << std::string(30, ']') << "\r\n";
    }
    return path;
}

void LastKey(benchmark::State& state) {
    const size_t units = static_cast<size_t>(state.range(0));
    const std::string path = MakeFile(units);
    const std::string section = "S" + std::to_string(units - 1);
    char buffer[64];
    for (auto _ : state) {
        benchmark::DoNotOptimize(profile::portable::Read(path.c_str(), section.c_str(), "k", buffer, sizeof buffer));
    }
    state.SetComplexityN(static_cast<int64_t>(units));
    std::remove(path.c_str());
}

BENCHMARK(LastKey)->Arg(20000)->Arg(80000)->Complexity()->Unit(benchmark::kMillisecond);

}  // namespace
