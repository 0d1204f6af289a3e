// "UseSelectData" on a page, checked against the plain reading.
#include <cstdlib>

#include "NaiveSelect.h"
#include "script/Extract.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string page(reinterpret_cast<const char*>(data), size);
    script::RunLists lists;
    script::ExtractSelectLists(page.data(), page.size(), &lists);
    if (lists.keys.size() > script::kMaxKeys) std::abort();
    // The plain reading is quadratic: compare on pages it finishes quickly.
    if (size <= 4096) {
        const auto expected = scripttest::NaiveSelectLists(page);
        if (expected.size() != lists.keys.size()) std::abort();
        for (size_t i = 0; i < expected.size(); ++i) {
            if (expected[i].name != lists.keys[i].name || expected[i].value != lists.keys[i].value) std::abort();
        }
    }
    return 0;
}
