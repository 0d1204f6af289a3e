// The traps of the file format itself, in every value of a file: the reader
// has no comments after values, so "Type=GET ; or POST" is the type
// "GET ; or POST".
#include "LintChecks.h"

namespace lint {
namespace {

bool IsSpaceOrTab(char c) { return c == ' ' || c == '\t'; }

// Where a blank, ";" and some text begin in `value`, or npos.
size_t TrailingComment(const std::string& value) {
    for (size_t at = value.find(';'); at != std::string::npos; at = value.find(';', at + 1)) {
        if (at == 0 || !IsSpaceOrTab(value[at - 1])) continue;
        const size_t text = value.find_first_not_of(" \t", at + 1);
        if (text == std::string::npos) continue;
        size_t start = at;
        while (start > 0 && IsSpaceOrTab(value[start - 1])) --start;
        return start;
    }
    return std::string::npos;
}

}  // namespace

void CheckValueComments(Sheet& sheet) {
    for (const Section& section : sheet.Doc().sections) {
        for (const Key& key : section.keys) {
            if (IsComment(key) || !key.hasValue) continue;
            const size_t at = TrailingComment(key.value);
            if (at == std::string::npos) continue;
            sheet.Warn(key.line,
                       key.name + " holds \"" + key.value.substr(at) +
                           "\": the reader keeps it as part of the value (there are no comments after values)",
                       "write " + key.name + "=" + key.value.substr(0, at) +
                           " and put the comment on a line of its own that begins with ;");
        }
    }
}

void CheckSuccessText(Sheet& sheet, const Key& key, const std::string& value) {
    const size_t last = value.size() - 1;
    const unsigned char end = static_cast<unsigned char>(value[last]);
    if (!IsSpaceOrTab(value[last]) && end != 0xA0) return;
    sheet.Warn(key.line, "the Success text \"" + value + "\" ends in blanks: the last page must hold them too, exactly",
               "end the Success text with the last visible character of the provider's page");
}

}  // namespace lint
