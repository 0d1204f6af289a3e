#include "forward/FloodMessage.h"

#include <cstdint>
#include <cstring>

namespace forward {
namespace {

// Collects the answer and drops whatever goes past its limit.
class BoundedText {
public:
    void Put(char c) { Put(1, c); }
    void Put(size_t count, char c) { text_.append(count < Room() ? count : Room(), c); }
    void Put(const char* data, size_t size) { text_.append(data, size < Room() ? size : Room()); }
    std::string Take() { return std::move(text_); }

private:
    size_t Room() const { return kMaxFloodAnswer - text_.size(); }
    std::string text_;
};

// One conversion as printf reads it, from its '%' to its conversion letter.
struct Conversion {
    bool left = false, plus = false, space = false, alternate = false, zero = false;
    size_t width = 0;
    bool hasPrecision = false;
    size_t precision = 0;
    bool star = false;  // a width or precision taken from an argument
    char letter = 0;    // 0: the text ended inside the conversion
    size_t length = 0;  // bytes from the '%' on
};

// Widths beyond the answer's limit pad nothing more that could be seen,
// but the real value still decides the padding: keep it, saturated.
size_t ReadCount(const std::string& text, size_t* i) {
    size_t n = 0;
    while (*i < text.size() && text[*i] >= '0' && text[*i] <= '9') {
        if (n < SIZE_MAX / 16) n = n * 10 + static_cast<size_t>(text[*i] - '0');
        ++*i;
    }
    return n;
}

Conversion Parse(const std::string& text, size_t start) {
    Conversion c;
    size_t i = start + 1;
    for (; i < text.size() && std::strchr("-+ #0", text[i]) && text[i] != '\0'; ++i) {
        switch (text[i]) {
        case '-': c.left = true; break;
        case '+': c.plus = true; break;
        case ' ': c.space = true; break;
        case '#': c.alternate = true; break;
        default: c.zero = true; break;
        }
    }
    if (i < text.size() && text[i] == '*') {
        c.star = true;
        ++i;
    } else {
        c.width = ReadCount(text, &i);
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        c.hasPrecision = true;
        if (i < text.size() && text[i] == '*') {
            c.star = true;
            ++i;
        } else {
            c.precision = ReadCount(text, &i);
        }
    }
    while (i < text.size() && std::strchr("hljztL", text[i]) && text[i] != '\0') ++i;
    if (i < text.size()) c.letter = text[i++];
    c.length = i - start;
    return c;
}

bool IsInteger(char letter) { return letter != '\0' && std::strchr("diuoxX", letter) != nullptr; }

// The digits of `value` in the conversion's base, most significant first.
std::string Digits(uint32_t value, char letter) {
    const unsigned base = letter == 'o' ? 8 : (letter == 'x' || letter == 'X') ? 16 : 10;
    const char* set = letter == 'X' ? "0123456789ABCDEF" : "0123456789abcdef";
    std::string digits;
    for (; value != 0; value /= base) digits.insert(digits.begin(), set[value % base]);
    return digits;
}

// printf's rules for one integer: sign or base prefix, precision as the
// least number of digits, then the width, filled with blanks or zeros.
void PutInteger(const Conversion& c, int value, BoundedText* out) {
    const bool isSigned = c.letter == 'd' || c.letter == 'i';
    const bool negative = isSigned && value < 0;
    const uint32_t magnitude = negative ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
    std::string digits = Digits(magnitude, c.letter);
    if (!c.hasPrecision && digits.empty()) digits = "0";

    std::string prefix;
    if (negative)
        prefix = "-";
    else if (isSigned && c.plus)
        prefix = "+";
    else if (isSigned && c.space)
        prefix = " ";
    if (c.alternate && (c.letter == 'x' || c.letter == 'X') && magnitude != 0) prefix = c.letter == 'x' ? "0x" : "0X";

    size_t zeros = c.precision > digits.size() ? c.precision - digits.size() : 0;
    if (c.alternate && c.letter == 'o' && zeros == 0 && (digits.empty() || digits[0] != '0')) zeros = 1;
    const size_t body = prefix.size() + zeros + digits.size();
    const size_t pad = c.width > body ? c.width - body : 0;
    const bool zeroPad = c.zero && !c.left && !c.hasPrecision;

    if (!c.left && !zeroPad) out->Put(pad, ' ');
    out->Put(prefix.data(), prefix.size());
    if (zeroPad) out->Put(pad, '0');
    out->Put(zeros, '0');
    out->Put(digits.data(), digits.size());
    if (c.left) out->Put(pad, ' ');
}

}  // namespace

std::string ExpandFloodMessage(const std::string& format, int minutes) {
    BoundedText out;
    bool used = false;
    size_t i = 0;
    while (i < format.size()) {
        const size_t percent = format.find('%', i);
        const size_t literal = (percent == std::string::npos ? format.size() : percent) - i;
        out.Put(format.data() + i, literal);
        i += literal;
        if (i == format.size()) break;
        const Conversion c = Parse(format, i);
        if (c.letter == '%' && c.length == 2) {
            out.Put('%');
        } else if (!used && !c.star && IsInteger(c.letter)) {
            PutInteger(c, minutes, &out);
            used = true;
        } else {
            out.Put(format.data() + i, c.length);  // not ours to expand: shown as typed
        }
        i += c.length;
    }
    return out.Take();
}

}  // namespace forward
