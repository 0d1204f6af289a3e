#include "record/JsonBody.h"

#include "script/JsonReply.h"

namespace record {
namespace {

using json = nlohmann::json;

constexpr size_t kLongest = 80;  // of a value shown
constexpr size_t kBefore = 20;   // shown before the first difference

// A value as the line shows it: compact JSON from `start` on (after "..."),
// long ones cut between characters.
std::string Shown(const std::string& text, size_t start) {
    std::string out = start > 0 ? "..." : "";
    if (text.size() - start <= kLongest) return out + text.substr(start);
    size_t cut = start + kLongest;
    while (cut > start && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    return out + text.substr(start, cut - start) + "...";
}

std::string Dumped(const json* value) {
    return value ? value->dump(-1, ' ', false, json::error_handler_t::replace) : std::string("nothing");
}

// A member's name added to a path: ".name", or ["name"] for one a path
// could not read otherwise.
std::string Member(const std::string& path, const std::string& name) {
    if (!name.empty() && name.find_first_of(".[]\"\\") == std::string::npos) {
        return path.empty() ? name : path + "." + name;
    }
    std::string quoted = "[\"";
    for (char c : name) {
        if (c == '"' || c == '\\') quoted += '\\';
        quoted += c;
    }
    return path + quoted + "\"]";
}

// Two long values that differ late are both shown from a little before
// their first difference, so the line never shows two equal beginnings.
std::string Line(const std::string& path, const json* was, const json* now) {
    const std::string a = Dumped(was), b = Dumped(now);
    size_t same = 0;
    while (same < a.size() && same < b.size() && a[same] == b[same]) ++same;
    size_t start = same > kLongest - kBefore ? same - kBefore : 0;
    while (start > 0 && (static_cast<unsigned char>(a[start]) & 0xC0) == 0x80) --start;
    const std::string what = path.empty() ? "body" : "body member \"" + path + "\"";
    return what + " differs: recorded " + Shown(a, start) + " sent " + Shown(b, start);
}

// The first difference below `path`, or "".
std::string FirstDifference(const std::string& path, const json& was, const json& now) {
    if (was.is_object() && now.is_object()) {
        for (auto it = was.begin(); it != was.end(); ++it) {
            const auto live = now.find(it.key());
            const std::string at = Member(path, it.key());
            if (live == now.end()) return Line(at, &it.value(), nullptr);
            std::string inner = FirstDifference(at, it.value(), *live);
            if (!inner.empty()) return inner;
        }
        for (auto it = now.begin(); it != now.end(); ++it) {
            if (was.find(it.key()) == was.end()) return Line(Member(path, it.key()), nullptr, &it.value());
        }
        return {};
    }
    if (was.is_array() && now.is_array()) {
        for (size_t i = 0; i < was.size() || i < now.size(); ++i) {
            const std::string at = path + "[" + std::to_string(i) + "]";
            if (i >= now.size()) return Line(at, &was[i], nullptr);
            if (i >= was.size()) return Line(at, nullptr, &now[i]);
            std::string inner = FirstDifference(at, was[i], now[i]);
            if (!inner.empty()) return inner;
        }
        return {};
    }
    return was == now ? std::string() : Line(path, &was, &now);
}

}  // namespace

bool CompareJsonBodies(const std::string& recorded, const std::string& live, std::string* difference) {
    json was, now;
    if (!script::ReadJsonReply(recorded.data(), recorded.size(), &was) ||
        !script::ReadJsonReply(live.data(), live.size(), &now)) {
        return false;
    }
    *difference = FirstDifference("", was, now);
    return true;
}

}  // namespace record
