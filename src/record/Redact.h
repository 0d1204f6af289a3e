// The values a recording must not give away (the account's user and
// password, the number, the message, values cut from replies that went out
// as credentials) and their placeholders, the template variables that stand
// for them.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "record/Har.h"

namespace record {

// The values as a run sent them (bytes in the message's charset).
struct Secrets {
    std::string user, password, number, message;
    // Values cut from replies: the placeholder ("$CustomVar1") and the value.
    std::vector<std::pair<std::string, std::string>> scraped;
};

// Every occurrence of a secret, as it stands, form-encoded or JSON-escaped,
// replaced by "$User", "$Pass", "$Number", "$Message" or its own
// placeholder; longer secrets first, so one that holds another is replaced
// whole. Empty secrets are left alone.
std::string Redact(const std::string& text, const Secrets& secrets);
// The placeholders back to the values (as they stand).
std::string Unredact(const std::string& text, const Secrets& secrets);

// The same over every text of a request or a response (URL, headers, body,
// status text, redirect), with the cookies and fields read again after.
void Redact(har::Request* request, const Secrets& secrets);
void Redact(har::Response* response, const Secrets& secrets);
void Unredact(har::Response* response, const Secrets& secrets);

}  // namespace record
