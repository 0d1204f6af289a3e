// "CustomVar%d" patterns on a page: up to 40 patterns, then the page.
#include <cstdlib>
#include <map>

#include "FuzzInput.h"
#include "script/Extract.h"

namespace {
std::string Read(const void* context, const char* key) {
    const auto* keys = static_cast<const std::map<std::string, std::string>*>(context);
    auto it = keys->find(key);
    return it == keys->end() ? std::string() : it->second;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto parts = fuzzinput::Split(data, size, 41);
    const std::string& page = parts.back();
    std::map<std::string, std::string> keys;
    for (size_t i = 0; i + 1 < parts.size(); ++i) keys["CustomVar" + std::to_string(i + 1)] = parts[i];
    script::RunLists lists;
    script::ExtractCustomVars(script::SectionKeys{Read, &keys}, page.data(), page.size(), &lists);
    if (lists.customVars.size() > script::kMaxCustomVars) std::abort();
    for (const auto& v : lists.customVars) {
        if (v.size() > page.size() || v.find('\0') != std::string::npos) std::abort();
    }
    return 0;
}
