// Which recorded exchanges become the requests of a drafted gateway file:
// the site's pages from the first to the one that carried the message.
// Static resources, exchanges with other sites, answers from the browser's
// cache and CORS preflights are left out, unless they set a cookie that a
// later request sends; an exchange that followed a redirect is left to the
// runner, which follows redirects itself.
#pragma once

#include <string>
#include <vector>

#include "draft/Draft.h"

namespace draft {

// One request of the gateway file.
struct Step {
    size_t entry = 0;                 // the recorded exchange
    std::vector<size_t> redirects;    // the exchanges that followed its redirects
    size_t page = 0;                  // the exchange whose reply the runner reads: entry or last redirect
    std::string kept;                 // why an exchange off the site is kept, else ""
    std::vector<std::string> checks;  // where the runner will not do what the browser did
};

struct Session {
    std::vector<Step> steps;  // in the recorded order; the last one carries the message
    std::string site;         // "http://host:port" of the request that carried the message
};

bool ChooseSteps(const har::Document& recording, const Given& given, Session* out, std::string* error);

// "entry 3": entries are counted from 1 in every message.
std::string EntryName(size_t index);
// "http://host:port" of an address: scheme and host in lower case, the
// scheme's own port left out.
std::string Origin(const std::string& url);
// The decoded fields of a request's form body (params, else the text when
// it is form-encoded); none for other bodies.
std::vector<har::NameValue> FormFields(const har::Request& request);
// The absolute address a redirect reply leads to ("" when none): its
// redirectURL, else its Location header, read against the request's address.
std::string RedirectTarget(const har::Entry& entry);
// An address read against a base as a browser reads it (RFC 3986, without
// dot segments in the base); the fragment is dropped.
std::string Resolve(const std::string& base, const std::string& reference);

}  // namespace draft
