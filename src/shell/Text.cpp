#include "shell/Text.h"

#include <climits>
#include <cstring>
#include <vector>

namespace text {

int32_t ParseDecimal(const char* s) {
    if (!s) return 0;
    while (*s == ' ' || *s == '\t' || *s == '\n' || *s == '\r' || *s == '\v' || *s == '\f') ++s;
    bool negative = false;
    if (*s == '+' || *s == '-') negative = (*s++ == '-');
    // Accumulate below the limit; once past it, stay there.
    const uint32_t limit = negative ? static_cast<uint32_t>(INT32_MAX) + 1u : static_cast<uint32_t>(INT32_MAX);
    uint32_t value = 0;
    for (; *s >= '0' && *s <= '9'; ++s) {
        uint32_t digit = static_cast<uint32_t>(*s - '0');
        value = (value > (limit - digit) / 10) ? limit : value * 10 + digit;
    }
    if (negative) return value == limit ? INT32_MIN : -static_cast<int32_t>(value);
    return static_cast<int32_t>(value);
}

std::string FillPattern(const std::string& pattern, char conversion, const std::string& value, size_t limit) {
    std::string out;
    bool filled = false;
    for (size_t i = 0; i < pattern.size() && out.size() < limit; ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size()) {
            if (pattern[i + 1] == '%') {
                out += '%';
                ++i;
                continue;
            }
            if (pattern[i + 1] == conversion && !filled) {
                out += value;
                filled = true;
                ++i;
                continue;
            }
        }
        out += pattern[i];
    }
    if (out.size() > limit) out.resize(limit);
    return out;
}

void AppendQuoted(std::string& out, const std::string& text) {
    static const char kHex[] = "0123456789ABCDEF";
    out += '"';
    for (unsigned char c : text) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '"': out += "\\\""; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c >= 0x20 && c < 0x7F) {
                out += static_cast<char>(c);
            } else {
                out += "\\x";
                out += kHex[c >> 4];
                out += kHex[c & 15];
            }
        }
    }
    out += '"';
}

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// One escape of a quoted text, *p just past its backslash.
bool ReadEscape(const char** p, const char* end, std::string* text) {
    if (*p == end) return false;
    switch (*(*p)++) {
    case '\\': *text += '\\'; return true;
    case '"': *text += '"'; return true;
    case 'n': *text += '\n'; return true;
    case 'r': *text += '\r'; return true;
    case 't': *text += '\t'; return true;
    case 'x': {
        if (end - *p < 2) return false;
        const int high = HexDigit((*p)[0]), low = HexDigit((*p)[1]);
        if (high < 0 || low < 0) return false;
        *text += static_cast<char>(high * 16 + low);
        *p += 2;
        return true;
    }
    default: return false;
    }
}

}  // namespace

bool ReadQuoted(const char** p, const char* end, std::string* text) {
    text->clear();
    if (*p == end || **p != '"') return false;
    for (++*p; *p < end;) {
        const char c = *(*p)++;
        if (c == '"') return true;
        if (c != '\\') {
            *text += c;
        } else if (!ReadEscape(p, end, text)) {
            return false;
        }
    }
    return false;  // no closing quote
}

std::string Base64(const std::string& data) {
    static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((data.size() + 2) / 3 * 4);
    for (size_t i = 0; i < data.size(); i += 3) {
        const size_t n = data.size() - i < 3 ? data.size() - i : 3;
        uint32_t group = 0;
        for (size_t k = 0; k < 3; ++k) {
            group = (group << 8) | (k < n ? static_cast<unsigned char>(data[i + k]) : 0u);
        }
        for (size_t k = 0; k < 4; ++k) {
            out += k <= n ? kAlphabet[(group >> (18 - 6 * k)) & 0x3F] : '=';
        }
    }
    return out;
}

}  // namespace text

size_t FindNoCase(const char* haystack, size_t length, const char* pattern, size_t from) {
    if (!haystack || !pattern || !*pattern || from >= length) return std::string::npos;
    const size_t m = std::strlen(pattern);
    if (m > length - from) return std::string::npos;
    // Knuth-Morris-Pratt over folded bytes: no input makes it quadratic.
    std::vector<size_t> border(m + 1, 0);
    for (size_t i = 1, k = 0; i < m; ++i) {
        while (k > 0 && text::FoldAscii(pattern[i]) != text::FoldAscii(pattern[k])) k = border[k];
        if (text::FoldAscii(pattern[i]) == text::FoldAscii(pattern[k])) ++k;
        border[i + 1] = k;
    }
    for (size_t i = from, k = 0; i < length; ++i) {
        while (k > 0 && text::FoldAscii(haystack[i]) != text::FoldAscii(pattern[k])) k = border[k];
        if (text::FoldAscii(haystack[i]) == text::FoldAscii(pattern[k])) ++k;
        if (k == m) return i + 1 - m;
    }
    return std::string::npos;
}
