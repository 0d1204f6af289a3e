// The encoding in which a message goes to the provider, and where its text
// may be cut: never inside a character. Limits (MaxChars, labels) count
// bytes of the encoded text, or its characters where a gateway asks so.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace charset {

// A character the encoding cannot hold.
struct Unfit {
    std::string character;   // as UTF-8; a byte that is not UTF-8 at all as "\xNN"
    uint32_t codePoint = 0;  // 0 for such a byte
    size_t offset = 0;       // byte offset in the UTF-8 text
};

class Charset {
public:
    enum class Width { kUtf8, kSingleByte, kMultiByte };

    // UTF-8 natively; the system's ANSI code page on Windows.
    static Charset Default();
    static Charset Utf8();
    // By name: "UTF-8", "ISO-8859-2", "windows-1250", "CP1250", "KOI8-R",
    // "Shift_JIS", ... Nothing when the system does not know it, or when it
    // does not keep ASCII as it is (UTF-16, EBCDIC, UTF-7): a gateway's
    // templates and labels are ASCII.
    static std::optional<Charset> Find(const std::string& name);

    const std::string& name() const { return name_; }
    Width width() const { return width_; }
    unsigned codePage() const { return codePage_; }  // Windows; 0 natively

    // UTF-8 text in this encoding. false when the text holds a character
    // the encoding cannot hold (or bytes that are not UTF-8); *unfit then
    // names the first one.
    bool Encode(const std::string& utf8, std::string* out, Unfit* unfit) const;
    // Text in this encoding as UTF-8, for showing it; what does not convert
    // becomes '?'.
    std::string Decode(const std::string& text) const;
    // Text in this encoding as UTF-8; false (and `out` untouched) when it
    // holds bytes that are no character of the encoding.
    bool ToUtf8(const std::string& text, std::string* out) const;
    // The largest position up to `limit` at which `text` may be cut without
    // splitting a character (the text's length when it is shorter).
    size_t CutPoint(const std::string& text, size_t limit) const;
    // The characters (code points) of `text`; a byte that is no character
    // counts as one.
    size_t Characters(const std::string& text) const;
    // The position after the first `count` characters of `text` (its length
    // when it has fewer): a cut there splits no character.
    size_t CharacterCut(const std::string& text, size_t count) const;

    Charset(std::string name, Width width, unsigned codePage)
        : name_(std::move(name)), width_(width), codePage_(codePage) {}

private:
    std::string name_;
    Width width_;
    unsigned codePage_;
};

// `text` from `from` into the default charset (the ANSI code page on
// Windows), for showing or storing it where the host wants ANSI text; a
// character the default charset lacks becomes '?'.
std::string ToDefault(const std::string& text, const Charset& from);

// UTF-8 text in `to`, with "?" for each character it cannot hold (as the
// send dialog converts its text).
std::string LossyEncoded(const Charset& to, const std::string& utf8);

// UTF-8 helpers shared by both platforms.
namespace utf8 {
// The length of the valid UTF-8 character at `text[pos]`, 0 when the bytes
// there are not one (bad, overlong, surrogate or cut off).
size_t CharLength(const std::string& text, size_t pos, uint32_t* codePoint);
// true when `text` is valid UTF-8; else fills *unfit with the first bad byte.
bool Valid(const std::string& text, Unfit* unfit);
}  // namespace utf8

namespace platform {
// Charset_posix.cpp (iconv) / Charset_win.cpp (code pages).
Charset Default();
std::optional<Charset> Find(const std::string& name);
bool Encode(const Charset& charset, const std::string& utf8, std::string* out, Unfit* unfit);
std::string Decode(const Charset& charset, const std::string& text);
bool ToUtf8(const Charset& charset, const std::string& text, std::string* out);
size_t MultiByteCutPoint(const Charset& charset, const std::string& text, size_t limit);
}  // namespace platform

}  // namespace charset
