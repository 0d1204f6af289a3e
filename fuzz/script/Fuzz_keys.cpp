// "Key%d" form fields on a page: up to 8 field names, then the page.
#include <cstdlib>

#include "FuzzInput.h"
#include "script/Extract.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto parts = fuzzinput::Split(data, size, 9);
    const std::string& page = parts.back();
    fuzzinput::Keys keys = fuzzinput::NumberedKeys(parts, "Key");
    script::RunLists lists;
    script::ExtractKeys(script::SectionKeys{fuzzinput::ReadKey, &keys}, page.data(), page.size(), &lists);
    if (lists.keys.size() > script::kMaxKeys) std::abort();
    return 0;
}
