#include "shell/Charset.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace charset {
namespace platform {

namespace {

struct Alias {
    const char* name;
    unsigned codePage;
};
// Names the C library's iconv also knows, so both builds take the same ones.
const Alias kAliases[] = {
    {"US-ASCII", 20127}, {"ASCII", 20127},  {"KOI8-R", 20866}, {"KOI8-U", 21866}, {"SHIFT_JIS", 932},
    {"SJIS", 932},       {"GBK", 936},      {"GB2312", 936},   {"BIG5", 950},     {"EUC-KR", 51949},
    {"EUC-JP", 51932},   {"LATIN1", 28591}, {"LATIN2", 28592},
};

bool StartsWithNoCase(const std::string& text, const char* prefix, std::string* rest) {
    size_t n = std::strlen(prefix);
    if (text.size() <= n || _strnicmp(text.c_str(), prefix, n) != 0) return false;
    *rest = text.substr(n);
    return true;
}

unsigned Number(const std::string& digits) {
    if (digits.empty() || digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos) return 0;
    return static_cast<unsigned>(std::strtoul(digits.c_str(), nullptr, 10));
}

unsigned CodePageOf(const std::string& name) {
    for (const Alias& a : kAliases) {
        if (_stricmp(name.c_str(), a.name) == 0) return a.codePage;
    }
    std::string rest;
    if (StartsWithNoCase(name, "ISO-8859-", &rest) || StartsWithNoCase(name, "ISO8859-", &rest)) {
        unsigned n = Number(rest);
        return n >= 1 && n <= 16 ? 28590 + n : 0;
    }
    if (StartsWithNoCase(name, "WINDOWS-", &rest) || StartsWithNoCase(name, "CP", &rest) ||
        StartsWithNoCase(name, "IBM", &rest)) {
        return Number(rest);
    }
    return 0;
}

// Wide text is held in a vector: std::wstring would bring the whole of the
// library's wide string into the DLL for these few calls.
using WideText = std::vector<wchar_t>;

WideText Wide(UINT codePage, const std::string& text, DWORD flags) {
    if (text.empty()) return WideText();
    int n = MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (n <= 0) return WideText();
    WideText out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

// Wide text in a code page; *lost tells whether a character had no place.
std::string Narrow(UINT codePage, const WideText& text, bool* lost) {
    if (text.empty()) return std::string();
    BOOL usedDefault = FALSE;
    const bool utf8 = codePage == CP_UTF8;
    DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL* used = utf8 ? nullptr : &usedDefault;
    int n = WideCharToMultiByte(codePage, flags, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, used);
    if (n <= 0) {
        if (lost) *lost = true;
        return std::string();
    }
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(codePage, flags, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr, used);
    if (lost) *lost = usedDefault != FALSE;
    return out;
}

Charset Make(unsigned codePage, std::string name) {
    CPINFO info{};
    GetCPInfo(codePage, &info);
    return Charset(std::move(name), info.MaxCharSize > 1 ? Charset::Width::kMultiByte : Charset::Width::kSingleByte,
                   codePage);
}

}  // namespace

Charset Default() {
    UINT acp = GetACP();
    if (acp == CP_UTF8) return Charset::Utf8();
    return Make(acp, "CP" + std::to_string(acp));
}

std::optional<Charset> Find(const std::string& name) {
    unsigned codePage = CodePageOf(name);
    if (codePage == 0 || codePage == CP_UTF8 || !IsValidCodePage(codePage)) return std::nullopt;
    CPINFO info{};
    // Single-byte and double-byte code pages only: the others have no
    // lead bytes to find a character's start by.
    if (!GetCPInfo(codePage, &info) || info.MaxCharSize > 2) return std::nullopt;
    WideText ascii;
    for (wchar_t c = L' '; c <= L'~'; ++c) ascii.push_back(c);
    bool lost = false;
    std::string narrow = Narrow(codePage, ascii, &lost);
    if (lost || narrow.size() != ascii.size()) return std::nullopt;
    for (size_t i = 0; i < ascii.size(); ++i) {
        if (narrow[i] != static_cast<char>(ascii[i])) return std::nullopt;
    }
    return Make(codePage, name);
}

bool Encode(const Charset& charset, const std::string& utf8, std::string* out, Unfit* unfit) {
    WideText wide = Wide(CP_UTF8, utf8, 0);
    bool lost = false;
    std::string result = Narrow(charset.codePage(), wide, &lost);
    if (!lost) {
        *out = std::move(result);
        return true;
    }
    // Which character: one at a time, from the start.
    for (size_t pos = 0; pos < utf8.size();) {
        uint32_t c = 0;
        size_t length = utf8::CharLength(utf8, pos, &c);
        std::string one = utf8.substr(pos, length);
        bool oneLost = false;
        Narrow(charset.codePage(), Wide(CP_UTF8, one, 0), &oneLost);
        if (oneLost) {
            if (unfit) *unfit = Unfit{one, c, pos};
            return false;
        }
        pos += length;
    }
    if (unfit) *unfit = Unfit{"", 0, 0};
    return false;
}

std::string Decode(const Charset& charset, const std::string& text) {
    return Narrow(CP_UTF8, Wide(charset.codePage(), text, 0), nullptr);
}

bool ToUtf8(const Charset& charset, const std::string& text, std::string* out) {
    if (text.empty()) {
        out->clear();
        return true;
    }
    WideText wide = Wide(charset.codePage(), text, MB_ERR_INVALID_CHARS);
    if (wide.empty()) return false;
    *out = Narrow(CP_UTF8, wide, nullptr);
    return true;
}

size_t MultiByteCutPoint(const Charset& charset, const std::string& text, size_t limit) {
    size_t pos = 0;
    while (pos < limit) {
        size_t step = IsDBCSLeadByteEx(charset.codePage(), static_cast<BYTE>(text[pos])) ? 2 : 1;
        if (pos + step > limit) break;
        pos += step;
    }
    return pos;
}

}  // namespace platform
}  // namespace charset
