// Exchanges at the HTTP seam as a HAR file holds them: the request as the
// carrier puts it on the wire, the reply as the carrier gave it, and back.
#pragma once

#include "record/Har.h"
#include "shell/HostRecords.h"

namespace record {

// The request as the carrier sends it: the method, the URL, the headers the
// carrier puts on the wire (Host, User-Agent, Referer, then its extra header
// lines: Content-Type, Cookie, the gateway file's own `ownHeaders`, ...), the
// cookies and query fields, and the body of a POST with its decoded form fields.
har::Request WireRequest(const host::HttpRequest& request, int ownHeaders = 0);

// Fills what a request's texts say again: its cookies (from the Cookie
// headers), query fields (from the URL) and a form body's fields.
void Derive(har::Request* request);

// A reply as HAR keeps it (status 0 for none), with its cookies, the body's
// type and the redirect's target.
har::Response RecordedResponse(const host::HttpReply* reply);

// A reply record made from a recorded response, released with
// transport::ReleaseReply; none for status 0 (no reply came) or no memory.
host::HttpReply* ReplayedReply(const har::Response& response);

// Cookie header and Set-Cookie values as name/value pairs.
std::vector<har::NameValue> CookiesSent(const std::string& header);
har::NameValue CookieSet(const std::string& header);

}  // namespace record
