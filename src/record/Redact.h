// The values a recording must not give away (the account's user and
// password, the number, the message) and their placeholders, the template
// variables that stand for them.
#pragma once

#include <string>

#include "record/Har.h"

namespace record {

// The values as a run sent them (bytes in the message's charset).
struct Secrets {
    std::string user, password, number, message;
};

// Every occurrence of a secret, as it stands or form-encoded, replaced by
// "$User", "$Pass", "$Number" or "$Message"; longer secrets first, so one
// that holds another is replaced whole. Empty secrets are left alone.
std::string Redact(const std::string& text, const Secrets& secrets);
// The placeholders back to the values (as they stand).
std::string Unredact(const std::string& text, const Secrets& secrets);

// The same over every text of a request or a response (URL, headers, body,
// status text, redirect), with the cookies and fields read again after.
void Redact(har::Request* request, const Secrets& secrets);
void Redact(har::Response* response, const Secrets& secrets);
void Unredact(har::Response* response, const Secrets& secrets);

}  // namespace record
