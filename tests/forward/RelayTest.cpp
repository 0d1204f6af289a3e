// The relay through the stand-in's receive chain, with a clock of the
// test's own and a send dialog that only records what it was asked.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "LogCapture.h"
#include "StandIn.h"
#include "forward/Relay.h"
#include "shell/Clock.h"
#include "shell/Forwarding.h"
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
        plugin::SetForwardingActive(true);
        host::CreateService("Parlet/RecvMessage", forward::ReceiveMessage);
        host::ProtocolDescriptor filter{12, "Parlet", host::kProtoTypeFilter};
        host::CallService("Proto/RegisterModule", 0, reinterpret_cast<host::Word>(&filter));
        bob = standin::AddContact();
        standin::AddAccount("ICQ");  // a contact who writes has an account's protocol, and so a name
        standin::SetText(bob, "Protocol", "p", "ICQ");
        standin::SetText(bob, "CList", "MyHandle", "Bob");
        host::CallService("Proto/AddToContact", reinterpret_cast<host::Word>(bob), reinterpret_cast<host::Word>("Parlet"));
        standin::SetText(nullptr, settings::kModule, "SenderNumber", "43650 1234567");
        standin::SetText(nullptr, settings::kModule, "FloodMsg", settings::kDefaultFloodMsg);
    }
    void TearDown() override {
        forward::SetClock(nullptr);
        forward::SetSendDialogOpener(nullptr);
        plugin::SetForwardingActive(false);
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

TEST_F(RelayTest, ForwardsThenAnswersFloodsUntilTheIntervalHasPassed) {
    Deliver("[SMS] call me");
    ASSERT_EQ(g_opened.size(), 1u);
    EXPECT_EQ(g_opened[0].prefix, "43650");
    EXPECT_EQ(g_opened[0].number, "1234567");
    EXPECT_EQ(g_opened[0].message, "(ICQ)Bob: call me");
    EXPECT_EQ(g_opened[0].replyContact, bob);
    EXPECT_TRUE(log.Has("User Bob wants to send a message: (ICQ)Bob: call me\n"));
    const uint32_t ended = kStart + kDialogSeconds;   // taken after the dialog closed
    EXPECT_EQ(LastSendTime(), ended);
    EXPECT_TRUE(AnswersToBob().empty());               // answering a forward is the send job's

    struct Step {
        uint32_t after;
        const char* minutes;   // null: forwarded
    } steps[] = {{30, "4"}, {250, "0"}, {299, "0"}, {300, nullptr}};
    for (const Step& s : steps) {
        g_now = ended + s.after;
        size_t opened = g_opened.size(), answers = AnswersToBob().size();
        Deliver("[SMS] again");
        EXPECT_EQ(g_opened.size(), opened + (s.minutes ? 0 : 1)) << s.after;
        if (!s.minutes) break;
        EXPECT_EQ(LastSendTime(), ended);   // a refusal does not move the interval
        ASSERT_EQ(AnswersToBob().size(), answers + 1) << s.after;
        const std::string answer = AnswersToBob().back();
        EXPECT_NE(answer.find(std::string("Please wait ") + s.minutes + " minutes,"), std::string::npos) << answer;
        EXPECT_TRUE(log.Has("User tried to flood the gateway. I said to him: " + answer + "\n"));
    }
    EXPECT_EQ(LastSendTime(), ended + 300 + kDialogSeconds);
}

TEST_F(RelayTest, WhetherAMessageIsForwarded) {
    struct Case {
        const char* name;
        std::function<void(host::Contact)> settings;
        const char* message;
        const char* forwarded;   // the SMS text; null: not forwarded
        std::vector<std::string> answers;
    };
    auto text = [](const char* name, const char* value) {
        return [=](host::Contact) { standin::SetText(nullptr, settings::kModule, name, value); };
    };
    auto last = [](int64_t offset, uint16_t interval) {   // LastSendTime relative to now
        return [=](host::Contact c) {
            standin::SetDword(c, settings::kModule, "LastSendTime", static_cast<uint32_t>(kStart + offset));
            standin::SetWord(nullptr, settings::kModule, "UserMsgInterval", interval);
        };
    };
    const Case cases[] = {
        {"case of the trigger matters", text("Trigger", "[SMS]"), "[sms] call me", nullptr, {}},
        {"empty trigger takes everything", text("Trigger", ""), "hello", "(ICQ)Bob:hello", {}},
        {"message shorter than the trigger", text("Trigger", "[SMS]"), "[SM", nullptr, {}},
        {"trigger not a text", [](host::Contact) { standin::SetByte(nullptr, settings::kModule, "Trigger", 1); },
         "[SMS] x", nullptr, {}},
        {"no SenderNumber", [](host::Contact) { standin::DeleteSetting(nullptr, settings::kModule, "SenderNumber"); },
         "[SMS] x", nullptr, {}},
        {"SenderNumber without a blank", text("SenderNumber", "436501234567"), "[SMS] x", nullptr, {}},
        {"interval 0 never refuses", last(-1, 0), "[SMS] x", "(ICQ)Bob: x", {}},
        {"clock set back", last(+100, 5), "[SMS] x", "(ICQ)Bob: x", {}},
        {"LastSendTime 0 is never", last(-static_cast<int64_t>(kStart), 5), "[SMS] x", "(ICQ)Bob: x", {}},
        {"interval in minutes", last(-61, 2), "[SMS] x", nullptr, {"Sorry, you are not allowed to flood me with SMS-messages. "
                                                                   "Please wait 0 minutes, before you can send the next message."}},
        {"no FloodMsg: refused without an answer",
         [&](host::Contact c) { last(-10, 5)(c); standin::DeleteSetting(nullptr, settings::kModule, "FloodMsg"); },
         "[SMS] x", nullptr, {}},
        {"hostile FloodMsg", [&](host::Contact c) { last(-60, 5)(c); text("FloodMsg", "%s%n%d%d%5.2f%")(c); },
         "[SMS] x", nullptr, {"%s%n4%d%5.2f%"}},
    };
    for (const Case& c : cases) {
        SetUp();
        c.settings(bob);
        const uint32_t lastBefore = LastSendTime();
        Deliver(c.message);
        ASSERT_EQ(g_opened.size(), c.forwarded ? 1u : 0u) << c.name;
        EXPECT_EQ(AnswersToBob(), c.answers) << c.name;
        EXPECT_EQ(LastSendTime(), c.forwarded ? kStart + kDialogSeconds : lastBefore) << c.name;
        if (c.forwarded) {
            EXPECT_EQ(g_opened[0].message, c.forwarded) << c.name;
        }
    }
    SetUp();
    standin::SetText(nullptr, settings::kModule, "SenderNumber", "43 650 123");   // split at the first blank
    Deliver("[SMS]x");
    ASSERT_EQ(g_opened.size(), 1u);
    EXPECT_EQ(g_opened[0].prefix + "|" + g_opened[0].number, "43|650 123");
}

TEST_F(RelayTest, ForwardingOffReadsNoSetting) {
    plugin::SetForwardingActive(false);
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
        {1, false, host::kStatusNotAvailable, true},
        {1, true, 40072, false},   // Away: off, though the options page had it on
    };
    for (const Case& c : cases) {
        SetUp();
        if (c.activateOnNA) standin::SetByte(nullptr, settings::kModule, "ActivateOnNA", *c.activateOnNA);
        plugin::SetForwardingActive(c.before);
        EXPECT_EQ(forward::OnStatusModeChange(c.status, 0), 0);
        EXPECT_EQ(plugin::ForwardingActive() != 0, c.after) << c.status;
    }
}

}  // namespace
