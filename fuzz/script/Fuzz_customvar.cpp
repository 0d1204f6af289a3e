// "CustomVar%d" patterns on a page: up to 40 patterns, then the page.
#include <cstdlib>

#include "FuzzInput.h"
#include "script/Extract.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto parts = fuzzinput::Split(data, size, 41);
    const std::string& page = parts.back();
    fuzzinput::Keys keys = fuzzinput::NumberedKeys(parts, "CustomVar");
    script::RunLists lists;
    script::ExtractCustomVars(script::SectionKeys{fuzzinput::ReadKey, &keys}, page.data(), page.size(), &lists);
    if (lists.customVars.size() > script::kMaxCustomVars) std::abort();
    for (const auto& v : lists.customVars) {
        if (v.size() > page.size() || v.find('\0') != std::string::npos) std::abort();
    }
    return 0;
}
