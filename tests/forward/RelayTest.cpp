// The relay through the stand-in's receive chain, with a clock of the
// test's own and a send dialog that only records what it was asked.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "LogCapture.h"
#include "StandIn.h"
#include "forward/Clock.h"
#include "forward/Relay.h"
#include "shell/HostLink.h"
#include "shell/Settings.h"

namespace {

constexpr uint32_t kStart = 1700000000;
constexpr uint32_t kDialogSeconds = 12;   // how long each forward's dialog stays open

uint32_t g_now = kStart;
std::vector<forward::ForwardRequest> g_opened;

uint32_t FakeNow() { return g_now; }

// Sending takes a while: the clock moves on while the dialog is open.
void RecordingDialog(const forward::ForwardRequest& request) {
    g_opened.push_back(request);
    g_now += kDialogSeconds;
}

class RelayTest : public ::testing::Test {
protected:
    void SetUp() override {
        standin::Reset();
        g_now = kStart;
        g_opened.clear();
        forward::SetClock(&FakeNow);
        forward::SetSendDialogOpener(&RecordingDialog);
        forward::SetForwardingActive(true);
        host::CreateService("Parlet/RecvMessage", forward::ReceiveMessage);
        host::ProtocolDescriptor filter{12, "Parlet", host::kProtoTypeFilter};
        host::CallService("Proto/RegisterModule", 0, reinterpret_cast<host::Word>(&filter));
        bob = standin::AddContact();
        standin::SetText(bob, "CList", "MyHandle", "Bob");
        host::CallService("Proto/AddToContact", reinterpret_cast<host::Word>(bob), reinterpret_cast<host::Word>("Parlet"));
        standin::SetText(nullptr, settings::kModule, "SenderNumber", "43650 1234567");
        standin::SetText(nullptr, settings::kModule, "FloodMsg", settings::kDefaultFloodMsg);
    }
    void TearDown() override {
        forward::SetClock(nullptr);
        forward::SetSendDialogOpener(nullptr);
        forward::SetForwardingActive(false);
        EXPECT_EQ(standin::OutstandingVariants(), 0);   // every text read was released
    }

    // Delivers and checks that the message went on, unchanged, to the end of the chain.
    void Deliver(const std::string& text) {
        size_t before = standin::ReceivedMessages().size();
        EXPECT_EQ(standin::DeliverMessage(bob, text.c_str()), 0);
        auto received = standin::ReceivedMessages();
        ASSERT_EQ(received.size(), before + 1);
        EXPECT_EQ(received.back().text, text);
        EXPECT_EQ(received.back().contact, bob);
    }
    std::vector<std::string> AnswersToBob() const {
        std::vector<std::string> texts;
        for (const auto& m : standin::SentMessages()) {
            EXPECT_EQ(m.contact, bob);
            texts.push_back(m.text);
        }
        return texts;
    }
    uint32_t LastSendTime() const { return settings::LastSendTime(bob); }

    host::Contact bob = nullptr;
    testutil::LogCapture log;
};

TEST_F(RelayTest, TriggeredMessageGoesToTheOwnersNumberAndOnThroughTheChain) {
    Deliver("[SMS] call me");
    ASSERT_EQ(g_opened.size(), 1u);
    EXPECT_EQ(g_opened[0].prefix, "43650");
    EXPECT_EQ(g_opened[0].number, "1234567");
    EXPECT_EQ(g_opened[0].message, "(ICQ)Bob: call me");
    EXPECT_EQ(g_opened[0].replyContact, bob);
    EXPECT_TRUE(log.Has("User Bob wants to send a message: (ICQ)Bob: call me\n"));
    EXPECT_EQ(LastSendTime(), kStart + kDialogSeconds);   // taken after the dialog closed
    EXPECT_TRUE(AnswersToBob().empty());                   // answering is the send job's
}

TEST_F(RelayTest, FloodAnswersCountFromTheEndOfTheLastForward) {
    Deliver("[SMS] first");
    const uint32_t ended = g_now;
    struct Step {
        uint32_t after;
        bool forwarded;
        const char* minutes;
    } steps[] = {{30, false, "4"}, {250, false, "0"}, {299, false, "0"}, {300, true, nullptr}};
    for (const Step& s : steps) {
        g_now = ended + s.after;
        size_t opened = g_opened.size(), answers = AnswersToBob().size();
        Deliver("[SMS] again");
        EXPECT_EQ(g_opened.size(), opened + (s.forwarded ? 1 : 0)) << s.after;
        if (s.forwarded) {
            EXPECT_EQ(LastSendTime(), ended + s.after + kDialogSeconds);
            continue;
        }
        EXPECT_EQ(LastSendTime(), ended);   // a refusal does not move the interval
        ASSERT_EQ(AnswersToBob().size(), answers + 1) << s.after;
        const std::string answer = AnswersToBob().back();
        EXPECT_NE(answer.find(std::string("Please wait ") + s.minutes + " minutes,"), std::string::npos) << answer;
        EXPECT_TRUE(log.Has("User tried to flood the gateway. I said to him: " + answer + "\n"));
    }
}

TEST_F(RelayTest, FloodCheckEdges) {
    struct Case {
        const char* name;
        std::optional<uint16_t> interval;
        std::optional<std::string> floodMsg;
        int64_t lastOffset;   // LastSendTime relative to now
        bool forwarded;
        std::vector<std::string> answers;
    } cases[] = {
        {"interval 0 never refuses", 0, "wait %d", -1, true, {}},
        {"clock set back", 5, "wait %d", +100, true, {}},
        {"no FloodMsg: refused without an answer", 5, std::nullopt, -10, false, {}},
        {"hostile FloodMsg", 5, "%s%n%d%d%5.2f%", -60, false, {"%s%n4%d%5.2f%"}},
        {"interval in minutes", 2, "wait %d", -61, false, {"wait 0"}},
        {"LastSendTime 0 is never", 5, "wait %d", -static_cast<int64_t>(kStart), true, {}},
    };
    for (const Case& c : cases) {
        SetUp();
        if (c.interval) standin::SetWord(nullptr, settings::kModule, "UserMsgInterval", *c.interval);
        if (c.floodMsg) standin::SetText(nullptr, settings::kModule, "FloodMsg", *c.floodMsg);
        else standin::DeleteSetting(nullptr, settings::kModule, "FloodMsg");
        standin::SetDword(bob, settings::kModule, "LastSendTime", static_cast<uint32_t>(kStart + c.lastOffset));
        Deliver("[SMS] hi");
        EXPECT_EQ(g_opened.size(), c.forwarded ? 1u : 0u) << c.name;
        EXPECT_EQ(AnswersToBob(), c.answers) << c.name;
    }
}

TEST_F(RelayTest, TriggerAndOwnerNumberDecideWhetherToForward) {
    struct Case {
        const char* name;
        std::optional<std::string> trigger;   // none: absent
        bool triggerIsByte;
        std::optional<std::string> sender;
        const char* message;
        const char* forwarded;   // null: not forwarded
        const char* prefix;
    } cases[] = {
        {"default trigger", std::nullopt, false, "43650 1234567", "[SMS] call me", "(ICQ)Bob: call me", "43650"},
        {"case matters", "[SMS]", false, "43650 1234567", "[sms] call me", nullptr, nullptr},
        {"empty trigger takes everything", "", false, "43650 1234567", "hello", "(ICQ)Bob:hello", "43650"},
        {"message shorter than the trigger", "[SMS]", false, "43650 1234567", "[SM", nullptr, nullptr},
        {"trigger not a text", std::nullopt, true, "43650 1234567", "[SMS] x", nullptr, nullptr},
        {"no SenderNumber", "[SMS]", false, std::nullopt, "[SMS] x", nullptr, nullptr},
        {"SenderNumber without a blank", "[SMS]", false, "436501234567", "[SMS] x", nullptr, nullptr},
        {"split at the first blank", "#", false, "43 650 123", "#x", "(ICQ)Bob:x", "43"},
    };
    for (const Case& c : cases) {
        SetUp();
        if (c.trigger) standin::SetText(nullptr, settings::kModule, "Trigger", *c.trigger);
        if (c.triggerIsByte) standin::SetByte(nullptr, settings::kModule, "Trigger", 1);
        if (c.sender) standin::SetText(nullptr, settings::kModule, "SenderNumber", *c.sender);
        else standin::DeleteSetting(nullptr, settings::kModule, "SenderNumber");
        Deliver(c.message);
        ASSERT_EQ(g_opened.size(), c.forwarded ? 1u : 0u) << c.name;
        EXPECT_EQ(LastSendTime(), c.forwarded ? kStart + kDialogSeconds : 0u) << c.name;
        if (!c.forwarded) continue;
        EXPECT_EQ(g_opened[0].message, c.forwarded) << c.name;
        EXPECT_EQ(g_opened[0].prefix, c.prefix) << c.name;
    }
    EXPECT_EQ(g_opened.back().number, "650 123");
}

TEST_F(RelayTest, ForwardingOffReadsNoSetting) {
    forward::SetForwardingActive(false);
    const int reads = standin::SettingReads();
    Deliver("[SMS] call me");
    EXPECT_EQ(standin::SettingReads(), reads);
    EXPECT_TRUE(g_opened.empty());
}

TEST_F(RelayTest, StatusChangesSwitchForwardingOnlyWithActivateOnNA) {
    struct Case {
        std::optional<uint8_t> activateOnNA;
        bool before;
        host::Word status;
        bool after;
    } cases[] = {
        {std::nullopt, false, host::kStatusNotAvailable, false},
        {std::nullopt, true, 40072, true},
        {0, false, host::kStatusNotAvailable, false},
        {1, false, host::kStatusNotAvailable, true},
        {1, true, 40072, false},   // Away: off, though the options page had it on
        {1, true, 40071, false},   // Online
    };
    for (const Case& c : cases) {
        SetUp();
        if (c.activateOnNA) standin::SetByte(nullptr, settings::kModule, "ActivateOnNA", *c.activateOnNA);
        forward::SetForwardingActive(c.before);
        EXPECT_EQ(forward::OnStatusModeChange(c.status, 0), 0);
        EXPECT_EQ(forward::ForwardingActive(), c.after) << c.status;
    }
}

}  // namespace
