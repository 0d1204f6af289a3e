// What replay compares of a request with the one recorded: the method, the
// scheme, host (with its port) and path, the query's fields, the body's
// form fields by name (a body that is no form: the whole text), the
// Referer and the names of the cookies sent. Header order, the agent and
// the cookies' values (sessions change) are not compared.
#pragma once

#include <string>
#include <vector>

#include "record/Har.h"

namespace record {

// One line per difference, in the order above: "body field 'token' was
// 'abc123', now ''", "path was '/web/login', now '/web/signin'". Empty when
// the requests match.
std::vector<std::string> Compare(const har::Request& recorded, const har::Request& live);

// Whether a browser's entry is the one a live request stands for: the same
// method, and the same address up to the query.
bool SameTarget(const har::Request& recorded, const har::Request& live);

// The path of a URL with its query ("/web/done?id=3"); the URL itself when
// it has no "://".
std::string PathOf(const std::string& url);

}  // namespace record
