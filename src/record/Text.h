// Byte texts as a HAR file carries them: base64, UTF-8 checks, form fields.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "record/Har.h"

namespace har {

std::string EncodeBase64(std::string_view bytes);
// False when `text` is not base64 (blanks and line breaks are skipped).
bool DecodeBase64(std::string_view text, std::string* bytes);

// Whether `bytes` is well-formed UTF-8 (no overlong forms, no surrogates).
bool IsUtf8(std::string_view bytes);
// `bytes` when it is UTF-8; otherwise each byte as the Latin-1 character of
// that number, so the text can go into JSON without loss of its length.
std::string Utf8OrLatin1(std::string_view bytes);

// "a=1&b=x+y%21" as decoded fields: ("a", "1"), ("b", "x y!"). A field
// without "=" has an empty value; empty pieces between "&" are skipped.
std::vector<NameValue> DecodeForm(std::string_view text);
// The fields of a URL's query (after "?", before "#").
std::vector<NameValue> QueryFields(std::string_view url);

}  // namespace har
