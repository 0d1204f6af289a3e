#include "Destination.h"

#include <algorithm>
#include <cstring>

namespace destination {
namespace {

constexpr size_t kNearestShown = 6;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsSeparator(char c) { return std::strchr(" \t()-./", c) != nullptr && c != '\0'; }

// The digits of an international number without its "+" or "00"; false for
// anything else (letters, a national number that begins with one 0).
bool InternationalDigits(const std::string& text, std::string* digits, std::string* error) {
    size_t at = text.find_first_not_of(" \t");
    if (at == std::string::npos) {
        *error = "the number is empty";
        return false;
    }
    bool plus = text[at] == '+';
    if (plus) ++at;
    for (; at < text.size(); ++at) {
        char c = text[at];
        if (IsDigit(c)) {
            *digits += c;
        } else if (!IsSeparator(c)) {
            *error = std::string("'") + c + "' does not belong in a phone number";
            return false;
        }
    }
    if (digits->empty()) {
        *error = "the number has no digits";
        return false;
    }
    if (!plus && digits->compare(0, 2, "00") == 0) {
        digits->erase(0, 2);
    } else if (!plus && (*digits)[0] == '0') {
        *error = "\"" + text + "\" is a national number; give it with its country code (+43..., 0043...)";
        return false;
    }
    return true;
}

size_t CommonStart(const std::string& a, const std::string& b) {
    size_t n = 0;
    while (n < a.size() && n < b.size() && a[n] == b[n]) ++n;
    return n;
}

// The served prefixes that share the most leading digits with the number,
// or, when none shares any, the served prefixes in order.
std::string Nearest(const std::string& digits, const std::vector<std::string>& served) {
    size_t best = 0;
    for (const std::string& p : served) best = std::max(best, CommonStart(p, digits));
    std::vector<std::string> near;
    for (const std::string& p : served) {
        if (AllDigits(p) && CommonStart(p, digits) == best) near.push_back(p);
    }
    std::sort(near.begin(), near.end());
    if (near.empty()) return "no gateway serves any prefix";
    std::string text = "the nearest served prefixes are";
    for (size_t i = 0; i < near.size() && i < kNearestShown; ++i) text += " " + near[i];
    if (near.size() > kNearestShown) text += " ...";
    return text;
}

}  // namespace

bool AllDigits(const std::string& text) { return !text.empty() && std::all_of(text.begin(), text.end(), IsDigit); }

bool SplitInternational(const std::string& text, const std::vector<std::string>& served, Split* split,
                        std::string* error) {
    std::string digits;
    if (!InternationalDigits(text, &digits, error)) return false;
    const std::string* longest = nullptr;
    for (const std::string& p : served) {
        if (!AllDigits(p) || p.size() >= digits.size() || digits.compare(0, p.size(), p) != 0) continue;
        if (!longest || p.size() > longest->size()) longest = &p;
    }
    if (!longest && std::find(served.begin(), served.end(), digits) != served.end()) {
        *error = "+" + digits + " is a prefix alone: the number is missing";
        return false;
    }
    if (!longest) {
        *error = "no gateway serves a prefix of +" + digits + "; " + Nearest(digits, served);
        return false;
    }
    split->prefix = *longest;
    split->number = digits.substr(longest->size());
    return true;
}

}  // namespace destination
