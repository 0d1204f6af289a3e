#include "script/Extract.h"

#include <algorithm>
#include <cstring>

#include "script/JsonPath.h"
#include "script/Search.h"
#include "script/profile/NumberedKeys.h"
#include "shell/Log.h"

namespace script {

size_t TextLength(const char* body, size_t length) {
    if (!body) return 0;
    const void* zero = std::memchr(body, '\0', length);
    return zero ? static_cast<size_t>(static_cast<const char*>(zero) - body) : length;
}

bool CutCustomVar(const char* body, size_t length, const std::string& pattern, std::string* value, bool* ranToEnd) {
    if (ranToEnd) *ranToEnd = false;
    std::string t = pattern;
    // The markers: "(" where the value starts, ")" where it ends. One that
    // is the last character stays in the text, and the value starts or
    // ends at it.
    size_t start = 0;
    size_t open = t.find('(');
    if (open != std::string::npos) {
        start = open;
        if (open + 1 < t.size()) t.erase(open, 1);
    }
    size_t end = t.size();
    size_t close = t.find(')');
    if (close != std::string::npos) {
        end = close;
        if (close + 1 < t.size()) t.erase(close, 1);
    }
    const size_t star = t.find('*');
    const std::string head = star == std::string::npos ? t : t.substr(0, star);

    const size_t found = FindExact(body, length, head);
    if (found == kNotFound) return false;

    // Signed arithmetic: odd marker orders can put the end before the start.
    long long first = static_cast<long long>(found) + static_cast<long long>(start);
    long long last;
    if (star == std::string::npos) {
        last = static_cast<long long>(found) + static_cast<long long>(end);
    } else {
        const std::string tail = t.substr(star + 1);
        const size_t tailAt = FindExact(body, length, tail, found + head.size() + 1);
        if (tailAt == kNotFound) {
            last = static_cast<long long>(length);
            if (ranToEnd) *ranToEnd = true;
        } else {
            last = static_cast<long long>(tailAt) + static_cast<long long>(end) - static_cast<long long>(star + 1);
        }
    }
    const long long size = static_cast<long long>(length);
    if (first > size) first = size;
    if (last > size) last = size;
    if (last < first) last = first;
    value->assign(body + first, std::min(static_cast<size_t>(last - first), kMaxKeptValue));
    return true;
}

bool CutValue(const char* body, size_t length, const std::string& customVar, std::string* value, bool* ranToEnd) {
    if (!IsJsonPath(customVar)) return CutCustomVar(body, length, customVar, value, ranToEnd);
    if (ranToEnd) *ranToEnd = false;
    return FindJsonValue(body, length, customVar, value);
}

bool FindFieldValue(const char* body, size_t length, const std::string& name, std::string* value) {
    size_t at = FindExact(body, length, " name=\"" + name + "\"");
    if (at == kNotFound) at = FindExact(body, length, " name=" + name + " ");
    if (at == kNotFound) return false;
    static const std::string kValue = "value=\"";
    const size_t v = FindExact(body, length, kValue, at);
    if (v == kNotFound) return false;
    const size_t begin = v + kValue.size();
    const void* quote = std::memchr(body + begin, '"', length - begin);
    if (!quote) return false;
    const size_t size = static_cast<size_t>(static_cast<const char*>(quote) - (body + begin));
    value->assign(body + begin, std::min(size, kMaxKeptValue));
    return true;
}

void ExtractCustomVars(const SectionKeys& section, const char* body, size_t length, RunLists* lists,
                       std::vector<Lookup>* lookups) {
    length = TextLength(body, length);
    const int first = static_cast<int>(lists->customVars.size()) + 1;
    profile::ReadNumbered(
        {"CustomVar", first}, [&](const std::string& key) { return section.read(section.context, key.c_str()); },
        [&](int, const std::string& key, const std::string& pattern) {
            std::string value;
            bool ranToEnd = false;
            const bool found = CutValue(body, length, pattern, &value, &ranToEnd);
            if (lookups) lookups->push_back(Lookup{key, pattern, found, value, ranToEnd});
            if (!found) return true;
            WriteLog(" - Got custom variable %s: %s\n", key.c_str(), value.c_str());
            if (ranToEnd)
                WriteLog(" - WARNING: %s ran to the end of the page: the text after (*) was not found\n", key.c_str());
            if (lists->customVars.size() >= kMaxCustomVars) {
                WriteLog(" - WARNING: Maximum number of custom variables reached. \n");
                return true;
            }
            lists->customVars.push_back(std::move(value));
            return true;
        });
}

void ExtractKeys(const SectionKeys& section, const char* body, size_t length, RunLists* lists,
                 std::vector<Lookup>* lookups) {
    length = TextLength(body, length);
    const int first = static_cast<int>(lists->keys.size()) + 1;
    profile::ReadNumbered(
        {"Key", first}, [&](const std::string& key) { return section.read(section.context, key.c_str()); },
        [&](int, const std::string& key, const std::string& name) {
            std::string value;
            const bool found = FindFieldValue(body, length, name, &value);
            if (lookups) lookups->push_back(Lookup{key, name, found, value});
            if (!found) return true;
            if (lists->keys.size() >= kMaxKeys) {
                WriteLog(" - WARNING: Maximum number of keys reached, %s dropped\n", name.c_str());
                return true;
            }
            WriteLog(" - Found key %s=%s\n", name.c_str(), value.c_str());
            lists->keys.push_back(KeyPair{name, std::move(value)});
            return true;
        });
}

}  // namespace script
