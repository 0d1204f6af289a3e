// What replay compares of a request with the one recorded: the method, the
// scheme, host (with its port) and path, the query's fields, the body (a
// form's fields by name, JSON member by member, any other body as a whole
// text), the Referer, the headers a gateway file sets (secret values as
// redacted: "Bearer ***") and the names of the cookies sent. Header order,
// the agent and the cookies' values (sessions change) are not compared.
#pragma once

#include <string>
#include <vector>

#include "record/Har.h"

namespace record {

// The headers compared. A recording of parlet's holds the format's headers
// and the file's own: every one is compared but those the carrier writes
// (Host, User-Agent; the Referer and cookies have lines of their own). A
// browser sends many headers of its own: only those the file sets are.
struct HeaderScope {
    bool all = true;
    std::vector<std::string> names;  // when not all: the names the file sets
};

// One line per difference, in the order above: "body field 'token' was
// 'abc123', now ''", "path was '/web/login', now '/web/signin'", "header
// 'Accept' was 'application/json', now missing". Empty when the requests
// match.
std::vector<std::string> Compare(const har::Request& recorded, const har::Request& live,
                                 const HeaderScope& headers = {});

// Whether a browser's entry is the one a live request stands for: the same
// method, and the same address up to the query.
bool SameTarget(const har::Request& recorded, const har::Request& live);

// The path of a URL with its query ("/web/done?id=3"); the URL itself when
// it has no "://".
std::string PathOf(const std::string& url);

}  // namespace record
