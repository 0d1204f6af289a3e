#include "shell/Charset.h"

#include <cstdio>

namespace charset {

namespace utf8 {

size_t CharLength(const std::string& text, size_t pos, uint32_t* codePoint) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(pos);
    size_t length;
    uint32_t value, minimum;
    if (lead < 0x80) {
        if (codePoint) *codePoint = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, value = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, value = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, value = lead & 0x07, minimum = 0x10000;
    } else {
        return 0;
    }
    if (pos + length > text.size()) return 0;
    for (size_t i = 1; i < length; ++i) {
        if ((byte(pos + i) & 0xC0) != 0x80) return 0;
        value = (value << 6) | (byte(pos + i) & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
    if (codePoint) *codePoint = value;
    return length;
}

bool Valid(const std::string& text, Unfit* unfit) {
    for (size_t pos = 0; pos < text.size();) {
        size_t length = CharLength(text, pos, nullptr);
        if (length == 0) {
            if (unfit) {
                char hex[8];
                std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned char>(text[pos]));
                *unfit = Unfit{hex, 0, pos};
            }
            return false;
        }
        pos += length;
    }
    return true;
}

}  // namespace utf8

Charset Charset::Default() { return platform::Default(); }

std::string ToDefault(const std::string& text, const Charset& from) {
    const Charset target = Charset::Default();
    if (from.name() == target.name()) return text;
    return LossyEncoded(target, from.Decode(text));
}

std::string LossyEncoded(const Charset& to, const std::string& utf8) {
    std::string out;
    if (to.Encode(utf8, &out, nullptr)) return out;
    out.clear();
    for (size_t pos = 0; pos < utf8.size();) {
        size_t length = utf8::CharLength(utf8, pos, nullptr);
        if (length == 0) length = 1;
        std::string one;
        out += to.Encode(utf8.substr(pos, length), &one, nullptr) ? one : std::string("?");
        pos += length;
    }
    return out;
}

Charset Charset::Utf8() { return Charset("UTF-8", Width::kUtf8, 65001); }

std::optional<Charset> Charset::Find(const std::string& name) {
    std::string folded;
    for (char c : name) {
        if (c != '-' && c != '_') folded += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    }
    if (folded == "UTF8") return Utf8();
    return platform::Find(name);
}

bool Charset::Encode(const std::string& text, std::string* out, Unfit* unfit) const {
    if (!utf8::Valid(text, unfit)) return false;
    if (width_ == Width::kUtf8) {
        *out = text;
        return true;
    }
    return platform::Encode(*this, text, out, unfit);
}

std::string Charset::Decode(const std::string& text) const {
    if (width_ != Width::kUtf8) return platform::Decode(*this, text);
    // Bytes that are not UTF-8 (a field typed elsewhere) show as '?'.
    std::string out;
    for (size_t pos = 0; pos < text.size();) {
        size_t length = utf8::CharLength(text, pos, nullptr);
        if (length == 0) {
            out += '?';
            ++pos;
        } else {
            out.append(text, pos, length);
            pos += length;
        }
    }
    return out;
}

bool Charset::ToUtf8(const std::string& text, std::string* out) const {
    if (width_ != Width::kUtf8) return platform::ToUtf8(*this, text, out);
    if (!utf8::Valid(text, nullptr)) return false;
    *out = text;
    return true;
}

size_t Charset::CutPoint(const std::string& text, size_t limit) const {
    if (limit >= text.size()) return text.size();
    switch (width_) {
    case Width::kSingleByte: return limit;
    case Width::kUtf8: {
        // Back over the continuation bytes of a character the cut would split.
        size_t cut = limit;
        while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80 && limit - cut < 3) --cut;
        return (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80 ? limit : cut;
    }
    case Width::kMultiByte: return platform::MultiByteCutPoint(*this, text, limit);
    }
    return limit;
}

namespace {

// Steps over `count` UTF-8 characters from the start (a bad byte is one).
size_t Utf8Cut(const std::string& text, size_t count) {
    size_t pos = 0;
    for (size_t n = 0; n < count && pos < text.size(); ++n) {
        const size_t length = utf8::CharLength(text, pos, nullptr);
        pos += length ? length : 1;
    }
    return pos;
}

}  // namespace

size_t Charset::Characters(const std::string& text) const {
    switch (width_) {
    case Width::kSingleByte: return text.size();
    case Width::kUtf8: break;
    case Width::kMultiByte: {
        std::string decoded;
        if (!ToUtf8(text, &decoded)) decoded = Decode(text);
        return Utf8().Characters(decoded);
    }
    }
    size_t count = 0;
    for (size_t pos = 0; pos < text.size(); ++count) {
        const size_t length = utf8::CharLength(text, pos, nullptr);
        pos += length ? length : 1;
    }
    return count;
}

size_t Charset::CharacterCut(const std::string& text, size_t count) const {
    switch (width_) {
    case Width::kSingleByte: return count < text.size() ? count : text.size();
    case Width::kUtf8: return Utf8Cut(text, count);
    case Width::kMultiByte: break;
    }
    // The first characters as UTF-8, back in this encoding: their length.
    std::string decoded, head;
    if (!ToUtf8(text, &decoded)) return CutPoint(text, count);
    if (!Encode(decoded.substr(0, Utf8Cut(decoded, count)), &head, nullptr)) return CutPoint(text, count);
    return CutPoint(text, head.size());
}

}  // namespace charset
