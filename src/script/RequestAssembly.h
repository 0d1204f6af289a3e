// The assembly of one request of a run: the format's headers, the headers
// the file writes itself ("Header%d", "Auth", "ContentType"), the method and
// the body in its encoding. Inside the script engine only.
#pragma once

#include <string>
#include <vector>

#include "script/RunState.h"
#include "shell/HostRecords.h"
#include "transport/RequestPlan.h"

namespace script {

using transport::Header;

// The request record with its texts; the record points into them. The
// headers the file wrote itself ("Header%d", "Auth", "ContentType") come
// last, and the carrier is told how many they are.
struct Request {
    std::string url;
    std::vector<Header> headers;
    std::vector<Header> own;
    std::string body;
    bool post = false;
    std::vector<host::HttpHeader> raw;
    host::HttpRequest record{};

    int OwnCount() const { return static_cast<int>(own.size()); }
    // The record as the transport takes it, pointing into the texts above.
    const host::HttpRequest* Record();
};

// The headers, the method and the body of the "Request%d" section
// `section` into `request`, whose URL is expanded already. False, with the
// run's result set, when the run stops here.
bool AssembleRequest(Run& run, const std::string& section, Request* request);

}  // namespace script
