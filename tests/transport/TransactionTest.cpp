// The choice of carrier, in a process where the system's library was never
// bound: requests go to the host, or to a test's override.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Exchange.h"
#include "StandIn.h"
#include "shell/HostLink.h"
#include "transport/Http.h"
#include "transport/Reply.h"

namespace {

struct Recorder {
    std::vector<std::string> urls;
    int released = 0;
};

host::HttpReply* Carry(const host::HttpRequest* request, int, void* context) {
    auto* r = static_cast<Recorder*>(context);
    r->urls.push_back(request->url);
    return transport::MakeReply(299, "Overridden", "override");
}

void Release(host::HttpReply* reply, void* context) {
    ++static_cast<Recorder*>(context)->released;
    transport::ReleaseReply(reply);
}

TEST(Transaction, OverrideTakesEveryRequestAndItsReplies) {
    standin::Reset();
    Recorder recorder;
    transport::Override override{&Carry, &Release, &recorder};
    transport::SetOverride(&override);
    testx::Outcome out = testx::Get("http://gw/one");
    testx::Outcome again = testx::Get("http://gw/two");
    transport::SetOverride(nullptr);

    EXPECT_EQ(out.status, 299);
    EXPECT_EQ(out.body, "override");
    EXPECT_EQ(out.freed, 1);
    EXPECT_EQ(recorder.urls, (std::vector<std::string>{"http://gw/one", "http://gw/two"}));
    EXPECT_EQ(recorder.released, 2);
    EXPECT_TRUE(standin::NetlibRequests().empty());
}

TEST(Transaction, WithoutTheSystemsLibraryTheHostCarries) {
    standin::Reset();
    ASSERT_FALSE(transport::UsingWinInet());
    host::NetlibUser user{};
    user.cbSize = static_cast<int>(sizeof user);
    user.settingsModule = "ZUVE_ROV";
    auto handle = reinterpret_cast<host::Handle>(
        host::CallService("Netlib/RegisterUser", 0, reinterpret_cast<host::Word>(&user)));
    ASSERT_NE(handle, nullptr);
    transport::SetNetlibUser(handle);
    transport::SetTimeouts(transport::Timeouts{2000, 2000, 4000});
    // Nobody listens on port 1: the host carries the request and gives no reply.
    EXPECT_FALSE(testx::Get("http://127.0.0.1:1/nothing").replied);
    transport::SetTimeouts(transport::kDefaultTimeouts);
    EXPECT_EQ(standin::NetlibRequests(), std::vector<std::string>{"http://127.0.0.1:1/nothing"});
}

TEST(Transaction, NoHostAtAllGivesNoReply) {
    host::SetLink(nullptr);
    EXPECT_EQ(transport::HttpTransaction(nullptr), nullptr);
    host::HttpRequest request{};
    request.size = 44;
    request.requestType = host::kHttpGet;
    request.url = const_cast<char*>("http://gw/");
    EXPECT_EQ(transport::HttpTransaction(&request), nullptr);
    standin::Reset();
}

}  // namespace
