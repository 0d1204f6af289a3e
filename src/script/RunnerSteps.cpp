#include "script/RunnerSteps.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "script/Search.h"
#include "shell/Log.h"

namespace script {

void LogErrorLine(const char* format, ...) {
    char line[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    WriteLog("%s", line);
}

int ResolveLocation(const std::string& current, const char* location, std::string* next) {
    const std::string l = location ? location : "";
    if (!l.empty() && l[0] == '/') {
        size_t slash = std::string::npos;
        for (int i = 0; i < 3; ++i) {
            slash = current.find('/', slash == std::string::npos ? 0 : slash + 1);
            if (slash == std::string::npos) return -1;
        }
        *next = current.substr(0, slash) + l;
    } else if (l.compare(0, 4, "http") == 0) {
        *next = l;
    } else {
        const size_t last = current.rfind('/');
        *next = (last == std::string::npos ? std::string() : current.substr(0, last + 1)) + l;
    }
    return 0;
}

bool AppendKeys(std::string* body, const std::vector<KeyPair>& keys, size_t limit) {
    for (const KeyPair& pair : keys) {
        if (FindExact(body->data(), body->size(), pair.name + "=") != kNotFound) continue;
        if (body->size() + pair.name.size() + pair.value.size() + 2 > limit) return false;
        *body += '&';
        *body += pair.name;
        *body += '=';
        *body += pair.value;
    }
    return true;
}

bool HasLineBreak(const std::string& text) { return text.find_first_of(std::string("\r\n\0", 3)) != std::string::npos; }

std::string EditmeWarning(const char* translated, const char* path) {
    std::string text = translated ? translated : "";
    const size_t at = text.find("%s");
    if (at != std::string::npos) text.replace(at, 2, path ? path : "");
    if (text.size() > 2047) text.resize(2047);
    return text;
}

}  // namespace script
