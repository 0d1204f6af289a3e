#include "script/JsonPath.h"

#include <algorithm>

#include "script/Extract.h"
#include "script/JsonReply.h"

namespace script {
namespace {

using nlohmann::json;

size_t PathStart() { return sizeof kJsonPathPrefix - 1; }

bool Fail(std::string* error, const std::string& why, size_t at) {
    if (error) *error = why + " at character " + std::to_string(at + 1) + " of the path";
    return false;
}

// A bracketed step at `at` ("[3]" or "[\"name\"]"); `at` moves past it.
bool ReadBracket(const std::string& p, size_t* at, JsonStep* step, std::string* error) {
    size_t i = *at + 1;
    if (i < p.size() && p[i] == '"') {
        for (++i; i < p.size() && p[i] != '"'; ++i) {
            if (p[i] == '\\' && i + 1 < p.size()) ++i;
            step->member += p[i];
        }
        if (i + 1 >= p.size() || p[i + 1] != ']') return Fail(error, "a quoted name without \"]", *at);
        *at = i + 2;
        return true;
    }
    const size_t close = p.find(']', i);
    if (close == std::string::npos || close == i || close - i > 9 ||
        !std::all_of(p.begin() + static_cast<long>(i), p.begin() + static_cast<long>(close),
                     [](char c) { return c >= '0' && c <= '9'; })) {
        return Fail(error, "an index that is not [digits] or a name that is not [\"quoted\"]", *at);
    }
    step->index = std::stol(p.substr(i, close - i));
    *at = close + 1;
    return true;
}

// A plain name at `at`, up to the next ".", "[" or the end.
bool ReadName(const std::string& p, size_t* at, JsonStep* step, std::string* error) {
    const size_t end = std::min(p.find_first_of(".[]", *at), p.size());
    if (end == *at) return Fail(error, "an empty name", *at);
    step->member = p.substr(*at, end - *at);
    *at = end;
    return true;
}

// Whether the text nests arrays and objects deeper than kMaxJsonDepth
// (strings skipped), so that no reader recurses on hostile input.
bool TooDeep(const char* body, size_t length) {
    int depth = 0;
    bool inString = false;
    for (size_t i = 0; i < length; ++i) {
        const char c = body[i];
        if (inString) {
            if (c == '\\') {
                ++i;
            } else if (c == '"') {
                inString = false;
            }
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > kMaxJsonDepth) return true;
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return false;
}

const json* Walk(const json& root, const std::vector<JsonStep>& steps) {
    const json* at = &root;
    for (const JsonStep& step : steps) {
        if (step.index >= 0) {
            if (!at->is_array() || static_cast<size_t>(step.index) >= at->size()) return nullptr;
            at = &(*at)[static_cast<size_t>(step.index)];
        } else {
            if (!at->is_object()) return nullptr;
            const auto found = at->find(step.member);
            if (found == at->end()) return nullptr;
            at = &*found;
        }
    }
    return at;
}

}  // namespace

bool ReadJsonReply(const char* body, size_t length, json* out) {
    if (!body || TooDeep(body, length)) return false;
    *out = json::parse(body, body + length, nullptr, false);
    return !out->is_discarded();
}

bool IsJsonPath(const std::string& customVar) {
    return customVar.compare(0, PathStart(), kJsonPathPrefix) == 0 &&
           customVar.find('(', PathStart()) == std::string::npos;
}

bool ParseJsonPath(const std::string& customVar, std::vector<JsonStep>* steps, std::string* error) {
    const std::string p = customVar.substr(PathStart());
    steps->clear();
    for (size_t at = 0; at < p.size();) {
        JsonStep step;
        if (p[at] == '[') {
            if (!ReadBracket(p, &at, &step, error)) return false;
        } else {
            if (at > 0) {
                if (p[at] != '.') return Fail(error, "\".\" or \"[\" expected", at);
                ++at;
            }
            if (!ReadName(p, &at, &step, error)) return false;
        }
        steps->push_back(std::move(step));
    }
    return true;
}

bool FindJsonValue(const char* body, size_t length, const std::string& customVar, std::string* value) {
    std::vector<JsonStep> steps;
    json root;
    if (!ParseJsonPath(customVar, &steps, nullptr) || !ReadJsonReply(body, length, &root)) return false;
    const json* found = Walk(root, steps);
    if (!found || found->is_null()) return false;
    *value =
        found->is_string() ? found->get<std::string>() : found->dump(-1, ' ', false, json::error_handler_t::replace);
    if (value->size() > kMaxKeptValue) value->resize(kMaxKeptValue);
    return true;
}

}  // namespace script
