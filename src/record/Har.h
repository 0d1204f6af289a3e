// The HTTP Archive (HAR 1.2) as the recorder writes it and replay, probe and
// draft read it: a document of pages and entries (one entry per exchange).
// Parse reads a file's text into the model; Format writes the model out.
// JSON goes through nlohmann-json inside Har.cpp only: nothing here needs it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace har {

// A header, a cookie, a query or form field: name and value as they were
// (query and form fields decoded, as browsers export them).
struct NameValue {
    std::string name;
    std::string value;
};

// A request body. `text` holds its bytes; `base64` says the file carried them
// base64-encoded ("encoding": "base64", as HAR 1.3 proposes for postData),
// which Format does for a body that is not UTF-8 text.
struct PostData {
    std::string mimeType;
    std::string text;
    std::vector<NameValue> params;  // decoded form fields; browsers give them beside `text`
};

struct Request {
    std::string method;
    std::string url;
    std::string httpVersion = "HTTP/1.1";
    std::vector<NameValue> headers;  // in the order sent
    std::vector<NameValue> cookies;
    std::vector<NameValue> queryString;
    std::optional<PostData> postData;
};

// A reply body: `text` holds its bytes (decoded when the file carried them
// as base64).
struct Content {
    int64_t size = 0;
    std::string mimeType;
    std::string text;
};

struct Response {
    int status = 0;  // 0: no reply came (the exchange failed)
    std::string statusText;
    std::string httpVersion = "HTTP/1.1";
    std::vector<NameValue> headers;  // in the order received
    std::vector<NameValue> cookies;
    Content content;
    std::string redirectURL;
};

struct Entry {
    std::string pageref;
    std::string startedDateTime;  // ISO 8601
    double time = 0;              // milliseconds
    Request request;
    Response response;
    int section = 0;  // "_section": the gateway file's "Request%d" it belongs to (0: not known)
};

// What a recording keeps of the gateway run a page stands for ("_run").
struct RunRecord {
    std::string file;  // the gateway file's name, without its folder
    int result = 0;
    std::string resultName;               // for people reading the file; the number decides
    std::string prefix, number, message;  // UTF-8, as the user gave them
    std::string charset;                  // the message's encoding on the wire ("UTF-8", "windows-1252")
    std::optional<std::string> sender;
    std::optional<std::string> user, password;
    bool redacted = false;  // user, password, number and message stand as $User, $Pass, $Number, $Message,
                            // tokens a file sends as credentials as $CustomVar%d
};

struct Page {
    std::string id;
    std::string title;
    std::string startedDateTime;
    std::optional<RunRecord> run;
};

struct Document {
    std::string creatorName = "parlet";
    std::string creatorVersion;
    std::vector<Page> pages;
    std::vector<Entry> entries;
};

// Reads a HAR file's text (a UTF-8 byte order mark is skipped). Unknown
// fields are ignored; a missing optional array reads as empty. False, with
// one line in `error` naming the entry (counted from 1) and the field at
// fault ("entry 3: response.status is not a number"), for text that is not
// JSON, empty, truncated, or lacks a field every exchange needs.
bool Parse(std::string_view text, Document* document, std::string* error);

// The document as HAR 1.2 text, two blanks an indent. Texts that are not
// UTF-8 are written byte for byte as Latin-1 characters, except bodies: a
// body that is not UTF-8 text goes base64-encoded.
std::string Format(const Document& document);

// The current time as HAR writes it ("2024-05-01T12:00:00.000Z").
std::string Now();

// The first header of `headers` named `name` (any case); null when none is.
const NameValue* FindHeader(const std::vector<NameValue>& headers, std::string_view name);

}  // namespace har
