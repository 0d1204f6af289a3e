#include <gtest/gtest.h>

#include "transport/Url.h"

namespace {

struct UrlCase {
    const char* url;
    const char* host;
    int port;
    const char* path;
    bool secure;
};

TEST(SplitUrl, Table) {
    const UrlCase cases[] = {
        {"http://gw/a/b?c=d", "gw", 80, "/a/b?c=d", false},
        {"https://gw/a/b?c=d", "gw", 443, "/a/b?c=d", true},
        {"HTTPS://gw/x", "gw", 443, "/x", true},
        {"http://gw:8080/a", "gw", 8080, "/a", false},
        {"https://gw:8443/a", "gw", 8443, "/a", true},
        {"http://gw", "gw", 80, "/", false},
        {"http://gw:81", "gw", 81, "/", false},
        // Only the scheme decides: "https" in the query or the path does not.
        {"http://gw/send?back=https://other/", "gw", 80, "/send?back=https://other/", false},
        {"http://https.example/x", "https.example", 80, "/x", false},
        {"http://gw/https", "gw", 80, "/https", false},
        // A query right behind the host.
        {"http://gw?a=b", "gw", 80, "/?a=b", false},
        // Without "://" the whole URL is the host part.
        {"gw/a", "gw", 80, "/a", false},
        // Ports that are no ports fall back to the scheme's.
        {"http://gw:/a", "gw", 80, "/a", false},
        {"http://gw:0/a", "gw", 80, "/a", false},
        {"https://gw:99999/a", "gw", 443, "/a", true},
        {"http://gw:-4/a", "gw", 80, "/a", false},
        {"http://gw:12ab/a", "gw", 12, "/a", false},
        {"http:///a", "", 80, "/a", false},
        {"", "", 80, "/", false},
    };
    for (const UrlCase& c : cases) {
        SCOPED_TRACE(c.url);
        transport::UrlParts parts = transport::SplitUrl(c.url);
        EXPECT_EQ(parts.host, c.host);
        EXPECT_EQ(parts.port, c.port);
        EXPECT_EQ(parts.path, c.path);
        EXPECT_EQ(parts.secure, c.secure);
    }
}

TEST(SplitUrl, NoUrlIsAnEmptyHost) {
    transport::UrlParts parts = transport::SplitUrl(nullptr);
    EXPECT_TRUE(parts.host.empty());
    EXPECT_FALSE(parts.secure);
}

}  // namespace
