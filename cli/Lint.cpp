#include "Lint.h"

#include <algorithm>
#include <cstdio>

#include "LintChecks.h"
#include "script/profile/ProfileFile.h"

namespace lint {
namespace {

bool EndsWithNoCase(const std::string& s, const std::string& suffix) {
    return s.size() >= suffix.size() && Lower(s.substr(s.size() - suffix.size())) == suffix;
}

bool HoldsNothing(const Document& doc) {
    if (doc.sections.size() > 1) return false;
    for (const Key& key : doc.sections[0].keys) {
        if (!IsComment(key)) return false;
    }
    return true;
}

// Control bytes of a file (or of a name) never reach the terminal raw.
std::string Printable(const std::string& text) {
    std::string out;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || (byte >= 0x80 && byte < 0xA0)) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace

std::vector<Finding> CheckText(const std::string& fileName, const std::string& content) {
    std::vector<Finding> out;
    profile::ParsedFile parsed = profile::ParseFile(content);
    if (parsed.binary) {
        out.push_back({fileName, 0, Severity::Error, "not a text file: the plug-in would read nothing sensible from it",
                       "check that this is the file you meant, or delete it"});
        return out;
    }
    if (HoldsNothing(parsed.doc)) {
        out.push_back({fileName, 0, Severity::Error,
                       content.find_first_not_of(" \t\r\n") == std::string::npos
                           ? "the file is empty: nothing in it is read"
                           : "the file has no [section]: nothing in it is read",
                       "write its sections, or delete it"});
        return out;
    }
    Sheet sheet(fileName, std::move(parsed.doc), out);
    CheckValueComments(sheet);
    if (EndsWithNoCase(fileName, ".sac")) {
        CheckAccountFile(sheet);
    } else {
        CheckGatewayFile(sheet);
    }
    std::stable_sort(out.begin(), out.end(), [](const Finding& a, const Finding& b) { return a.line < b.line; });
    return out;
}

std::string Format(const Finding& f) {
    const std::string where = f.file + ":" + (f.line > 0 ? std::to_string(f.line) + ":" : "");
    static const char* const kLabels[] = {"note: ", "warning: ", "error: "};
    const std::string text = Printable(where + " " + kLabels[static_cast<int>(f.severity)] + f.message);
    return f.fix.empty() ? text : text + "\n    fix: " + Printable(f.fix);
}

}  // namespace lint
