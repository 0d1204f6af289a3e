#include "draft/Pages.h"

#include <algorithm>
#include <cctype>

#include "script/Extract.h"
#include "shell/Text.h"

namespace draft {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r' || c == '\n' || c == 0x1A; }

bool Cuts(const std::string& page, const std::string& pattern, const std::string& value) {
    std::string got;
    return script::CutCustomVar(page.data(), page.size(), pattern, &got) && got == value;
}

// Head and tail of a pattern hold no marker and no line break.
bool Plain(const std::string& piece) { return piece.find_first_of(std::string("()*\r\n\0", 7)) == std::string::npos; }

// Around each place where the value stands: the shortest head (from eight
// characters on, so the pattern survives small changes of the page) whose
// first place in the page is right before the value, and the shortest tail.
std::string AroundValue(const std::string& page, const std::string& value) {
    constexpr size_t kShortestHead = 8, kLongestHead = 64, kLongestTail = 8, kPlaces = 16;
    size_t place = page.find(value);
    for (size_t tries = 0; place != std::string::npos && tries < kPlaces; ++tries) {
        const size_t end = place + value.size();
        for (size_t h = std::min(kShortestHead, place); h >= 1 && h <= std::min(kLongestHead, place); ++h) {
            const std::string head = page.substr(place - h, h);
            if (!Plain(head)) break;
            if (page.find(head) != place - h) continue;
            for (size_t t = 1; t <= kLongestTail && end + t <= page.size(); ++t) {
                const std::string tail = page.substr(end, t);
                if (!Plain(tail)) break;
                const std::string pattern = head + "(*)" + tail;
                if (StoresAsValue(pattern) && Cuts(page, pattern, value)) return pattern;
            }
            if (end == page.size() && StoresAsValue(head + "(*") && Cuts(page, head + "(*", value)) return head + "(*";
        }
        place = page.find(value, place + 1);
    }
    return "";
}

bool HasDigit(const std::string& s) {
    return std::any_of(s.begin(), s.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}

std::string Trimmed(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

// The texts of a page a reader sees: between tags (scripts and styles
// left out) for HTML, else runs without digits; each cut at line breaks.
std::vector<std::string> Texts(const std::string& page) {
    std::vector<std::string> pieces;
    auto add = [&](const std::string& run) {
        size_t at = 0;
        while (at <= run.size()) {
            size_t end = run.find_first_of("\r\n", at);
            if (end == std::string::npos) end = run.size();
            const std::string piece = Trimmed(run.substr(at, end - at));
            if (!piece.empty()) pieces.push_back(piece);
            at = end + 1;
        }
    };
    if (page.find('<') == std::string::npos) {
        std::string run;
        for (char c : page) {
            if (std::isdigit(static_cast<unsigned char>(c))) {
                add(run);
                run.clear();
            } else {
                run += c;
            }
        }
        add(run);
        return pieces;
    }
    const std::string lower = text::LowerAscii(page);
    size_t at = 0;
    while (at < page.size()) {
        const size_t open = page.find('<', at);
        add(page.substr(at, (open == std::string::npos ? page.size() : open) - at));
        if (open == std::string::npos) break;
        size_t close = page.find('>', open);
        if (close == std::string::npos) break;
        for (const char* skipped : {"<script", "<style"}) {
            if (lower.compare(open, std::char_traits<char>::length(skipped), skipped) == 0) {
                const size_t end = lower.find(std::string("</") + (skipped + 1), close);
                close = end == std::string::npos ? page.size() - 1 : lower.find('>', end);
                if (close == std::string::npos) close = page.size() - 1;
            }
        }
        at = close + 1;
    }
    return pieces;
}

// At most 60 characters, cut at a blank.
std::string Short(const std::string& text) {
    constexpr size_t kLongest = 60;
    if (text.size() <= kLongest) return text;
    size_t cut = text.rfind(' ', kLongest);
    if (cut == std::string::npos || cut < 8) cut = kLongest;
    return Trimmed(text.substr(0, cut));
}

// The value of attribute `name` in a tag, "" when it has none.
std::string Attribute(const std::string& tag, const std::string& name) {
    const std::string lower = text::LowerAscii(tag);
    for (size_t at = lower.find(name + "="); at != std::string::npos; at = lower.find(name + "=", at + 1)) {
        if (at == 0 || !IsBlank(lower[at - 1])) continue;
        size_t v = at + name.size() + 1;
        if (v < tag.size() && (tag[v] == '"' || tag[v] == '\'')) {
            const size_t end = tag.find(tag[v], v + 1);
            return tag.substr(v + 1, end == std::string::npos ? std::string::npos : end - v - 1);
        }
        const size_t end = tag.find_first_of(" \t\r\n>", v);
        return tag.substr(v, end == std::string::npos ? std::string::npos : end - v);
    }
    return "";
}

}  // namespace

bool StoresAsValue(const std::string& text) {
    if (text.empty() || IsBlank(text.front()) || IsBlank(text.back())) return false;
    if (text.find_first_of(std::string("\r\n\0", 3)) != std::string::npos) return false;
    if (text.size() >= 2 && text.front() == text.back() && (text.front() == '"' || text.front() == '\'')) return false;
    // " ;" and some text: what the lint takes for a comment that stayed.
    for (size_t at = text.find(';'); at != std::string::npos; at = text.find(';', at + 1)) {
        if (at > 0 && IsBlank(text[at - 1])) return false;
    }
    return true;
}

std::string CutPattern(const std::string& page, const std::string& value, const std::string& field) {
    if (value.empty()) return "";
    if (!field.empty()) {
        const std::string pattern = "name=\"" + field + "\" value=\"(*)\"";
        if (Plain(field) && StoresAsValue(pattern) && Cuts(page, pattern, value)) return pattern;
    }
    return AroundValue(page, value);
}

std::string SuccessText(const std::string& last, const std::vector<const std::string*>& earlier,
                        const std::vector<std::string>& avoid, bool* sure) {
    auto avoided = [&](const std::string& text) {
        for (const std::string& a : avoid) {
            if (!a.empty() && text.find(a) != std::string::npos) return true;
        }
        return false;
    };
    auto inEarlier = [&](const std::string& text) {
        return std::any_of(earlier.begin(), earlier.end(),
                           [&](const std::string* page) { return page->find(text) != std::string::npos; });
    };
    std::string fallback;
    for (const std::string& piece : Texts(last)) {
        const std::string text = Short(piece);
        if (text.size() < 4 || !StoresAsValue(text) || avoided(text)) continue;
        if (HasDigit(text)) {
            // What stands before the first digit may still tell.
            const size_t digit = text.find_first_of("0123456789");
            const std::string before = Trimmed(text.substr(0, digit));
            if (fallback.empty() && before.size() >= 4 && StoresAsValue(before)) fallback = before;
            continue;
        }
        if (!inEarlier(text)) {
            *sure = true;
            return text;
        }
        if (fallback.empty()) fallback = text;
    }
    *sure = false;
    return fallback;
}

std::vector<std::string> PasswordFields(const std::string& page) {
    std::vector<std::string> names;
    const std::string lower = text::LowerAscii(page);
    for (size_t at = lower.find("<input"); at != std::string::npos; at = lower.find("<input", at + 1)) {
        const size_t end = page.find('>', at);
        const std::string tag = page.substr(at, end == std::string::npos ? std::string::npos : end - at);
        if (text::LowerAscii(Attribute(tag, "type")) != "password") continue;
        const std::string name = Attribute(tag, "name");
        if (!name.empty()) names.push_back(name);
    }
    return names;
}

}  // namespace draft
