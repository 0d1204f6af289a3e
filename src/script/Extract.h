// The cookie jar and what a run cuts out of reply pages: custom variables
// ("CustomVar%d"), form fields ("Key%d") and drop-down choices
// ("UseSelectData"). Every run owns its jar and lists, so runs on two
// threads never share them.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "script/profile/NumberedKeys.h"
#include "shell/HostRecords.h"

namespace script {

constexpr size_t kMaxCookies = 20;
constexpr size_t kMaxCustomVars = 32;
constexpr size_t kMaxKeys = 255;
using profile::kLastNumber;               // no numbered list goes past this
constexpr size_t kValueSize = 2048;       // buffer of every key the runner reads
constexpr size_t kPrefixValueSize = 256;  // but "Prefix%d": at most 255 characters

// The longest text a request carries: an expanded template, or a POST body
// with its KeyList pairs. A value cut out of a page is kept to one byte
// more at most (kMaxKeptValue): a longer one fits into no request anyway,
// and a 32 MB page read by a few dozen patterns would otherwise hold a
// gigabyte.
constexpr size_t kMaxExpandedSize = 1 << 20;
constexpr size_t kMaxKeptValue = kMaxExpandedSize + 1;

// Cookie texts ("name=value") in arrival order.
struct CookieJar {
    std::vector<std::string> texts;
};

struct KeyPair {
    std::string name;
    std::string value;
};

// The lists one run fills; both start empty.
struct RunLists {
    std::vector<std::string> customVars;  // "$CustomVar1" is customVars[0]
    std::vector<KeyPair> keys;            // appended to later POST bodies
};

// Takes the reply's "Set-Cookie" headers into the jar; gives the jar's
// count. A cookie carrying a line break is refused: it would end up inside
// the "Cookie" header.
int CollectCookies(CookieJar* jar, const host::HttpReply* reply);
// The "Cookie" header value: the texts joined by "; ".
std::string JoinCookies(const CookieJar& jar);
// The value of the first cookie named `name`; false when there is none.
bool FindCookie(const CookieJar& jar, const char* name, size_t nameLength, std::string* value);

// Where a request section's keys come from: the runner reads the gateway
// file; tests and fuzzers give them from memory. Gives "" for absent.
struct SectionKeys {
    std::string (*read)(const void* context, const char* key);
    const void* context;
};

// One "CustomVar%d" or "Key%d" read on a page, found or not: what a trace
// shows and a probe judges (the log names only what was found).
struct Lookup {
    std::string key;   // "CustomVar2", "Key1"
    std::string text;  // the key's value: the pattern or the field's name
    bool found = false;
    std::string value;
    bool ranToEnd = false;  // a pattern whose end marker was not found: the value is the rest of the page
};

// The three steps, run on a reply body of `length` bytes (read up to its
// first zero byte, as a text). Each logs its lines through WriteLog; the
// first two add every key they read to `lookups` when it is given.
void ExtractCustomVars(const SectionKeys& section, const char* body, size_t length, RunLists* lists,
                       std::vector<Lookup>* lookups = nullptr);
void ExtractKeys(const SectionKeys& section, const char* body, size_t length, RunLists* lists,
                 std::vector<Lookup>* lookups = nullptr);
void ExtractSelectLists(const char* body, size_t length, RunLists* lists);

// One "CustomVar" pattern on a body; false when its head does not occur.
// Values (here and below) are kept to kMaxKeptValue bytes. *ranToEnd (when
// given) says whether the value ran to the end of the body because the
// text behind "*" was not found.
bool CutCustomVar(const char* body, size_t length, const std::string& pattern, std::string* value,
                  bool* ranToEnd = nullptr);
// A "CustomVar" value on a body: a JSON path (JsonPath.h) or a pattern.
bool CutValue(const char* body, size_t length, const std::string& customVar, std::string* value,
              bool* ranToEnd = nullptr);
// The value of the form field `name`; false when nothing is taken.
bool FindFieldValue(const char* body, size_t length, const std::string& name, std::string* value);

// The body as a text: up to its first zero byte.
size_t TextLength(const char* body, size_t length);

}  // namespace script
