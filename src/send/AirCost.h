// What a text costs on the air: the SMS a phone network sends for it. A text
// whose every character is in the GSM 7-bit default alphabet goes as GSM
// (160 characters in one SMS, 153 in each part of a longer one, a character
// of the extension table taking two); any other text goes as UCS-2 (70, and
// 67 per part, a character beyond the basic plane taking two). A part never
// ends inside a two-unit character.
#pragma once

#include <cstddef>
#include <string>

namespace aircost {

enum class Coding { kGsm7, kUcs2 };

constexpr size_t kGsmSingle = 160;
constexpr size_t kGsmPart = 153;
constexpr size_t kUcs2Single = 70;
constexpr size_t kUcs2Part = 67;

struct Cost {
    Coding coding = Coding::kGsm7;
    size_t units = 0;  // GSM septets, or UTF-16 units
    int sms = 0;       // 0 for an empty text
};

// `utf8`: the text as UTF-8 (a byte that is not UTF-8 counts as a character
// outside the GSM alphabet).
Cost Measure(const std::string& utf8);
const char* CodingName(Coding coding);  // "GSM 7-bit", "UCS-2"

}  // namespace aircost
