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

TEST(ReadAddress, Table) {
    struct Case {
        const char* url;
        bool read;
        const char* scheme = "";
        const char* origin = "";
        const char* host = "";
        const char* port = "";
        const char* target = "";
    };
    const Case cases[] = {
        {"HTTPS://Me:pw@WWW.Example.com:8443/A/b?c=d#e", true, "https", "HTTPS://Me:pw@WWW.Example.com:8443",
         "www.example.com", "8443", "/A/b?c=d"},
        {"http://gw", true, "http", "http://gw", "gw", "", "/"},
        {"http://gw?a=b#x", true, "http", "http://gw", "gw", "", "/?a=b"},
        {"http://gw#x/y", true, "http", "http://gw", "gw", "", "/"},
        {"http://[::1]:8080/x", true, "http", "http://[::1]:8080", "[::1]", "8080", "/x"},
        {"ws+x.1://h:/p", true, "ws+x.1", "ws+x.1://h:", "h", "", "/p"},
        // No scheme, no "//" right behind it, no host, a port that is no number.
        {"http:a//?/x", false}, {"http:/a/x", false}, {"//gw/x", false}, {"gw/a", false}, {"://gw/", false},
        {"1http://gw/", false}, {"ht tp://gw/", false}, {"http:///a", false}, {"http://u@/a", false},
        {"http://gw:8o/a", false}, {"http://[::1/x", false}, {"http://[::1]x/", false}, {"", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        transport::Address a;
        a.host = "untouched";
        ASSERT_EQ(transport::ReadAddress(c.url, &a), c.read);
        if (!c.read) {
            EXPECT_EQ(a.host, "untouched");
            continue;
        }
        EXPECT_EQ(a.scheme, c.scheme);
        EXPECT_EQ(a.origin, c.origin);
        EXPECT_EQ(a.host, c.host);
        EXPECT_EQ(a.port, c.port);
        EXPECT_EQ(a.target, c.target);
    }
}
