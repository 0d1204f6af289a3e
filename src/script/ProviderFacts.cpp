#include "script/ProviderFacts.h"

namespace script {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

const char* DeliveryName(Delivery state) {
    for (const DeliveryText& row : kDeliveryTexts) {
        if (row.state == state) return row.name;
    }
    return "unknown";
}

std::string CreditText(const Credit& credit) {
    if (!credit.known) return "unknown";
    return credit.unit.empty() ? credit.value : credit.value + " " + credit.unit;
}

bool ParseCreditAmount(const std::string& value, double* amount) {
    size_t begin = 0, end = value.size();
    while (begin < end && IsBlank(value[begin])) ++begin;
    while (end > begin && IsBlank(value[end - 1])) --end;
    if (end - begin > kMaxCreditLength) return false;
    size_t i = begin;
    const bool negative = i < end && value[i] == '-';
    if (i < end && (value[i] == '-' || value[i] == '+')) ++i;
    // By hand rather than strtod: the decimal point must not depend on the locale.
    double whole = 0;
    size_t digits = 0;
    for (; i < end && IsDigit(value[i]); ++i, ++digits) whole = whole * 10 + (value[i] - '0');
    if (digits == 0) return false;
    if (i < end && (value[i] == '.' || value[i] == ',')) {
        ++i;
        double scale = 1;
        size_t fraction = 0;
        for (; i < end && IsDigit(value[i]); ++i, ++fraction) {
            scale /= 10;
            whole += (value[i] - '0') * scale;
        }
        if (fraction == 0) return false;
    }
    if (i != end) return false;
    *amount = negative ? -whole : whole;
    return true;
}

}  // namespace script
