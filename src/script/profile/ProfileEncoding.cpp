#include "script/profile/ProfileEncoding.h"

namespace profile {
namespace encoding {

namespace {

// Code page 1252, bytes 0x80 to 0x9F.
// clang-format off
const char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};
// clang-format on

const char32_t kReplacement = 0xFFFD;

void PutCodePoint(std::u16string& out, char32_t c) {
    if (c >= 0x10000) {
        c -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (c >> 10));
        out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
        out += static_cast<char16_t>(c);
    }
}

// One sequence starting at bytes[*pos - 1] (the lead byte, already taken).
// Follows the system's converter: a bad sequence is replaced as one unit
// up to the byte that spoiled it, and a sequence cut short by the end of
// the data swallows the rest of it.
char32_t DecodeUtf8Sequence(unsigned char lead, const unsigned char* bytes, size_t length, size_t* pos) {
    static const unsigned char kMask[4] = {0x7F, 0x1F, 0x0F, 0x07};
    size_t extra = lead < 0xC2 ? 0 : lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : lead < 0xF5 ? 3 : 0;
    char32_t value = lead & kMask[extra];
    if (extra == 0) return kReplacement;
    if (length - *pos < extra) {
        *pos = length;
        return kReplacement;
    }
    const size_t end = *pos + extra;
    unsigned int c;
    switch (extra) {
    case 3:
        if ((c = bytes[end - 3] ^ 0x80u) >= 0x40) return kReplacement;
        value = (value << 6) | c;
        ++*pos;
        if (value < 0x10) return kReplacement;
        [[fallthrough]];
    case 2:
        if ((c = bytes[end - 2] ^ 0x80u) >= 0x40) return kReplacement;
        value = (value << 6) | c;
        if (value >= (0x110000 >> 6)) return kReplacement;
        ++*pos;
        if (value < 0x20) return kReplacement;
        if (value >= (0xD800 >> 6) && value <= (0xDFFF >> 6)) return kReplacement;
        [[fallthrough]];
    default:
        if ((c = bytes[end - 1] ^ 0x80u) >= 0x40) return kReplacement;
        value = (value << 6) | c;
        ++*pos;
        if (value < 0x80) return kReplacement;
        return value;
    }
}

void PutUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

}  // namespace

Kind Detect(const char* bytes, size_t length, size_t* markLength) {
    const unsigned char* b = reinterpret_cast<const unsigned char*>(bytes);
    *markLength = 0;
    if (length >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) {
        *markLength = 3;
        return Kind::Utf8;
    }
    if (length >= 2 && b[0] == 0xFF && b[1] == 0xFE) {
        *markLength = 2;
        return Kind::Utf16Le;
    }
    if (length >= 2 && b[0] == 0xFE && b[1] == 0xFF) {
        *markLength = 2;
        return Kind::Utf16Be;
    }
    return Kind::Ansi;
}

std::u16string Decode(const char* bytes, size_t length, Kind kind) {
    const unsigned char* b = reinterpret_cast<const unsigned char*>(bytes);
    std::u16string out;
    switch (kind) {
    case Kind::Ansi:
        out.reserve(length);
        for (size_t i = 0; i < length; ++i) out += FromAnsi(b[i]);
        break;
    case Kind::Utf8:
        out.reserve(length);
        for (size_t i = 0; i < length;) {
            unsigned char lead = b[i++];
            if (lead < 0x80) {
                out += lead;
            } else {
                PutCodePoint(out, DecodeUtf8Sequence(lead, b, length, &i));
            }
        }
        break;
    case Kind::Utf16Le:
    case Kind::Utf16Be:
        // An odd last byte is no unit and is dropped.
        out.reserve(length / 2);
        for (size_t i = 0; i + 1 < length; i += 2) {
            unsigned int lo = kind == Kind::Utf16Le ? b[i] : b[i + 1];
            unsigned int hi = kind == Kind::Utf16Le ? b[i + 1] : b[i];
            out += static_cast<char16_t>(lo | (hi << 8));
        }
        break;
    }
    return out;
}

std::string Encode(const std::u16string& units, Kind kind) {
    std::string out;
    switch (kind) {
    case Kind::Ansi:
        out.reserve(units.size());
        for (char16_t u : units) out += ToAnsi(u);
        break;
    case Kind::Utf8:
        out.reserve(units.size() + 3);
        out += "\xEF\xBB\xBF";
        for (size_t i = 0; i < units.size(); ++i) {
            char32_t c = units[i];
            if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
                units[i + 1] <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
                ++i;
            } else if (c >= 0xD800 && c <= 0xDFFF) {
                c = kReplacement;  // a lone half of a pair
            }
            PutUtf8(out, c);
        }
        break;
    case Kind::Utf16Le:
    case Kind::Utf16Be: {
        const bool little = kind == Kind::Utf16Le;
        out.reserve(units.size() * 2 + 2);
        out += little ? "\xFF\xFE" : "\xFE\xFF";
        for (char16_t u : units) {
            char lo = static_cast<char>(u & 0xFF), hi = static_cast<char>(u >> 8);
            out += little ? lo : hi;
            out += little ? hi : lo;
        }
        break;
    }
    }
    return out;
}

char16_t FromAnsi(unsigned char byte) {
    if (byte >= 0x80 && byte < 0xA0) return kHighControls[byte - 0x80];
    return byte;
}

char ToAnsi(char16_t unit) {
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) return static_cast<char>(unit);
    for (int i = 0; i < 32; ++i) {
        if (kHighControls[i] == unit) return static_cast<char>(0x80 + i);
    }
    int fit = BestFitByte(unit);
    return fit >= 0 ? static_cast<char>(fit) : '?';
}

std::u16string FromAnsi(const char* text) {
    std::u16string out;
    for (; *text; ++text) out += FromAnsi(static_cast<unsigned char>(*text));
    return out;
}

}  // namespace encoding
}  // namespace profile
