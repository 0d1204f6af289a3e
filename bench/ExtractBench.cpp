// The three extraction steps on hostile pages of 5 and 10 MB: a plain
// reading is quadratic on each of them.
#include <benchmark/benchmark.h>

#include <map>
#include <string>

#include "script/Extract.h"

namespace {

enum Page { kOpenSelects, kOpenOptions, kHeadEverywhere, kSelectedEverywhere };

std::string Build(Page kind, size_t size) {
    std::string unit;
    std::string page = "x";
    switch (kind) {
    case kOpenSelects: unit = "<select name=a><option value=\"1\">"; break;      // no "</select"
    case kOpenOptions: page += "<select name=\"a\">"; unit = "<option"; break;   // no ">"
    case kHeadEverywhere: unit = "id="; break;                                  // head without tail
    case kSelectedEverywhere: page += "<select name=\"a\">"; unit = "<option selected value=\"v\">"; break;
    }
    while (page.size() < size) page += unit;
    return page;
}

std::string ReadKey(const void*, const char* key) {
    static const std::map<std::string, std::string> keys = {
        {"CustomVar1", "id=(*)END"}, {"CustomVar2", "name=(*)\""}, {"Key1", "id"}, {"Key2", "a"}};
    auto it = keys.find(key);
    return it == keys.end() ? std::string() : it->second;
}

void AllSteps(benchmark::State& state) {
    const std::string page = Build(static_cast<Page>(state.range(0)), static_cast<size_t>(state.range(1)) << 20);
    const script::SectionKeys section{ReadKey, nullptr};
    for (auto _ : state) {
        script::RunLists lists;
        script::ExtractCustomVars(section, page.data(), page.size(), &lists);
        script::ExtractKeys(section, page.data(), page.size(), &lists);
        script::ExtractSelectLists(page.data(), page.size(), &lists);
        benchmark::DoNotOptimize(lists.keys.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(page.size()));
}

BENCHMARK(AllSteps)
    ->ArgNames({"page", "MB"})
    ->ArgsProduct({{kOpenSelects, kOpenOptions, kHeadEverywhere, kSelectedEverywhere}, {5, 10}})
    ->Unit(benchmark::kMillisecond);

}  // namespace
