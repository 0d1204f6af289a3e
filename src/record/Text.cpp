#include "record/Text.h"

#include <cstdint>

#include "shell/Text.h"

namespace har {
namespace {

int Sextet(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+' || c == '-') return 62;  // "-" and "_": the URL-safe alphabet
    if (c == '/' || c == '_') return 63;
    return -1;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// "+" is a blank and "%XX" a byte; a "%" without two hex digits stays.
std::string DecodeFormText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '+') {
            out += ' ';
        } else if (c == '%' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 && HexDigit(text[i + 2]) >= 0) {
            out += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

// The length of the UTF-8 sequence at `p` (1 to 4), or 0 when it is not one.
size_t SequenceLength(const unsigned char* p, size_t left) {
    const unsigned char c = p[0];
    if (c < 0x80) return 1;
    size_t n;
    uint32_t min;
    uint32_t cp;
    if ((c & 0xE0) == 0xC0) {
        n = 2, min = 0x80, cp = c & 0x1Fu;
    } else if ((c & 0xF0) == 0xE0) {
        n = 3, min = 0x800, cp = c & 0x0Fu;
    } else if ((c & 0xF8) == 0xF0) {
        n = 4, min = 0x10000, cp = c & 0x07u;
    } else {
        return 0;
    }
    if (n > left) return 0;
    for (size_t i = 1; i < n; ++i) {
        if ((p[i] & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (p[i] & 0x3Fu);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return n;
}

}  // namespace

// The engine's encoder, the one the Authorization header uses too.
std::string EncodeBase64(std::string_view bytes) { return text::Base64(std::string(bytes)); }

bool DecodeBase64(std::string_view text, std::string* bytes) {
    bytes->clear();
    uint32_t bits = 0;
    int count = 0;
    size_t padding = 0;
    for (char c : text) {
        if (c == ' ' || c == '\r' || c == '\n' || c == '\t') continue;
        if (c == '=') {
            ++padding;
            continue;
        }
        const int v = Sextet(c);
        if (v < 0 || padding > 0) return false;  // a letter after "=" is no base64 either
        bits = (bits << 6) | static_cast<uint32_t>(v);
        if (++count == 4) {
            *bytes += static_cast<char>((bits >> 16) & 0xFF);
            *bytes += static_cast<char>((bits >> 8) & 0xFF);
            *bytes += static_cast<char>(bits & 0xFF);
            bits = 0;
            count = 0;
        }
    }
    if (count == 1 || padding > 2) return false;
    if (count == 2) *bytes += static_cast<char>((bits >> 4) & 0xFF);
    if (count == 3) {
        *bytes += static_cast<char>((bits >> 10) & 0xFF);
        *bytes += static_cast<char>((bits >> 2) & 0xFF);
    }
    return true;
}

bool IsUtf8(std::string_view bytes) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes.data());
    size_t left = bytes.size();
    while (left > 0) {
        const size_t n = SequenceLength(p, left);
        if (n == 0) return false;
        p += n;
        left -= n;
    }
    return true;
}

std::string Utf8OrLatin1(std::string_view bytes) {
    if (IsUtf8(bytes)) return std::string(bytes);
    std::string out;
    out.reserve(bytes.size() * 2);
    for (char c : bytes) {
        const unsigned char b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            out += c;
        } else {
            out += static_cast<char>(0xC0 | (b >> 6));
            out += static_cast<char>(0x80 | (b & 0x3F));
        }
    }
    return out;
}

std::vector<NameValue> DecodeForm(std::string_view text) {
    std::vector<NameValue> fields;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('&', start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view piece = text.substr(start, end - start);
        if (!piece.empty()) {
            const size_t eq = piece.find('=');
            if (eq == std::string_view::npos) {
                fields.push_back({DecodeFormText(piece), ""});
            } else {
                fields.push_back({DecodeFormText(piece.substr(0, eq)), DecodeFormText(piece.substr(eq + 1))});
            }
        }
        start = end + 1;
    }
    return fields;
}

std::vector<NameValue> QueryFields(std::string_view url) {
    const size_t hash = url.find('#');
    if (hash != std::string_view::npos) url = url.substr(0, hash);
    const size_t question = url.find('?');
    if (question == std::string_view::npos) return {};
    return DecodeForm(url.substr(question + 1));
}

}  // namespace har
