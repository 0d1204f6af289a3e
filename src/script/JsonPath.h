// A "CustomVar%d" that names a member of a JSON reply instead of a pattern:
// "json:" and a path, member names joined by "." and array elements by
// their index in brackets ("json:access_token", "json:data.items[0].id");
// a name that holds ".", "[" or "]" goes in brackets and quotes
// (json:["odd.name"].x, with \" and \\ inside). A value that holds "("
// after "json:" stays a pattern, as such values always were. The runner,
// parlet check and the docs take the syntax from here.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace script {

constexpr char kJsonPathPrefix[] = "json:";

// Whether a CustomVar value is a JSON path rather than a pattern.
bool IsJsonPath(const std::string& customVar);

struct JsonStep {
    std::string member;  // when index < 0
    long index = -1;     // an array element
};
// The steps of the path behind "json:" (none: the whole reply). False, with
// *error saying what is wrong and where, for a path that cannot be read.
bool ParseJsonPath(const std::string& customVar, std::vector<JsonStep>* steps, std::string* error);

// The JSON nesting a reply may have; a deeper one is read as no JSON.
constexpr int kMaxJsonDepth = 64;

// The value the path names in a JSON reply of `length` bytes: a string
// unescaped (UTF-8), a number or true/false as written in JSON, an object
// or array as compact JSON. False when the reply is no JSON, the member or
// element is missing, or it is null.
bool FindJsonValue(const char* body, size_t length, const std::string& customVar, std::string* value);

}  // namespace script
