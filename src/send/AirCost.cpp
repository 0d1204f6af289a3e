#include "send/AirCost.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <vector>

#include "shell/Charset.h"

namespace aircost {
namespace {

// The default alphabet's characters outside printable ASCII, in code point order.
constexpr uint32_t kBasic[] = {0x000A, 0x000D, 0x00A1, 0x00A3, 0x00A4, 0x00A5, 0x00A7, 0x00BF, 0x00C4, 0x00C5, 0x00C6,
                               0x00C7, 0x00C9, 0x00D1, 0x00D6, 0x00D8, 0x00DC, 0x00DF, 0x00E0, 0x00E4, 0x00E5, 0x00E6,
                               0x00E8, 0x00E9, 0x00EC, 0x00F1, 0x00F2, 0x00F6, 0x00F8, 0x00F9, 0x00FC, 0x0393, 0x0394,
                               0x0398, 0x039B, 0x039E, 0x03A0, 0x03A3, 0x03A6, 0x03A8, 0x03A9};
// The extension table (an escape and a character: two septets), in code point order.
constexpr uint32_t kExtension[] = {0x000C, 0x005B, 0x005C, 0x005D, 0x005E, 0x007B, 0x007C, 0x007D, 0x007E, 0x20AC};

bool In(const uint32_t* first, const uint32_t* last, uint32_t c) { return std::binary_search(first, last, c); }

// Septets of a character in the GSM alphabet; 0 when it is not in it.
size_t Septets(uint32_t c) {
    if (In(std::begin(kExtension), std::end(kExtension), c)) return 2;
    if (c >= 0x20 && c <= 0x7E) return c == '`' ? 0 : 1;
    return In(std::begin(kBasic), std::end(kBasic), c) ? 1 : 0;
}

// Parts of at most `part` units, no character cut.
int Parts(const std::vector<size_t>& widths, size_t total, size_t single, size_t part) {
    if (total == 0) return 0;
    if (total <= single) return 1;
    int parts = 1;
    size_t used = 0;
    for (size_t w : widths) {
        if (used + w > part) {
            ++parts;
            used = 0;
        }
        used += w;
    }
    return parts;
}

}  // namespace

Cost Measure(const std::string& utf8) {
    std::vector<size_t> septets, units;
    bool gsm = true;
    for (size_t pos = 0; pos < utf8.size();) {
        uint32_t c = 0;
        size_t length = charset::utf8::CharLength(utf8, pos, &c);
        if (length == 0) {
            gsm = false;
            units.push_back(1);
            ++pos;
            continue;
        }
        size_t s = Septets(c);
        if (s == 0) gsm = false;
        septets.push_back(s);
        units.push_back(c > 0xFFFF ? 2 : 1);
        pos += length;
    }
    Cost cost;
    cost.coding = gsm ? Coding::kGsm7 : Coding::kUcs2;
    const std::vector<size_t>& widths = gsm ? septets : units;
    for (size_t w : widths) cost.units += w;
    cost.sms =
        gsm ? Parts(widths, cost.units, kGsmSingle, kGsmPart) : Parts(widths, cost.units, kUcs2Single, kUcs2Part);
    return cost;
}

const char* CodingName(Coding coding) { return coding == Coding::kGsm7 ? "GSM 7-bit" : "UCS-2"; }

}  // namespace aircost
