#include "script/ReplyExcerpt.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "script/JsonReply.h"
#include "shell/Charset.h"

namespace script {
namespace {

using nlohmann::json;

// Members that carry an API's reason, compared without letter case.
constexpr const char* kReasonNames[] = {"error",         "error_description",
                                        "errors",        "message",
                                        "messageid",     "text",
                                        "description",   "detail",
                                        "details",       "reason",
                                        "title",         "code",
                                        "errorcode",     "errormessage",
                                        "error_message", "fault",
                                        "faultstring"};
constexpr int kMaxDepth = 6;
constexpr size_t kMaxParts = 6;
constexpr size_t kMaxScanned = 64 * 1024;  // of a text reply; JSON is read whole

bool IsReasonName(const std::string& name) {
    std::string lower = name;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return std::any_of(std::begin(kReasonNames), std::end(kReasonNames), [&](const char* n) { return lower == n; });
}

void Collect(const json& value, bool named, int depth, std::vector<std::string>* parts) {
    if (parts->size() >= kMaxParts || depth > kMaxDepth) return;
    if (value.is_object()) {
        for (auto it = value.begin(); it != value.end(); ++it)
            Collect(it.value(), IsReasonName(it.key()), depth + 1, parts);
    } else if (value.is_array()) {
        for (const json& element : value) Collect(element, named, depth + 1, parts);
    } else if (named && !value.is_null()) {
        std::string text = value.is_string() ? value.get<std::string>() : value.dump();
        if (!text.empty()) parts->push_back(std::move(text));
    }
}

std::string JsonReason(const char* body, size_t length) {
    const char* first =
        std::find_if(body, body + length, [](char c) { return !std::isspace(static_cast<unsigned char>(c)); });
    if (first == body + length || (*first != '{' && *first != '[')) return std::string();
    json root;
    if (!ReadJsonReply(body, length, &root)) return std::string();
    std::vector<std::string> parts;
    Collect(root, false, 0, &parts);
    std::string joined;
    for (const std::string& p : parts) joined += (joined.empty() ? "" : ": ") + p;
    return joined;
}

// Markup left out, every run of blanks and control characters one blank.
std::string OneLine(const std::string& text) {
    std::string out;
    bool inTag = false;
    for (char c : text) {
        if (c == '<') inTag = true;
        if (inTag) {
            if (c == '>') inTag = false;
            c = ' ';
        }
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) c = ' ';
        if (c == ' ' && (out.empty() || out.back() == ' ')) continue;
        out += c;
        if (out.size() > kMaxExcerpt + 4) break;
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

}  // namespace

std::string ReplyExcerpt(const char* body, size_t length) {
    if (!body || length == 0) return std::string();
    std::string text = JsonReason(body, length);
    if (text.empty()) text.assign(body, std::min(length, kMaxScanned));
    text = OneLine(text);
    if (text.size() > kMaxExcerpt) {
        text.resize(charset::Charset::Utf8().CutPoint(text, kMaxExcerpt - 3));
        text += "...";
    }
    return text;
}

}  // namespace script
