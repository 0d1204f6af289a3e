// The parsed form of a section-and-key file, with the system reader's rules:
// lines end at CR or LF; blanks (space, tab, VT, FF, CR, LF and Ctrl-Z)
// around lines, names and values do not count; a section line runs from '['
// to the last ']'; a key line splits at its first '='; a line without '='
// is a key without a value; a text ends at a NUL; of two nameless keys in a
// row only the first is kept. Names compare with ASCII letters folded.
// Lines before the first section belong to a section without a name.
// Writing produces "[name]" and "key=value" lines ending in CR LF and
// nothing else, so blank lines go and blanks around '=' go.
// Templated on the unit: bytes for ANSI files, UTF-16 units otherwise.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace profile {
namespace document {

template <class C>
struct Key {
    std::basic_string<C> name;
    std::basic_string<C> value;
    bool hasValue = false;
    int line = 0;  // 1-based line of the file; 0 for an entry a write added
};

template <class C>
struct Section {
    std::basic_string<C> name;
    std::vector<Key<C>> keys;
    int line = 0;  // of the "[name]" line; 0 for the nameless section
};

// sections[0] is always the nameless one.
template <class C>
struct Document {
    std::vector<Section<C>> sections;
};

constexpr size_t kNone = static_cast<size_t>(-1);

template <class C>
inline bool IsBlank(C c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == 0x1A;
}

template <class C>
inline C FoldAscii(C c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<C>(c - 'A' + 'a') : c;
}

template <class C>
inline bool SameNoCase(const std::basic_string<C>& a, const C* b, size_t length) {
    if (a.size() != length) return false;
    for (size_t i = 0; i < length; ++i) {
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    }
    return true;
}

// A field of a line, ending at its first NUL.
template <class C>
inline std::basic_string<C> Field(const C* p, size_t length) {
    size_t n = 0;
    while (n < length && p[n] != 0) ++n;
    return std::basic_string<C>(p, n);
}

template <class C>
inline void Trim(const C* s, size_t* begin, size_t* end) {
    while (*begin < *end && IsBlank(s[*begin])) ++*begin;
    while (*end > *begin && IsBlank(s[*end - 1])) --*end;
}

template <class C>
Document<C> Parse(const C* s, size_t length) {
    Document<C> doc;
    doc.sections.emplace_back();
    Section<C>* current = &doc.sections.back();
    // A key line without a name right after another one is dropped.
    bool lastKeyNameless = false;
    size_t pos = 0;
    // Line numbers as an editor counts them: CR LF, a lone CR and a lone LF
    // each end one line.
    int line = 1;
    while (pos < length) {
        size_t begin = pos;
        const int lineOfText = line;
        while (pos < length && s[pos] != '\n' && s[pos] != '\r') ++pos;
        while (pos < length && (s[pos] == '\n' || s[pos] == '\r')) {
            if (s[pos] == '\n' || pos + 1 == length || s[pos + 1] != '\n') ++line;
            ++pos;
        }
        size_t end = pos;
        Trim(s, &begin, &end);
        if (begin >= end) continue;

        if (s[begin] == '[') {
            size_t close = end - 1;
            while (close > begin && s[close] != ']') --close;
            if (close > begin) {
                size_t nameBegin = begin + 1, nameEnd = close;
                Trim(s, &nameBegin, &nameEnd);
                doc.sections.emplace_back();
                current = &doc.sections.back();
                current->name = Field(s + nameBegin, nameEnd - nameBegin);
                current->line = lineOfText;
                lastKeyNameless = false;
                continue;
            }
            // No ']': an ordinary line.
        }

        Key<C> key;
        size_t equals = begin;
        while (equals < end && s[equals] != '=') ++equals;
        if (equals < end) {
            size_t nameEnd = equals, valueBegin = equals + 1, valueEnd = end;
            while (nameEnd > begin && IsBlank(s[nameEnd - 1])) --nameEnd;
            if (nameEnd == begin && lastKeyNameless) continue;
            Trim(s, &valueBegin, &valueEnd);
            key.name = Field(s + begin, nameEnd - begin);
            key.value = Field(s + valueBegin, valueEnd - valueBegin);
            key.hasValue = true;
        } else {
            key.name = Field(s + begin, end - begin);
        }
        lastKeyNameless = key.name.empty();
        key.line = lineOfText;
        current->keys.push_back(std::move(key));
    }
    return doc;
}

template <class C>
std::basic_string<C> Serialize(const Document<C>& doc) {
    std::basic_string<C> out;
    const C kLineEnd[] = {'\r', '\n', 0};
    for (const Section<C>& section : doc.sections) {
        if (!section.name.empty()) {
            out += C('[');
            out += section.name;
            out += C(']');
            out += kLineEnd;
        }
        for (const Key<C>& key : section.keys) {
            out += key.name;
            if (key.hasValue) {
                out += C('=');
                out += key.value;
            }
            out += kLineEnd;
        }
    }
    return out;
}

// Lookups trim the name asked for; the first section of that name is the
// only one searched, and the first key of that name in it wins.
template <class C>
size_t FindSection(const Document<C>& doc, const std::basic_string<C>& name) {
    size_t begin = 0, end = name.size();
    Trim(name.data(), &begin, &end);
    for (size_t i = 0; i < doc.sections.size(); ++i) {
        if (SameNoCase(doc.sections[i].name, name.data() + begin, end - begin)) return i;
    }
    return kNone;
}

template <class C>
size_t FindKey(const Section<C>& section, const std::basic_string<C>& name) {
    size_t begin = 0, end = name.size();
    Trim(name.data(), &begin, &end);
    for (size_t i = 0; i < section.keys.size(); ++i) {
        if (SameNoCase(section.keys[i].name, name.data() + begin, end - begin)) return i;
    }
    return kNone;
}

// The value that a read gives, before it is cut to the buffer: the key's
// value, or empty when there is none.
template <class C>
std::basic_string<C> Lookup(const Document<C>& doc, const std::basic_string<C>& section,
                            const std::basic_string<C>& key) {
    size_t s = FindSection(doc, section);
    if (s == kNone) return {};
    size_t k = FindKey(doc.sections[s], key);
    if (k == kNone || !doc.sections[s].keys[k].hasValue) return {};
    return doc.sections[s].keys[k].value;
}

// What a read of `size` units copies out of `value`: a value in matching
// quotes loses them, and then one more unit whenever the buffer is at
// least as long as the value less its opening quote (the system's reader
// cuts a character of an exactly fitting quoted value too).
template <class C>
void CutForBuffer(const std::basic_string<C>& value, size_t size, size_t* offset, size_t* count) {
    size_t n = value.size();
    bool quoted = n >= 2 && (value[0] == '\'' || value[0] == '"') && value[n - 1] == value[0];
    *offset = quoted ? 1 : 0;
    if (quoted) --n;
    *count = size == 0 ? 0 : (n < size - 1 ? n : size - 1);
    if (quoted && size >= n && *count > 0) --*count;
}

// Sets a value; gives true when the document changed. The new value loses
// its leading blanks; new names lose theirs but keep trailing ones.
template <class C>
bool SetValue(Document<C>& doc, const std::basic_string<C>& section, const std::basic_string<C>& key,
              const std::basic_string<C>& value) {
    size_t v = 0;
    while (v < value.size() && IsBlank(value[v])) ++v;
    std::basic_string<C> newValue = value.substr(v);

    auto leadTrimmed = [](const std::basic_string<C>& t) {
        size_t b = 0;
        while (b < t.size() && IsBlank(t[b])) ++b;
        return t.substr(b);
    };

    size_t s = FindSection(doc, section);
    if (s == kNone) {
        doc.sections.emplace_back();
        doc.sections.back().name = leadTrimmed(section);
        s = doc.sections.size() - 1;
    }
    Section<C>& target = doc.sections[s];
    size_t k = FindKey(target, key);
    if (k == kNone) {
        target.keys.emplace_back();
        target.keys.back().name = leadTrimmed(key);
        k = target.keys.size() - 1;
    }
    Key<C>& entry = target.keys[k];
    if (entry.hasValue && entry.value == newValue) return false;
    entry.value = std::move(newValue);
    entry.hasValue = true;
    return true;
}

// Deleting compares the whole name as given, without trimming it.
template <class C>
bool RemoveSection(Document<C>& doc, const std::basic_string<C>& section) {
    for (size_t i = 0; i < doc.sections.size(); ++i) {
        if (SameNoCase(doc.sections[i].name, section.data(), section.size())) {
            doc.sections.erase(doc.sections.begin() + static_cast<std::ptrdiff_t>(i));
            return true;
        }
    }
    return false;
}

// Every section of the name is searched; the first matching key goes.
template <class C>
bool RemoveKey(Document<C>& doc, const std::basic_string<C>& section, const std::basic_string<C>& key) {
    for (Section<C>& s : doc.sections) {
        if (!SameNoCase(s.name, section.data(), section.size())) continue;
        for (size_t i = 0; i < s.keys.size(); ++i) {
            if (SameNoCase(s.keys[i].name, key.data(), key.size())) {
                s.keys.erase(s.keys.begin() + static_cast<std::ptrdiff_t>(i));
                return true;
            }
        }
    }
    return false;
}

}  // namespace document
}  // namespace profile
