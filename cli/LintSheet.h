// One parsed file as the checks see it: the reader's own document and its
// lookups (the first section of a name; in it, the first key of a name),
// values cut to the buffers the plug-in reads them into, and a record of
// every section and key the plug-in reaches. What it never reaches is
// reported at the end, with the reason.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <set>
#include <unordered_map>
#include <string>
#include <vector>

#include "Lint.h"
#include "script/profile/ProfileDocument.h"

namespace lint {

using Section = profile::document::Section<char>;
using Key = profile::document::Key<char>;
using Document = profile::document::Document<char>;

std::string Lower(std::string s);
bool IsComment(const Key& key);  // a ";" line: a key no one asks for

class Sheet {
public:
    Sheet(std::string file, Document doc, std::vector<Finding>& out);

    void Error(int line, std::string message, std::string fix);
    void Warn(int line, std::string message, std::string fix);
    void Note(int line, std::string message);

    const Document& Doc() const { return doc_; }

    // Lookups as the reader makes them; what they find counts as read.
    const Section* FindSection(const std::string& name);
    const Key* FindKey(const Section* section, const std::string& name);
    // What a read into a buffer of `size` bytes gives ("" for no key); a
    // value cut short is reported once.
    std::string Value(const Key* key, size_t size);
    // The key when it reads as non-empty, else null.
    const Key* Present(const Section* section, const std::string& name, size_t size);

    // Says whether a numbered entry `n` continues its list; if not, may say
    // why ("has no ';'"): the list then ends there.
    using Continues = std::function<bool(int n, const Key* key, std::string* why)>;
    struct ListRules {
        int first = 1;                        // where the reader starts
        Continues goOn;                       // beyond a non-empty value
        std::string beforeFirst;              // completes "<name> ..." for entries below `first`
        std::string never = "is never read";  // completes "<name> ..." for entries past the end
    };
    // A numbered list of keys ("Prefix1", "Prefix2", ...) read as the plug-in
    // reads it: from `first` up to the first empty value or until `goOn` says
    // no. The entries it never reaches are reported at the end.
    std::vector<const Key*> ReadList(const Section* section, const std::string& stem, size_t size,
                                     const ListRules& rules);
    std::vector<const Key*> ReadList(const Section* section, const std::string& stem, size_t size) {
        return ReadList(section, stem, size, ListRules());
    }
    // Numbered sections ("Request1", ...) while `goOn` holds for each. In
    // reports, `ends` is "the script ends" and `never` "is never run".
    using SectionContinues = std::function<bool(const Section* section, std::string* why)>;
    std::vector<const Section*> ReadSectionList(const std::string& stem, const std::string& ends,
                                                const std::string& never, const SectionContinues& goOn);

    // Keeps an entry out of the final report: it was reported already.
    void Reported(const void* entry) { reported_.insert(entry); }
    // Reports every section and key never read; `unknownSection` completes
    // "section [X] ..." for a section that no list explains.
    void ReportUnread(const std::string& unknownSection, const std::string& unknownFix);

private:
    struct ListEnd {
        ListRules rules;
        int end = 1;
        std::string why;   // of the entry at `end`
        std::string ends;  // sections only
    };
    bool ReportNumbered(const Key& key, const std::map<std::string, ListEnd>& lists);
    void ReportUnreadKeys(const Section& section);

    // The first of each name, as the reader finds it: letters' case folded.
    using Index = std::unordered_map<std::string, size_t>;
    const Index& KeyIndex(const Section& section);
    size_t FirstKey(const Section& section, const std::string& name);

    std::string file_;
    Document doc_;
    Index sectionIndex_;
    std::unordered_map<const Section*, Index> keyIndexes_;
    std::vector<Finding>& out_;
    std::set<const void*> read_;
    std::set<const void*> reported_;
    std::set<const void*> cutReported_;
    std::map<const Section*, std::map<std::string, ListEnd>> keyLists_;  // by section, then stem
    std::map<std::string, ListEnd> sectionLists_;                        // by stem
};

}  // namespace lint
