#include "script/RunState.h"

#include <cstring>
#include <new>

#include "script/RunnerSteps.h"
#include "script/profile/Profile.h"
#include "shell/Text.h"

namespace script {

std::string Read(const Run& run, const char* section, const char* key, size_t size) {
    return profile::Read(run.path, section, key, size);
}

bool Stop(Run& run, int code) {
    run.result = code;
    return false;
}

TemplateValues ValuesOf(const Run& run) {
    TemplateValues values;
    values.message = run.message;
    values.maxChars = run.maxChars;
    values.messageLength = run.messageLength;
    values.user = run.user;
    values.password = run.password;
    values.lastRedirect = run.redirected ? run.lastRedirect.c_str() : nullptr;
    values.charset = run.charset.c_str();
    values.customVars = &run.lists.customVars;
    values.jar = &run.jar;
    if (run.inquiry) values.messageId = run.inquiry->messageId;
    return values;
}

bool Expand(const std::string& text, const TemplateValues& values, Encoding encoding, std::string* out) {
    int expanded = kExpandOk;
    try {
        expanded = ExpandTemplate(text.c_str(), values, encoding, out);
    } catch (const std::bad_alloc&) {
        expanded = kExpandNoMemory;
    }
    if (expanded != kExpandOk) LogErrorLine(kExpandFailedLine);
    return expanded == kExpandOk;
}

bool ExpandForRequest(Run& run, const std::string& text, bool encodeCustomVars, std::string* out) {
    if (!Expand(text, ValuesOf(run), encodeCustomVars ? Encoding::kForm : Encoding::kPlain, out)) return false;
    if (!encodeCustomVars && HasLineBreak(*out)) {
        LogErrorLine(" - ERROR: An expanded value holds a line break and cannot be sent: %s\n", text.c_str());
        return false;
    }
    return true;
}

bool NameStarts(const char* name, const char* prefix) {
    if (!name) return false;
    for (; *prefix; ++prefix, ++name) {
        if (text::FoldAscii(*name) != text::FoldAscii(*prefix)) return false;
    }
    return true;
}

bool StartsNoCase(const std::string& s, const char* prefix) { return NameStarts(s.c_str(), prefix); }

bool SameNoCase(const std::string& a, const char* b) { return StartsNoCase(a, b) && a.size() == std::strlen(b); }

}  // namespace script
