// An Internet library that lacks one entry point: the host's network
// library carries every request instead. A program of its own, as the
// choice of carrier is made once per process.
#include <gtest/gtest.h>

#include <string>

#include "Exchange.h"
#include "LogCapture.h"
#include "Services.h"
#include "StandIn.h"
#include "shell/HostLink.h"
#include "transport/Http.h"

namespace {

constexpr const char* kLine = "Cannot import all needed functions from WinInet, NETLIB will be used instead.\n";

class ServicesEnvironment : public ::testing::Environment {
public:
    void TearDown() override { testsvc::Shutdown(); }
};
const auto* g_environment = ::testing::AddGlobalTestEnvironment(new ServicesEnvironment);

host::Handle RegisterUser() {
    host::NetlibUser user{};
    user.cbSize = static_cast<int>(sizeof user);
    user.settingsModule = "ZUVE_ROV";
    user.descriptiveName = "Parlet";
    return reinterpret_cast<host::Handle>(
        host::CallService("Netlib/RegisterUser", 0, reinterpret_cast<host::Word>(&user)));
}

TEST(Fallback, IncompleteLibraryLeavesEveryRequestToTheHost) {
    standin::Reset();
    std::string why;
    const testsvc::Services* services = testsvc::Get(&why);
    ASSERT_NE(services, nullptr) << why;
    testutil::LogCapture log;

    // A library that is not there at all is no reason to log.
    EXPECT_EQ(transport::LoadWinInet("no-such-library-h3"), -1);
    EXPECT_EQ(log.CountContaining("Cannot import"), 0);

    EXPECT_EQ(transport::LoadWinInet(PARLET_FAKE_LIBRARY), -1);
    EXPECT_FALSE(transport::UsingWinInet());
    EXPECT_EQ(log.CountContaining(kLine), 1) << log.Text();

    host::Handle user = RegisterUser();
    ASSERT_NE(user, nullptr);
    transport::SetNetlibUser(user);

    const std::string urls[] = {
        services->plain + "/api/send?user=demo&pass=secret&to=4369912&text=via%20netlib",
        services->plain + "/loop",
        services->tls + "/web/",
    };
    testx::Outcome sent = testx::Get(urls[0]);
    ASSERT_TRUE(sent.replied);
    EXPECT_EQ(sent.status, 200);
    EXPECT_EQ(sent.body.rfind("OK: message accepted", 0), 0u) << sent.body;
    EXPECT_EQ(sent.freed, 1);

    testx::Outcome loop = testx::Get(urls[1]);
    ASSERT_TRUE(loop.replied);
    EXPECT_EQ(loop.status, 302);
    EXPECT_EQ(loop.Header("Location"), "/loop");

    testx::Outcome secure = testx::Get(urls[2]);
    ASSERT_TRUE(secure.replied);
    EXPECT_EQ(secure.status, 200);

    EXPECT_EQ(standin::NetlibRequests(), std::vector<std::string>(std::begin(urls), std::end(urls)));
    EXPECT_EQ(log.CountContaining(kLine), 1);
    EXPECT_EQ(host::CallService("Netlib/CloseHandle", reinterpret_cast<host::Word>(user), 0), 1);
    EXPECT_EQ(standin::NetlibUsersOpen(), 0);
}

TEST(Fallback, HostCarrierUsesTheNetworkUsersProxySettings) {
    standin::Reset();
    std::string why;
    const testsvc::Services* services = testsvc::Get(&why);
    ASSERT_NE(services, nullptr) << why;
    host::Handle user = RegisterUser();
    ASSERT_NE(user, nullptr);
    transport::SetNetlibUser(user);
    standin::SetByte(nullptr, "ZUVE_ROV", "NLUseProxy", 1);
    standin::SetText(nullptr, "ZUVE_ROV", "NLProxyServer", "127.0.0.1");
    standin::SetWord(nullptr, "ZUVE_ROV", "NLProxyPort", static_cast<uint16_t>(services->proxyPort));
    std::string path = "/echo?netlib-proxy=" + std::to_string(reinterpret_cast<uintptr_t>(user));
    testx::Outcome out = testx::Get(services->plain + path);
    ASSERT_TRUE(out.replied);
    EXPECT_EQ(out.status, 200);
    EXPECT_NE(testsvc::ReadWholeFile(services->proxyLog).find("GET " + services->plain + path), std::string::npos);
}

TEST(Fallback, NoHostCarrierMeansNoReply) {
    standin::Reset();
    transport::SetNetlibUser(nullptr);   // an unknown user: the host refuses
    std::string why;
    const testsvc::Services* services = testsvc::Get(&why);
    ASSERT_NE(services, nullptr) << why;
    EXPECT_FALSE(testx::Get(services->plain + "/api/send").replied);
    EXPECT_TRUE(standin::NetlibRequests().empty());
}

}  // namespace
