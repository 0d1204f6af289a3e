#include "record/Compare.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <set>

#include "record/JsonBody.h"
#include "record/Text.h"
#include "script/RequestHeaders.h"
#include "shell/Text.h"

namespace record {
namespace {

struct Address {
    std::string scheme, host, path;
};

Address Split(const std::string& url) {
    Address a;
    const size_t scheme = url.find("://");
    size_t rest = 0;
    if (scheme != std::string::npos) {
        a.scheme = text::LowerAscii(url.substr(0, scheme));
        rest = scheme + 3;
    }
    const size_t slash = url.find_first_of("/?#", rest);
    a.host = text::LowerAscii(url.substr(rest, slash == std::string::npos ? std::string::npos : slash - rest));
    std::string path = slash == std::string::npos ? "/" : url.substr(slash);
    path = path.substr(0, path.find_first_of("?#"));
    a.path = path.empty() ? "/" : path;
    return a;
}

// Texts in a line: quoted, control bytes shown as \xNN, long ones cut.
std::string Shown(const std::string& text) {
    constexpr size_t kLongest = 80;
    std::string out = "'";
    for (size_t i = 0; i < text.size() && i < kLongest; ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x20 || byte == 0x7F) {
            const char* digits = "0123456789ABCDEF";
            out += "\\x";
            out += digits[byte >> 4];
            out += digits[byte & 15];
        } else {
            out += text[i];
        }
    }
    if (text.size() > kLongest) out += "...";
    return out + "'";
}

void Differ(const char* what, const std::string& was, const std::string& now, std::vector<std::string>* out) {
    if (was != now) out->push_back(std::string(what) + " was " + Shown(was) + ", now " + Shown(now));
}

// Fields by name: a name's values in order, the first of each compared,
// then names that are gone or new.
void CompareFields(const char* what, const std::vector<har::NameValue>& was, const std::vector<har::NameValue>& now,
                   std::vector<std::string>* out) {
    auto find = [](const std::vector<har::NameValue>& fields, const std::string& name) -> const har::NameValue* {
        for (const har::NameValue& f : fields) {
            if (f.name == name) return &f;
        }
        return nullptr;
    };
    for (const har::NameValue& f : was) {
        if (find(was, f.name) != &f) continue;  // the first of its name only
        const har::NameValue* live = find(now, f.name);
        if (!live) {
            out->push_back(std::string(what) + " '" + f.name + "' was " + Shown(f.value) + ", now missing");
        } else if (live->value != f.value) {
            out->push_back(std::string(what) + " '" + f.name + "' was " + Shown(f.value) + ", now " +
                           Shown(live->value));
        }
    }
    for (const har::NameValue& f : now) {
        if (find(now, f.name) == &f && !find(was, f.name)) {
            out->push_back(std::string(what) + " '" + f.name + "' is new: " + Shown(f.value));
        }
    }
}

std::string HeaderValue(const har::Request& r, const char* name) {
    const har::NameValue* h = har::FindHeader(r.headers, name);
    return h ? h->value : std::string();
}

// Headers the carrier writes, or that have lines of their own.
bool CarrierWrites(const std::string& name) {
    for (const char* own : {"Host", "User-Agent", "Referer", "Cookie", "Content-Length"}) {
        if (text::LowerAscii(name) == text::LowerAscii(own)) return true;
    }
    return false;
}

// The first header of each name (any case), by its name in lower case.
std::map<std::string, const har::NameValue*> ByName(const std::vector<har::NameValue>& headers) {
    std::map<std::string, const har::NameValue*> first;
    for (const har::NameValue& h : headers) first.emplace(text::LowerAscii(h.name), &h);
    return first;
}

// A secret's value (an Authorization's credentials) is compared as a
// redacted recording holds it: "Bearer ***".
void CompareHeaders(const har::Request& was, const har::Request& now, const HeaderScope& scope,
                    std::vector<std::string>* out) {
    const auto before = ByName(was.headers), after = ByName(now.headers);
    std::vector<std::string> names;  // each once, in the order first seen
    std::set<std::string> seen;
    auto add = [&](const std::string& name) {
        if (!CarrierWrites(name) && seen.insert(text::LowerAscii(name)).second) names.push_back(name);
    };
    if (scope.all) {
        for (const har::NameValue& h : was.headers) add(h.name);
        for (const har::NameValue& h : now.headers) add(h.name);
    } else {
        for (const std::string& name : scope.names) add(name);
    }
    for (const std::string& name : names) {
        const auto b = before.find(text::LowerAscii(name)), a = after.find(text::LowerAscii(name));
        const std::string what = "header '" + name + "'";
        if (b == before.end() && a != after.end()) {
            out->push_back(what + " is new: " + Shown(script::ShownHeaderValue(name, a->second->value)));
        } else if (b != before.end() && a == after.end()) {
            out->push_back(what + " was " + Shown(script::ShownHeaderValue(name, b->second->value)) + ", now missing");
        } else if (b != before.end()) {
            Differ(what.c_str(), script::ShownHeaderValue(name, b->second->value),
                   script::ShownHeaderValue(name, a->second->value), out);
        }
    }
}

std::vector<std::string> CookieNames(const har::Request& r) {
    std::vector<std::string> names;
    for (const har::NameValue& c : r.cookies) names.push_back(c.name);
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

void CompareCookies(const har::Request& was, const har::Request& now, std::vector<std::string>* out) {
    const std::vector<std::string> before = CookieNames(was), after = CookieNames(now);
    for (const std::string& name : before) {
        if (!std::binary_search(after.begin(), after.end(), name))
            out->push_back("cookie '" + name + "' no longer sent");
    }
    for (const std::string& name : after) {
        if (!std::binary_search(before.begin(), before.end(), name)) out->push_back("cookie '" + name + "' is new");
    }
}

bool IsForm(const har::Request& r) {
    return r.postData && r.postData->mimeType.rfind("application/x-www-form-urlencoded", 0) == 0;
}

bool IsJson(const har::Request& r) {
    return r.postData && script::BodyKindOf(r.postData->mimeType) == script::BodyKind::kJson;
}

void CompareBodies(const har::Request& was, const har::Request& now, std::vector<std::string>* out) {
    const std::string before = was.postData ? was.postData->text : "";
    const std::string after = now.postData ? now.postData->text : "";
    if (IsForm(was) && IsForm(now)) {
        // A browser's export may give the text without the fields.
        const std::vector<har::NameValue> fields =
            was.postData->params.empty() ? har::DecodeForm(before) : was.postData->params;
        CompareFields("body field", fields, har::DecodeForm(after), out);
        return;
    }
    std::string difference;
    if (IsJson(was) && IsJson(now) && CompareJsonBodies(before, after, &difference)) {
        if (!difference.empty()) out->push_back(difference);
    } else {
        Differ("body", before, after, out);
    }
}

}  // namespace

std::string PathOf(const std::string& url) {
    const size_t scheme = url.find("://");
    if (scheme == std::string::npos) return url;
    const size_t slash = url.find('/', scheme + 3);
    return slash == std::string::npos ? "/" : url.substr(slash);
}

bool SameTarget(const har::Request& recorded, const har::Request& live) {
    if (text::LowerAscii(recorded.method) != text::LowerAscii(live.method)) return false;
    const Address a = Split(recorded.url), b = Split(live.url);
    return a.scheme == b.scheme && a.host == b.host && a.path == b.path;
}

std::vector<std::string> Compare(const har::Request& recorded, const har::Request& live, const HeaderScope& headers) {
    std::vector<std::string> out;
    Differ("method", recorded.method, live.method, &out);
    const Address a = Split(recorded.url), b = Split(live.url);
    Differ("scheme", a.scheme, b.scheme, &out);
    Differ("host", a.host, b.host, &out);
    Differ("path", a.path, b.path, &out);
    CompareFields("query field", recorded.queryString, live.queryString, &out);
    CompareBodies(recorded, live, &out);
    Differ("Referer", HeaderValue(recorded, "Referer"), HeaderValue(live, "Referer"), &out);
    CompareHeaders(recorded, live, headers, &out);
    CompareCookies(recorded, live, &out);
    return out;
}

}  // namespace record
