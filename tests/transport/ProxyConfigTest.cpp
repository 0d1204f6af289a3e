#include <gtest/gtest.h>

#include <string>

#include "StandIn.h"
#include "transport/Carrier.h"

namespace {

constexpr const char* kModule = "ZUVE_ROV";

class Proxy : public ::testing::Test {
protected:
    void SetUp() override { standin::Reset(); }
};

TEST_F(Proxy, OffOrMissingIsDirect) {
    transport::ProxyConfig config = transport::ReadProxyConfig(kModule);
    EXPECT_EQ(config.accessType, transport::kAccessDirect);
    EXPECT_FALSE(config.apply);
    standin::SetByte(nullptr, kModule, "NLUseProxy", 0);
    standin::SetText(nullptr, kModule, "NLProxyServer", "proxy.lan");
    standin::SetWord(nullptr, kModule, "NLProxyPort", 3128);
    config = transport::ReadProxyConfig(kModule);
    EXPECT_EQ(config.accessType, transport::kAccessDirect);
    EXPECT_TRUE(config.proxy.empty());
    EXPECT_FALSE(config.apply);
}

TEST_F(Proxy, ServerAndPortMakeANamedProxy) {
    standin::SetByte(nullptr, kModule, "NLUseProxy", 1);
    standin::SetText(nullptr, kModule, "NLProxyServer", "proxy.lan");
    standin::SetWord(nullptr, kModule, "NLProxyPort", 3128);
    transport::ProxyConfig config = transport::ReadProxyConfig(kModule);
    EXPECT_EQ(config.accessType, transport::kAccessNamedProxy);
    EXPECT_EQ(config.proxy, "proxy.lan:3128");
    EXPECT_TRUE(config.apply);
    EXPECT_FALSE(config.user.has_value());
    EXPECT_FALSE(config.password.has_value());
}

TEST_F(Proxy, WithoutServerOrPortTheSystemsSettingsApply) {
    struct Case {
        bool server;
        int port;     // -1: absent
    };
    for (const Case& c : {Case{false, 3128}, Case{true, -1}, Case{true, 0}, Case{false, -1}}) {
        SCOPED_TRACE(c.port);
        standin::Reset();
        standin::SetByte(nullptr, kModule, "NLUseProxy", 2);
        if (c.server) standin::SetText(nullptr, kModule, "NLProxyServer", "proxy.lan");
        if (c.port >= 0) standin::SetWord(nullptr, kModule, "NLProxyPort", static_cast<uint16_t>(c.port));
        transport::ProxyConfig config = transport::ReadProxyConfig(kModule);
        EXPECT_EQ(config.accessType, transport::kAccessPreconfig);
        EXPECT_TRUE(config.proxy.empty());
        EXPECT_TRUE(config.apply);
    }
}

TEST_F(Proxy, CredentialsAreTakenAsStored) {
    standin::SetByte(nullptr, kModule, "NLUseProxy", 1);
    standin::SetText(nullptr, kModule, "NLProxyAuthUser", "joe");
    standin::SetText(nullptr, kModule, "NLProxyAuthPassword", "");
    transport::ProxyConfig config = transport::ReadProxyConfig(kModule);
    ASSERT_TRUE(config.user.has_value());
    EXPECT_EQ(*config.user, "joe");
    ASSERT_TRUE(config.password.has_value());
    EXPECT_EQ(*config.password, "");
}

TEST_F(Proxy, ALongServerNameIsCutToTheProxyTextsSize) {
    standin::SetByte(nullptr, kModule, "NLUseProxy", 1);
    standin::SetText(nullptr, kModule, "NLProxyServer", std::string(6000, 'p'));
    standin::SetWord(nullptr, kModule, "NLProxyPort", 8080);
    transport::ProxyConfig config = transport::ReadProxyConfig(kModule);
    EXPECT_EQ(config.proxy.size(), 4095u);
    EXPECT_EQ(config.accessType, transport::kAccessNamedProxy);
}

// The bypass list as Wine's WinInet reads "no_proxy".
TEST(ProxyBypass, ListsAsWinInetReadsThem) {
    struct Case {
        const char* host;
        const char* list;
        bool bypassed;
    };
    const Case cases[] = {
        {"127.0.0.1", "127.0.0.1", true},          {"127.0.0.1", "localhost", false},
        {"localhost", "LOCALHOST", true},          {"localhost", "127.0.0.1", false},
        {"127.0.0.1", "127.0.0.2;127.0.0.1", true}, {"127.0.0.1", "127.0.0.2 127.0.0.1", true},
        {"127.0.0.1", "a b;127.0.0.1", true},      {"127.0.0.1", " 127.0.0.1", true},
        {"127.0.0.1", "127.0.0.1;", true},         {"127.0.0.1", "127.0.0.2,127.0.0.1", false},
        {"127.0.0.1", "a\t127.0.0.1", false},      {"127.0.0.1", "", false},
        {"127.0.0.1", "*.0.0.1", true},            {"127.0.0.1", "*.1", true},
        {"127.0.0.1", "*.127.0.0.1", false},       {"127.0.0.1", "*.7.0.0.1", false},
        {"localhost", "*.localhost", false},       {"localhost", "*host", false},
        {"127.0.0.1", "*", false},                 {"127.0.0.1", "127.0.0.*", false},
        {"127.0.0.1", ".0.0.1", false},            {"127.0.0.1", "0.0.1", false},
        {"localhost", ".localhost", false},        {"127.0.0.1", "127.0.0.1:8080", false},
        {"localhost", "<local>", true},            {"localhost", "<LOCAL>", true},
        {"127.0.0.1", "<local>", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(transport::BypassesProxy(c.host, c.list), c.bypassed) << c.host << " [" << c.list << "]";
    }
}

TEST_F(Proxy, OtherModulesAreTheirOwn) {
    standin::SetByte(nullptr, "OtherUser", "NLUseProxy", 1);
    standin::SetText(nullptr, "OtherUser", "NLProxyServer", "other");
    standin::SetWord(nullptr, "OtherUser", "NLProxyPort", 81);
    EXPECT_EQ(transport::ReadProxyConfig(kModule).accessType, transport::kAccessDirect);
    EXPECT_EQ(transport::ReadProxyConfig("OtherUser").proxy, "other:81");
}

}  // namespace
