// The "FloodMsg" expansion: four bytes of minutes, then the user's text.
// Any text must expand within the limit without touching a second argument
// (ASan and UBSan watch); a text that printf itself could take safely (only
// "%%" and one plain integer conversion) must expand exactly as printf does.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "forward/FloodMessage.h"

namespace {

size_t Digits(const std::string& s, size_t* i) {
    size_t n = 0;
    while (*i < s.size() && s[*i] >= '0' && s[*i] <= '9') ++*i, ++n;
    return n;
}

// Whether printf with one int is well defined for `format`, and gives what
// the expansion promises.
bool PrintfCanTake(const std::string& format) {
    int conversions = 0;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%') continue;
        if (i + 1 < format.size() && format[i + 1] == '%') {
            ++i;
            continue;
        }
        ++i;
        while (i < format.size() && std::strchr("-+ #0", format[i]) && format[i]) ++i;
        if (Digits(format, &i) > 3) return false;
        if (i < format.size() && format[i] == '.') {
            ++i;
            if (Digits(format, &i) > 3) return false;
        }
        if (i >= format.size() || !format[i] || !std::strchr("diuoxX", format[i])) return false;
        if (++conversions > 1) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    int minutes = 4;
    if (size >= 4) {
        uint32_t raw;
        std::memcpy(&raw, data, 4);
        minutes = static_cast<int>(raw);
        data += 4;
        size -= 4;
    }
    std::string format(reinterpret_cast<const char*>(data), size);
    format = format.substr(0, format.find('\0'));   // a setting's text ends at its zero byte

    const std::string answer = forward::ExpandFloodMessage(format, minutes);
    if (answer.size() > forward::kMaxFloodAnswer) std::abort();
    if (PrintfCanTake(format)) {
        char expected[forward::kMaxFloodAnswer + 1];
        std::snprintf(expected, sizeof expected, format.c_str(), minutes);
        if (answer != expected) std::abort();
    }
    return 0;
}
