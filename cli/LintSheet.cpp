#include "LintSheet.h"

#include <cctype>

#include "script/Extract.h"
#include "script/profile/NumberedKeys.h"
#include "shell/Text.h"

namespace lint {

namespace doc = profile::document;

namespace {

// The number after `stem` in `name` (letters' case aside): -1 when `name`
// is not `stem` and digits, -2 for a leading zero, large numbers capped.
int NumberOf(const std::string& name, const std::string& stem) {
    if (name.size() <= stem.size() || Lower(name.substr(0, stem.size())) != Lower(stem)) return -1;
    const std::string digits = name.substr(stem.size());
    for (char c : digits) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return -1;
    }
    if (digits.size() > 1 && digits[0] == '0') return -2;
    return digits.size() > 5 ? 100000 : std::stoi(digits);
}

bool OutOfRange(int n) { return n == -2 || n == 0 || n > profile::kLastNumber; }

}  // namespace

std::string Lower(std::string s) { return text::LowerAscii(std::move(s)); }

bool IsComment(const Key& key) { return !key.name.empty() && key.name[0] == ';'; }

Sheet::Sheet(std::string file, Document document, std::vector<Finding>& out)
    : file_(std::move(file)), doc_(std::move(document)), out_(out) {
    for (size_t i = 0; i < doc_.sections.size(); ++i) sectionIndex_.emplace(Lower(doc_.sections[i].name), i);
}

const Sheet::Index& Sheet::KeyIndex(const Section& section) {
    auto found = keyIndexes_.find(&section);
    if (found != keyIndexes_.end()) return found->second;
    Index& index = keyIndexes_[&section];
    for (size_t i = 0; i < section.keys.size(); ++i) index.emplace(Lower(section.keys[i].name), i);
    return index;
}

size_t Sheet::FirstKey(const Section& section, const std::string& name) {
    const Index& index = KeyIndex(section);
    auto found = index.find(Lower(name));
    return found == index.end() ? doc::kNone : found->second;
}

void Sheet::Error(int line, std::string message, std::string fix) {
    out_.push_back({file_, line, Severity::Error, std::move(message), std::move(fix)});
}

void Sheet::Warn(int line, std::string message, std::string fix) {
    out_.push_back({file_, line, Severity::Warning, std::move(message), std::move(fix)});
}

void Sheet::Note(int line, std::string message) {
    out_.push_back({file_, line, Severity::Note, std::move(message), ""});
}

const Section* Sheet::FindSection(const std::string& name) {
    auto found = sectionIndex_.find(Lower(name));
    if (found == sectionIndex_.end()) return nullptr;
    const size_t i = found->second;
    read_.insert(&doc_.sections[i]);
    return &doc_.sections[i];
}

const Key* Sheet::FindKey(const Section* section, const std::string& name) {
    if (!section) return nullptr;
    size_t i = FirstKey(*section, name);
    if (i == doc::kNone) return nullptr;
    read_.insert(&section->keys[i]);
    return &section->keys[i];
}

std::string Sheet::Value(const Key* key, size_t size) {
    if (!key || !key->hasValue) return "";
    size_t offset = 0, count = 0;
    doc::CutForBuffer(key->value, size, &offset, &count);
    const size_t whole = key->value.size() - 2 * offset;
    if (count < whole && cutReported_.insert(key).second) {
        Warn(key->line,
             key->name + " is " + std::to_string(whole) + " characters long; the plug-in reads only the first " +
                 std::to_string(count) + " and loses the rest",
             "shorten the value to at most " + std::to_string(count) + " characters");
    }
    return key->value.substr(offset, count);
}

const Key* Sheet::Present(const Section* section, const std::string& name, size_t size) {
    const Key* key = FindKey(section, name);
    return Value(key, size).empty() ? nullptr : key;
}

std::vector<const Key*> Sheet::ReadList(const Section* section, const std::string& stem, size_t size,
                                        const ListRules& rules) {
    std::vector<const Key*> keys;
    ListEnd info;
    info.rules = rules;
    info.end = profile::ForEachNumbered({stem, rules.first}, [&](int n, const std::string& name) {
        const Key* key = FindKey(section, name);
        if (Value(key, size).empty()) {
            info.why = key ? "is empty" : "is missing";
            return false;
        }
        if (rules.goOn && !rules.goOn(n, key, &info.why)) return false;
        keys.push_back(key);
        return true;
    });
    if (section) keyLists_[section][stem] = info;
    return keys;
}

std::vector<const Section*> Sheet::ReadSectionList(const std::string& stem, const std::string& ends,
                                                   const std::string& never, const SectionContinues& goOn) {
    std::vector<const Section*> sections;
    ListEnd info;
    info.ends = ends;
    info.rules.never = never;
    info.end = profile::ForEachNumbered({stem}, [&](int, const std::string& name) {
        const Section* section = FindSection(name);
        if (!section) {
            info.why = "is missing";
            return false;
        }
        if (!goOn(section, &info.why)) {
            read_.erase(section);
            return false;
        }
        sections.push_back(section);
        return true;
    });
    sectionLists_[stem] = info;
    return sections;
}

void Sheet::ReportUnread(const std::string& unknownSection, const std::string& unknownFix) {
    for (size_t i = 0; i < doc_.sections.size(); ++i) {
        const Section& section = doc_.sections[i];
        if (i == 0) {
            for (const Key& key : section.keys) {
                if (IsComment(key)) continue;
                Warn(key.line, "text before the first section is never read", "move it into a section or delete it");
                break;
            }
            continue;
        }
        if (reported_.count(&section)) continue;
        if (read_.count(&section)) {
            ReportUnreadKeys(section);
            continue;
        }
        const Section& first = doc_.sections[sectionIndex_.at(Lower(section.name))];
        if (&first != &section && read_.count(&first)) {
            Error(section.line,
                  "section [" + section.name + "] appears again (first at line " + std::to_string(first.line) +
                      "): the plug-in reads only the first, so this one is ignored with all its keys",
                  "merge the two sections into one");
            continue;
        }
        bool explained = false;
        for (const auto& [stem, list] : sectionLists_) {
            const int n = NumberOf(section.name, stem);
            if (n == -1) continue;
            const std::string head = "[" + section.name + "] " + list.rules.never;
            if (OutOfRange(n)) {
                Warn(section.line,
                     head + ": numbers go from 1 to " + std::to_string(profile::kLastNumber) + " without leading zeros",
                     "renumber the sections from " + profile::NumberedName(stem, 1));
            } else if (n == list.end) {
                Warn(section.line, head + ": it " + list.why + ", so " + list.ends + " before it",
                     "complete it or delete it");
            } else {
                Warn(section.line,
                     head + ": " + list.ends + " at [" + profile::NumberedName(stem, list.end) + "], which " + list.why,
                     "renumber the sections without gaps");
            }
            explained = true;
        }
        if (!explained) Warn(section.line, "section [" + section.name + "] " + unknownSection, unknownFix);
    }
}

void Sheet::ReportUnreadKeys(const Section& section) {
    const auto lists = keyLists_.find(&section);
    for (const Key& key : section.keys) {
        if (read_.count(&key) || reported_.count(&key) || IsComment(key)) continue;
        const Key& first = section.keys[FirstKey(section, key.name)];
        if (&first != &key) {
            Warn(key.line,
                 "key " + key.name + " is repeated in [" + section.name + "]; only the first one (line " +
                     std::to_string(first.line) + ") is read",
                 "delete one of the two");
            continue;
        }
        if (!key.hasValue) {
            Warn(key.line, "line is neither a [section] nor key=value and is ignored", "write it as key=value");
            continue;
        }
        if (lists != keyLists_.end() && ReportNumbered(key, lists->second)) continue;
        Warn(key.line, "[" + section.name + "] key " + key.name + " is not one the plug-in reads",
             "check its spelling or delete it");
    }
}

bool Sheet::ReportNumbered(const Key& key, const std::map<std::string, ListEnd>& lists) {
    for (const auto& [stem, list] : lists) {
        const int n = NumberOf(key.name, stem);
        if (n == -1) continue;
        if (n == -2) {
            Warn(key.line, key.name + " has a leading zero and is never read", "number it without leading zeros");
        } else if (OutOfRange(n)) {
            Warn(key.line, key.name + " is outside 1 to " + std::to_string(profile::kLastNumber) + " and is never read",
                 "renumber it from 1");
        } else if (n < list.rules.first) {
            Warn(key.line, key.name + " " + list.rules.beforeFirst,
                 "number on from " + profile::NumberedName(stem, list.rules.first));
        } else {
            Warn(key.line,
                 key.name + " " + list.rules.never + ": the " + stem + " list ends at " +
                     profile::NumberedName(stem, list.end) + ", which " + list.why,
                 "renumber the list without gaps");
        }
        return true;
    }
    return false;
}

}  // namespace lint
