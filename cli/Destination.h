// Where a message goes, as the command line takes it: a prefix and a number
// given apart, or one full international number split against the prefixes
// the gateways serve.
#pragma once

#include <string>
#include <vector>

namespace destination {

// Non-empty and nothing but the digits 0 to 9.
bool AllDigits(const std::string& text);

struct Split {
    std::string prefix;
    std::string number;
};

// Splits a full international number ("+436501234567", "0043 650 1234567",
// "+43 (650) 123-45-67", or its digits alone) into the longest of `served`
// that begins it and the rest. Blanks, brackets, dashes, dots and slashes
// between the digits are dropped. Gives false with the reason in `error`
// when the text is no such number or no served prefix begins it; the reason
// then names the served prefixes nearest to the number.
bool SplitInternational(const std::string& text, const std::vector<std::string>& served, Split* split,
                        std::string* error);

}  // namespace destination
