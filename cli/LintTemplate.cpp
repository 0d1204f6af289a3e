// Template values: every "$" that the template engine would leave in the
// text, or fail on, with the variable names from the engine's own table.
#include <algorithm>
#include <cctype>
#include <cstring>

#include "LintChecks.h"
#include "script/Runner.h"
#include "script/Template.h"
#include "shell/Text.h"

namespace lint {
namespace {

bool Starts(const std::string& text, size_t at, const char* with) {
    return text.compare(at, std::strlen(with), with) == 0;
}

// "$Number[2;3]": the selector behind a table variable.
void CheckSelector(Sheet& sheet, const Key& key, const std::string& text, size_t behind, const char* name) {
    if (behind >= text.size() || text[behind] != '[') return;
    const size_t close = text.find(']', behind);
    if (close == std::string::npos) {
        sheet.Warn(key.line, std::string(name) + "[ has no ] behind it: the [ stays in the text",
                   "close the selector as " + std::string(name) + "[start;length]");
        return;
    }
    const std::string inner = text.substr(behind + 1, close - behind - 1);
    const size_t semi = inner.find(';');
    const std::string start = inner.substr(0, semi);
    const std::string length = semi == std::string::npos ? "0" : inner.substr(semi + 1);
    if (IsNumber(start) && IsNumber(length)) return;
    sheet.Warn(key.line,
               "selector [" + inner + "] of " + name + " is not [start;length]; it reads as [" +
                   std::to_string(text::ParseDecimal(start.c_str())) + ";" +
                   std::to_string(text::ParseDecimal(length.c_str())) + "]",
               "write the selector as [start;length] with decimal numbers");
}

void CheckCustomVar(Sheet& sheet, const Key& key, const std::string& text, size_t at, size_t customVarsBefore) {
    const size_t begin = at + std::strlen(script::kCustomVarReference);
    size_t end = begin;
    while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end]))) ++end;
    if (end == begin) {
        sheet.Warn(key.line, "$CustomVar without a number is never replaced", "write $CustomVar1, $CustomVar2, ...");
        return;
    }
    if (text[begin] == '0') {
        sheet.Warn(key.line,
                   text.substr(at, end - at) +
                       " is never replaced: custom variables are numbered without leading zeros",
                   "write the number without leading zeros");
        return;
    }
    const long n = text::ParseDecimal(text.substr(begin, std::min<size_t>(end - begin, 9)).c_str());
    if (end - begin > 9 || static_cast<size_t>(n) > customVarsBefore) {
        const std::string name = text.substr(at, end - at);
        sheet.Warn(key.line,
                   name + " is never filled: earlier requests extract at most " + std::to_string(customVarsBefore) +
                       " custom variables",
                   "add " + name.substr(1) + " to an earlier request or use a lower number");
    }
    if (end < text.size() && text[end] == '[') {
        sheet.Warn(key.line, "custom variables take no selector: the [ stays in the text",
                   "cut the value with the CustomVar pattern instead");
    }
}

void CheckUnknownWord(Sheet& sheet, const Key& key, const std::string& text, size_t at) {
    if (at + 1 >= text.size() || !std::isalpha(static_cast<unsigned char>(text[at + 1]))) return;
    size_t end = at + 1;
    while (end < text.size() && std::isalnum(static_cast<unsigned char>(text[end]))) ++end;
    const std::string word = text.substr(at, end - at);
    std::string hint = "use one of";
    for (const char* name : script::kVariableNames) hint += std::string(" ") + name;
    hint += std::string(" ") + script::kCustomVarReference + "N " + script::kCookieReference + "name]";
    for (const char* name : script::kVariableNames) {
        if (Lower(word) == Lower(name)) hint = std::string("variables are case-sensitive: write ") + name;
    }
    sheet.Warn(key.line, word + " is not a variable and stays in the text unchanged", hint);
}

}  // namespace

void CheckTemplate(Sheet& sheet, const Key& key, const std::string& text, size_t customVarsBefore) {
    for (size_t at = text.find('$'); at != std::string::npos; at = text.find('$', at + 1)) {
        const char* known = nullptr;
        for (const char* name : script::kVariableNames) {
            if (Starts(text, at, name)) known = name;
        }
        if (known) {
            CheckSelector(sheet, key, text, at + std::strlen(known), known);
        } else if (Starts(text, at, script::kCookieReference)) {
            if (text.find(']', at) == std::string::npos) {
                sheet.Error(key.line,
                            std::string(script::kCookieReference) + " without ] cannot be expanded (" +
                                script::DescribeExpandResult(script::kExpandUnclosedCookie).name +
                                "): the run fails with " + ResultName(script::result::kExpandFailed),
                            "write $Cookie[name] with the closing ]");
            }
        } else if (Starts(text, at, script::kCustomVarReference)) {
            CheckCustomVar(sheet, key, text, at, customVarsBefore);
        } else {
            CheckUnknownWord(sheet, key, text, at);
        }
    }
}

}  // namespace lint
