#include "record/Har.h"

#include <chrono>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <nlohmann/json.hpp>

#include "record/Text.h"

namespace har {
namespace {

using Json = nlohmann::ordered_json;

// A field at fault: thrown inside Parse only, caught there.
struct Fault {
    std::string message;
};

// Where the reader stands: "entry 3: " and the field's path below it.
struct Place {
    std::string prefix;
    std::string path;
    Place In(const std::string& field) const { return Place{prefix, path.empty() ? field : path + "." + field}; }
    Place At(size_t index) const { return Place{prefix, path + "[" + std::to_string(index + 1) + "]"}; }
    [[noreturn]] void Fail(const char* what) const { throw Fault{prefix + path + " " + what}; }
};

const Json* Member(const Json& object, const char* name) {
    const auto it = object.find(name);
    return it == object.end() || it->is_null() ? nullptr : &*it;
}

const Json& Object(const Json& object, const char* name, const Place& place) {
    const Json* value = Member(object, name);
    if (!value) place.In(name).Fail("is missing");
    if (!value->is_object()) place.In(name).Fail("is not an object");
    return *value;
}

std::string Text(const Json& object, const char* name, const Place& place, bool required = false) {
    const Json* value = Member(object, name);
    if (!value) {
        if (required) place.In(name).Fail("is missing");
        return {};
    }
    if (!value->is_string()) place.In(name).Fail("is not a text");
    return value->get<std::string>();
}

std::optional<std::string> OptionalText(const Json& object, const char* name, const Place& place) {
    if (!Member(object, name)) return std::nullopt;
    return Text(object, name, place);
}

double Number(const Json& object, const char* name, const Place& place, bool required = false) {
    const Json* value = Member(object, name);
    if (!value) {
        if (required) place.In(name).Fail("is missing");
        return 0;
    }
    if (!value->is_number()) place.In(name).Fail("is not a number");
    return value->get<double>();
}

int Integer(const Json& object, const char* name, const Place& place, bool required = false) {
    const double v = Number(object, name, place, required);
    if (v != std::floor(v) || v < -2147483648.0 || v > 2147483647.0) place.In(name).Fail("is not a whole number");
    return static_cast<int>(v);
}

std::vector<NameValue> Pairs(const Json& object, const char* name, const Place& place) {
    std::vector<NameValue> pairs;
    const Json* list = Member(object, name);
    if (!list) return pairs;
    const Place here = place.In(name);
    if (!list->is_array()) here.Fail("is not a list");
    for (size_t i = 0; i < list->size(); ++i) {
        const Json& item = (*list)[i];
        if (!item.is_object()) here.At(i).Fail("is not an object");
        pairs.push_back({Text(item, "name", here.At(i), true), Text(item, "value", here.At(i))});
    }
    return pairs;
}

// A body that the file may carry base64-encoded.
std::string Body(const Json& object, const Place& place) {
    std::string text = Text(object, "text", place);
    const std::string encoding = Text(object, "encoding", place);
    if (encoding.empty()) return text;
    if (encoding != "base64") place.In("encoding").Fail("is not \"base64\"");
    std::string bytes;
    if (!DecodeBase64(text, &bytes)) place.In("text").Fail("is not base64");
    return bytes;
}

Request ReadRequest(const Json& json, const Place& place) {
    Request r;
    r.method = Text(json, "method", place, true);
    if (r.method.empty()) place.In("method").Fail("is empty");
    r.url = Text(json, "url", place, true);
    if (r.url.empty()) place.In("url").Fail("is empty");
    if (const Json* version = Member(json, "httpVersion"); version && version->is_string()) r.httpVersion = *version;
    r.headers = Pairs(json, "headers", place);
    r.cookies = Pairs(json, "cookies", place);
    r.queryString = Pairs(json, "queryString", place);
    if (Member(json, "postData")) {
        const Json& post = Object(json, "postData", place);
        const Place here = place.In("postData");
        PostData data;
        data.mimeType = Text(post, "mimeType", here);
        data.text = Body(post, here);
        data.params = Pairs(post, "params", here);
        r.postData = std::move(data);
    }
    return r;
}

Response ReadResponse(const Json& json, const Place& place) {
    Response r;
    r.status = Integer(json, "status", place, true);
    r.statusText = Text(json, "statusText", place);
    if (const Json* version = Member(json, "httpVersion"); version && version->is_string()) r.httpVersion = *version;
    r.headers = Pairs(json, "headers", place);
    r.cookies = Pairs(json, "cookies", place);
    if (Member(json, "content")) {
        const Json& content = Object(json, "content", place);
        const Place here = place.In("content");
        r.content.size = static_cast<int64_t>(Number(content, "size", here));
        r.content.mimeType = Text(content, "mimeType", here);
        r.content.text = Body(content, here);
    }
    r.redirectURL = Text(json, "redirectURL", place);
    return r;
}

Entry ReadEntry(const Json& json, size_t index) {
    const Place place{"entry " + std::to_string(index + 1) + ": ", ""};
    if (!json.is_object()) throw Fault{"entry " + std::to_string(index + 1) + " is not an object"};
    Entry e;
    e.pageref = Text(json, "pageref", place);
    e.startedDateTime = Text(json, "startedDateTime", place);
    e.time = Number(json, "time", place);
    e.request = ReadRequest(Object(json, "request", place), place.In("request"));
    e.response = ReadResponse(Object(json, "response", place), place.In("response"));
    e.section = Integer(json, "_section", place);
    return e;
}

RunRecord ReadRun(const Json& json, const Place& place) {
    RunRecord run;
    run.file = Text(json, "file", place, true);
    run.result = Integer(json, "result", place, true);
    run.resultName = Text(json, "resultName", place);
    run.prefix = Text(json, "prefix", place);
    run.number = Text(json, "number", place);
    run.message = Text(json, "message", place);
    run.charset = Text(json, "charset", place);
    run.sender = OptionalText(json, "sender", place);
    run.user = OptionalText(json, "user", place);
    run.password = OptionalText(json, "password", place);
    if (const Json* redacted = Member(json, "redacted")) {
        if (!redacted->is_boolean()) place.In("redacted").Fail("is not true or false");
        run.redacted = redacted->get<bool>();
    }
    return run;
}

Page ReadPage(const Json& json, size_t index) {
    const Place place{"page " + std::to_string(index + 1) + ": ", ""};
    if (!json.is_object()) throw Fault{"page " + std::to_string(index + 1) + " is not an object"};
    Page p;
    p.id = Text(json, "id", place);
    p.title = Text(json, "title", place);
    p.startedDateTime = Text(json, "startedDateTime", place);
    if (Member(json, "_run")) p.run = ReadRun(Object(json, "_run", place), place.In("_run"));
    return p;
}

// Where a JSON error stands, as people count: line and column.
std::string Position(std::string_view text, size_t byte) {
    size_t line = 1, column = 1;
    for (size_t i = 0; i + 1 < byte && i < text.size(); ++i) {
        if (text[i] == '\n') {
            ++line;
            column = 1;
        } else {
            ++column;
        }
    }
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

void ReadLog(const Json& root, Document* document) {
    if (!root.is_object()) throw Fault{"the file is not a HAR: its JSON is not an object"};
    const Json& log = Object(root, "log", Place{});
    const Json* entries = Member(log, "entries");
    if (!entries) throw Fault{"log.entries is missing"};
    if (!entries->is_array()) throw Fault{"log.entries is not a list"};
    if (const Json* creator = Member(log, "creator"); creator && creator->is_object()) {
        document->creatorName = Text(*creator, "name", Place{"", "log.creator"});
        document->creatorVersion = Text(*creator, "version", Place{"", "log.creator"});
    }
    if (const Json* pages = Member(log, "pages")) {
        if (!pages->is_array()) throw Fault{"log.pages is not a list"};
        for (size_t i = 0; i < pages->size(); ++i) document->pages.push_back(ReadPage((*pages)[i], i));
    }
    for (size_t i = 0; i < entries->size(); ++i) document->entries.push_back(ReadEntry((*entries)[i], i));
}

// Texts bound for JSON: bytes that are not UTF-8 go as Latin-1 characters.
std::string J(const std::string& bytes) { return Utf8OrLatin1(bytes); }

Json PairsJson(const std::vector<NameValue>& pairs) {
    Json list = Json::array();
    for (const NameValue& p : pairs) list.push_back(Json{{"name", J(p.name)}, {"value", J(p.value)}});
    return list;
}

// A body as text when it is UTF-8, else base64 with its "encoding".
void PutBody(Json& object, const std::string& bytes) {
    if (IsUtf8(bytes)) {
        object["text"] = bytes;
    } else {
        object["text"] = EncodeBase64(bytes);
        object["encoding"] = "base64";
    }
}

Json RequestJson(const Request& r) {
    Json json{{"method", J(r.method)},           {"url", J(r.url)},
              {"httpVersion", r.httpVersion},    {"cookies", PairsJson(r.cookies)},
              {"headers", PairsJson(r.headers)}, {"queryString", PairsJson(r.queryString)}};
    if (r.postData) {
        Json post{{"mimeType", J(r.postData->mimeType)}};
        PutBody(post, r.postData->text);
        post["params"] = PairsJson(r.postData->params);
        json["postData"] = post;
    }
    json["headersSize"] = -1;
    json["bodySize"] = r.postData ? static_cast<int64_t>(r.postData->text.size()) : 0;
    return json;
}

Json ResponseJson(const Response& r) {
    Json content{{"size", r.content.size}, {"mimeType", J(r.content.mimeType)}};
    PutBody(content, r.content.text);
    return Json{{"status", r.status},
                {"statusText", J(r.statusText)},
                {"httpVersion", r.httpVersion},
                {"cookies", PairsJson(r.cookies)},
                {"headers", PairsJson(r.headers)},
                {"content", content},
                {"redirectURL", J(r.redirectURL)},
                {"headersSize", -1},
                {"bodySize", static_cast<int64_t>(r.content.text.size())}};
}

Json EntryJson(const Entry& e) {
    Json json;
    if (!e.pageref.empty()) json["pageref"] = e.pageref;
    json["startedDateTime"] = e.startedDateTime;
    json["time"] = e.time;
    json["request"] = RequestJson(e.request);
    json["response"] = ResponseJson(e.response);
    json["cache"] = Json::object();
    json["timings"] = Json{{"send", 0}, {"wait", e.time}, {"receive", 0}};
    if (e.section > 0) json["_section"] = e.section;
    return json;
}

Json RunJson(const RunRecord& run) {
    Json json{{"file", J(run.file)},     {"result", run.result},    {"resultName", run.resultName},
              {"prefix", J(run.prefix)}, {"number", J(run.number)}, {"message", J(run.message)},
              {"charset", run.charset}};
    if (run.sender) json["sender"] = J(*run.sender);
    if (run.user) json["user"] = J(*run.user);
    if (run.password) json["password"] = J(*run.password);
    json["redacted"] = run.redacted;
    return json;
}

Json PageJson(const Page& p) {
    Json json{{"startedDateTime", p.startedDateTime},
              {"id", J(p.id)},
              {"title", J(p.title)},
              {"pageTimings", Json{{"onContentLoad", -1}, {"onLoad", -1}}}};
    if (p.run) json["_run"] = RunJson(*p.run);
    return json;
}

}  // namespace

bool Parse(std::string_view text, Document* document, std::string* error) {
    *document = Document{};
    document->creatorName.clear();
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    if (text.find_first_not_of(" \t\r\n") == std::string_view::npos) {
        *error = "the file is empty";
        return false;
    }
    try {
        const Json root = Json::parse(text.begin(), text.end());
        ReadLog(root, document);
        return true;
    } catch (const Json::parse_error& e) {
        if (e.byte >= text.size()) {
            *error = "the file ends early (truncated JSON at " + Position(text, e.byte) + ")";
        } else {
            *error = "the file is not JSON (at " + Position(text, e.byte) + ")";
        }
    } catch (const Fault& fault) {
        *error = fault.message;
    } catch (const std::exception& e) {
        *error = std::string("the file cannot be read: ") + e.what();
    }
    *document = Document{};
    return false;
}

std::string Format(const Document& document) {
    Json log{{"version", "1.2"},
             {"creator", Json{{"name", document.creatorName}, {"version", document.creatorVersion}}}};
    Json pages = Json::array();
    for (const Page& p : document.pages) pages.push_back(PageJson(p));
    log["pages"] = pages;
    Json entries = Json::array();
    for (const Entry& e : document.entries) entries.push_back(EntryJson(e));
    log["entries"] = entries;
    return Json{{"log", log}}.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

std::string Now() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(now);
    const long long millis = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm utc{};
#if defined(_WIN32)
    gmtime_s(&utc, &seconds);
#else
    gmtime_r(&seconds, &utc);
#endif
    char text[80];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03lldZ", utc.tm_year + 1900, utc.tm_mon + 1,
                  utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, millis);
    return text;
}

const NameValue* FindHeader(const std::vector<NameValue>& headers, std::string_view name) {
    for (const NameValue& h : headers) {
        if (h.name.size() != name.size()) continue;
        bool same = true;
        for (size_t i = 0; i < name.size() && same; ++i) {
            same = std::tolower(static_cast<unsigned char>(h.name[i])) ==
                   std::tolower(static_cast<unsigned char>(name[i]));
        }
        if (same) return &h;
    }
    return nullptr;
}

}  // namespace har
