// What the transport tests talk to: the test provider over HTTP and HTTPS
// and two proxy servers (one wants a user name and password). Natively the
// tests start them; under Wine a ctest fixture has started them already.
#pragma once

#include "TempDir.h"

#include <string>

namespace testsvc {

struct Services {
    std::string plain;          // "http://127.0.0.1:PORT"
    std::string tls;            // "https://127.0.0.1:PORT"
    int proxyPort = 0;
    int authProxyPort = 0;
    int hostilePort = 0;        // the misbehaving server (provider/Hostile.h)
    std::string proxyLog;       // readable by this program
    std::string authProxyLog;
    std::string proxyUser = "parlet";
    std::string proxyPassword = "s3cret";
};

// None when they cannot be had; the reason in `why`.
const Services* Get(std::string* why);
// Stops what Get started (nothing under Wine).
void Shutdown();

inline std::string ReadWholeFile(const std::string& path) { return testutil::ReadFile(path); }

}  // namespace testsvc
