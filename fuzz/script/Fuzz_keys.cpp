// "Key%d" form fields on a page: up to 8 field names, then the page.
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
    auto parts = fuzzinput::Split(data, size, 9);
    const std::string& page = parts.back();
    std::map<std::string, std::string> keys;
    for (size_t i = 0; i + 1 < parts.size(); ++i) keys["Key" + std::to_string(i + 1)] = parts[i];
    script::RunLists lists;
    script::ExtractKeys(script::SectionKeys{Read, &keys}, page.data(), page.size(), &lists);
    if (lists.keys.size() > script::kMaxKeys) std::abort();
    return 0;
}
