// "CustomVar%d": a JSON path that cannot be read, and the pattern that
// loses its end: one whose outer quotes the reader took, or whose "(*)" has
// nothing behind it to find, so that the value runs to the end of the page.
#include <regex>

#include "LintChecks.h"
#include "script/Extract.h"
#include "script/JsonPath.h"

namespace lint {
namespace {

// Quotes around the whole value, which the reader drops.
bool WrittenInQuotes(const Key& key) {
    const std::string& v = key.value;
    return v.size() >= 2 && (v[0] == '"' || v[0] == '\'') && v.back() == v[0];
}

// Whether the value of a pattern ends only at the end of the page: after
// its markers, the text behind "*" is empty or the ")" the end kept as a
// character (the runner's own reading, script::CutCustomVar).
bool NoEndMarker(const std::string& pattern) {
    std::string t = pattern;
    const size_t open = t.find('(');
    if (open != std::string::npos && open + 1 < t.size()) t.erase(open, 1);
    const size_t close = t.find(')');
    if (close != std::string::npos && close + 1 < t.size()) t.erase(close, 1);
    const size_t star = t.find('*');
    if (star == std::string::npos) return false;
    const std::string tail = t.substr(star + 1);
    return tail.empty() || tail == ")";
}

// "json:name" for a pattern that begins like a JSON member ("name":"), else "".
std::string JsonAlternative(const std::string& pattern) {
    static const std::regex member(R"re(^"?([A-Za-z0-9_.-]+)"\s*:\s*"?\(\*)re");
    std::smatch m;
    if (!std::regex_search(pattern, m, member)) return std::string();
    return std::string(script::kJsonPathPrefix) + m[1].str();
}

void CheckJsonPath(Sheet& sheet, const Key& key, const std::string& value) {
    std::vector<script::JsonStep> steps;
    std::string error;
    if (script::ParseJsonPath(value, &steps, &error)) return;
    sheet.Warn(key.line, key.name + " \"" + value + "\" is no JSON path (" + error + "): it never finds a value",
               "write member names joined by \".\" and indexes in brackets, for example " + key.name +
                   "=json:data.items[0].id");
}

void CheckPattern(Sheet& sheet, const Key& key, const std::string& value) {
    const bool unquoted = WrittenInQuotes(key);
    if (!NoEndMarker(value)) {
        // Quotes inside that the author did not double: the outer ones were meant as text.
        const bool doubled = !value.empty() && value.front() == key.value.front() && value.back() == value.front();
        if (unquoted && !doubled && value.find(key.value.front()) != std::string::npos) {
            sheet.Warn(key.line, "the reader removes the quotes around " + key.name + ": the pattern is " + value,
                       "write each outer quote twice to keep it: " + key.name + "=" + key.value.front() + key.value +
                           key.value.back());
        }
        return;
    }
    const std::string why =
        (unquoted ? key.name + " lost its outer quotes to the reader: it reads " + value + ", which"
                  : key.name + " " + value) +
        " has no end marker after (*), so the value runs to the end of the page (a \")\" at the very end is text "
        "to find)";
    std::string fix;
    const std::string json = JsonAlternative(value);
    if (!json.empty()) fix = "for a JSON reply write " + key.name + "=" + json + "; for a pattern ";
    fix += "write the text that follows the value after (*)";
    if (unquoted) fix += ", and each outer quote twice (" + key.name + "=\"" + key.value + "\")";
    sheet.Warn(key.line, why, fix);
}

}  // namespace

void CheckCustomVar(Sheet& sheet, const Key& key, const std::string& value) {
    if (script::IsJsonPath(value)) {
        CheckJsonPath(sheet, key, value);
    } else {
        CheckPattern(sheet, key, value);
    }
}

}  // namespace lint
