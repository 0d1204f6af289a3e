// "UseSelectData": every <select> list of a page gives its name and its
// chosen option's value. Searched naively, each list would search to the
// end of the page for its "</select" and walk every later option; here
// every search role keeps a Cursor (its starting points only move
// forward), and the selected options are found once for the whole page.
#include <algorithm>
#include <string>
#include <utility>

#include "script/Extract.h"
#include "script/Search.h"
#include "shell/Log.h"

namespace script {
namespace {

struct Patterns {
    Pattern select{"<select", 7, true};
    Pattern endSelect{"</select", 8, false};
    Pattern gt{">", 1, false};
    Pattern lt{"<", 1, false};
    Pattern name{"name", 4, true};
    Pattern value{"value", 5, true};
    Pattern selected{"selected", 8, true};
    Pattern option{"<option", 7, true};
    Pattern eq{"=", 1, false};
    Pattern quote{"\"", 1, false};
    Pattern space{" ", 1, false};
};

struct Span {
    size_t begin = 0;
    size_t end = 0;
};

// The text behind an "=": inside double quotes when a quote follows
// anywhere (up to the next quote, or the next ">"), else up to a space.
struct AttributeReader {
    explicit AttributeReader(const Patterns& p)
        : eq(p.eq), quote(p.quote), closing(p.quote), gt(p.gt), space(p.space) {}
    Cursor eq, quote, closing, gt, space;

    bool Read(const char* text, size_t length, size_t from, Span* span) {
        const size_t e = eq.Next(text, length, from);
        if (e == kNotFound) return false;
        const size_t q = quote.Next(text, length, e + 1);
        if (q != kNotFound) {
            size_t end = closing.Next(text, length, q + 1);
            if (end == kNotFound) end = gt.Next(text, length, q + 1);
            if (end == kNotFound) return false;
            *span = Span{q + 1, end};
            return true;
        }
        const size_t end = space.Next(text, length, e + 1);
        if (end == kNotFound) return false;
        *span = Span{e + 1, end};
        return true;
    }
};

// An option's value; one reader serves a sequence of options in page order.
struct OptionReader {
    explicit OptionReader(const Patterns& p) : value(p.value), lt(p.lt), attribute(p) {}
    Cursor value, lt;
    AttributeReader attribute;

    bool Read(const char* text, size_t length, size_t o, size_t h, Span* span) {
        const size_t v = value.Next(text, length, o + 1);
        if (v != kNotFound && v + 5 < h && attribute.eq.Next(text, length, v + 5) != kNotFound) {
            if (!attribute.Read(text, length, v + 5, span)) return false;
        } else {
            const size_t end = lt.Next(text, length, h + 1);
            if (end == kNotFound) return false;
            *span = Span{h + 1, end};
        }
        while (span->begin < span->end && IsBlank(text[span->begin])) ++span->begin;
        while (span->end > span->begin && IsBlank(text[span->end - 1])) --span->end;
        return true;
    }
    static bool IsBlank(char c) { return c == ' ' || c == '\n' || c == '\r'; }
};

struct SelectedOption {
    size_t at;
    Span value;
    bool readable;
};

// Every option after which "selected" occurs before its ">", in page order.
std::vector<SelectedOption> FindSelectedOptions(const Patterns& p, const char* text, size_t length) {
    std::vector<SelectedOption> found;
    Cursor option(p.option), gt(p.gt), selected(p.selected);
    OptionReader reader(p);
    for (size_t o = option.Next(text, length, 0); o != kNotFound; o = option.Next(text, length, o + 1)) {
        const size_t h = gt.Next(text, length, o + 1);
        if (h == kNotFound) break;  // no later option has a ">" either
        const size_t s = selected.Next(text, length, o + 1);
        if (s == kNotFound || s > h) continue;
        SelectedOption entry{o, Span{}, false};
        entry.readable = reader.Read(text, length, o, h, &entry.value);
        found.push_back(entry);
    }
    return found;
}

// The KeyList pair of one list: made by its first option, or by the first
// selected one when the first option's value cannot be read; each later
// selected option puts its value in.
class ListPair {
public:
    ListPair(RunLists* lists, std::string name) : lists_(lists), name_(std::move(name)) {}

    // False when the KeyList is full: then no later list can be kept either.
    bool Take(const char* text, const Span& value) {
        const std::string v(text + value.begin, std::min(value.end - value.begin, kMaxKeptValue));
        if (pair_ == kNotFound) {
            if (lists_->keys.size() >= kMaxKeys) {
                WriteLog(" - WARNING: Maximum number of keys reached, <select> %s dropped\n", name_.c_str());
                return false;
            }
            pair_ = lists_->keys.size();
            lists_->keys.push_back(KeyPair{name_, v});
        } else {
            lists_->keys[pair_].value = v;
        }
        WriteLog(" - Found <select> %s=%s\n", name_.c_str(), v.c_str());
        return true;
    }

private:
    RunLists* lists_;
    std::string name_;
    size_t pair_ = kNotFound;
};

}  // namespace

void ExtractSelectLists(const char* body, size_t length, RunLists* lists) {
    length = TextLength(body, length);
    const char* text = body;
    const Patterns p;
    Cursor select(p.select), endSelect(p.endSelect), gt(p.gt), name(p.name), firstOption(p.option), firstGt(p.gt);
    AttributeReader nameReader(p);
    OptionReader firstReader(p);
    std::vector<SelectedOption> selected;
    bool selectedKnown = false;

    for (size_t s = select.Next(text, length, 1); s != kNotFound; s = select.Next(text, length, s + 1)) {
        size_t listEnd = endSelect.Next(text, length, s + 1);
        if (listEnd == kNotFound) listEnd = length;
        const size_t g = gt.Next(text, length, s + 1);
        if (g == kNotFound) break;

        const size_t n = name.Next(text, length, s + 1);
        if (n == kNotFound || n + 4 >= g) continue;
        Span nameSpan;
        if (!nameReader.Read(text, length, n + 4, &nameSpan)) continue;
        ListPair pair(lists, std::string(text + nameSpan.begin, nameSpan.end - nameSpan.begin));

        const size_t o = firstOption.Next(text, length, s + 1);
        if (o == kNotFound || o >= listEnd) continue;
        const size_t h = firstGt.Next(text, length, o + 1);
        if (h == kNotFound) continue;

        Span first;
        if (firstReader.Read(text, length, o, h, &first) && !pair.Take(text, first)) break;

        if (!selectedKnown) {
            selected = FindSelectedOptions(p, text, length);
            selectedKnown = true;
        }
        auto it = std::upper_bound(selected.begin(), selected.end(), o,
                                   [](size_t at, const SelectedOption& e) { return at < e.at; });
        bool full = false;
        for (; !full && it != selected.end() && it->at < listEnd; ++it) {
            if (it->readable) full = !pair.Take(text, it->value);
        }
        if (full) break;
    }
}

}  // namespace script
