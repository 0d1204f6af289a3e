// What follows a send, over the real send job and the engine's inquiries
// behind a fake provider: the credit in the status line and the settings,
// the notice when it falls below CreditLow (once per crossing), and the
// delivery asks on the plug-in's clock, recorded in the history, the log
// and a notice; at unload the asks stop and one under way is waited for.
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "FakeHttp.h"
#include "LogCapture.h"
#include "PlainControls.h"
#include "StandIn.h"
#include "TempDir.h"
#include "catalogue/Catalogue.h"
#include "catalogue/GatewayFolder.h"
#include "script/Inquiry.h"
#include "send/Credit.h"
#include "send/Delivery.h"
#include "send/SendJob.h"
#include "shell/Clock.h"
#include "shell/Log.h"
#include "shell/Settings.h"
#include "shell/UserMessage.h"
#include "ui/PhoneBook.h"

namespace followup_test {
namespace {

using testutil::FakeHttp;
using testutil::Sent;

constexpr uint32_t kSendTime = 1700000000;
std::atomic<uint32_t> g_now{kSendTime};
uint32_t FakeNow() { return g_now.load(); }

std::vector<std::string> g_notices;
void TakeNotice(const char* text, void*) { g_notices.push_back(text); }

constexpr const char* kGateway =
    "[Gateway]\r\nName=A\r\nPrefix1=43;Austria\r\nSuccess=accepted\r\nMessageId=id=(*);\r\n"
    "[Request1]\r\nURL=http://a/send?to=$Prefix$Number&text=$Message\r\nType=GET\r\n"
    "[Credit]\r\nValue=credit=(*);\r\nUnit=EUR\r\nCreditLow=5\r\n"
    "[Credit1]\r\nURL=http://a/credit\r\nType=GET\r\n"
    "[Status]\r\nDelivered1=DELIVRD\r\nFailed1=UNDELIV\r\nPending1=ENROUTE\r\n"
    "[Status1]\r\nURL=http://a/status?id=$MessageId\r\nType=GET\r\n";

// The provider: takes every message as "m42", tells the credit and the
// delivery state the test sets.
struct Provider {
    std::mutex mutex;
    std::string credit = "credit=12.40;";
    std::string status = "ENROUTE";
    testutil::Answer Answer(const Sent& s) {
        std::lock_guard<std::mutex> lock(mutex);
        if (s.url.find("/send") != std::string::npos) return testutil::Ok("accepted id=m42;");
        if (s.url.find("/credit") != std::string::npos) return testutil::Ok(credit);
        return testutil::Ok(s.Param("id") == "m42" ? status : "no such message");
    }
};

class FollowUpTest : public ::testing::Test {
protected:
    void SetUp() override {
        standin::Reset();
        logging::ResetForTests();
        g_notices.clear();
        g_now = kSendTime;
        static const usermsg::Interceptor kNotices = {TakeNotice, [](void*) {}, nullptr};
        usermsg::SetInterceptor(&kNotices);
        forward::SetClock(FakeNow);
        testutil::WriteFile(dir.file("a.ini"), kGateway);
        SetGatewayFolder(dir.path().string());
        ASSERT_EQ(CreateCatalogue(), 0);
        ASSERT_EQ(ScanGateways(), 0);
        phone = AddPhoneContact(std::string("43"), "6641234567");
        delivery::Start();
    }
    void TearDown() override {
        delivery::Stop();
        FreeCatalogue();
        forward::SetClock(nullptr);
        usermsg::SetInterceptor(nullptr);
    }

    std::string Send(const std::string& text, bool followUp = true) {
        testutil::PlainControls fields("43", "6641234567", text, charset::Charset::Utf8());
        std::atomic<int> abortFlag{0};
        SendRequest request;
        request.dialog = &fields;
        request.abortFlag = &abortFlag;
        request.historyContact = phone;
        request.followUp = followUp;
        SendJob(request);
        return fields.status;
    }
    // The timer's work once the ask `ask` is due, and again once it ended.
    void AskDue(int ask) {
        g_now = kSendTime + delivery::AskAfterSeconds(ask);
        delivery::CheckDue();
        delivery::WaitForAsk();
        delivery::CheckDue();
    }
    std::vector<std::string> History() {
        std::vector<std::string> texts;
        for (const standin::EventRecord& e : standin::Events())
            if (e.contact == phone) texts.push_back(e.Text());
        return texts;
    }

    testutil::TempDir dir;
    host::Contact phone = nullptr;
    Provider provider;
};

TEST_F(FollowUpTest, CreditInTheStatusLineAndDeliveredInTheHistory) {
    FakeHttp site([this](const Sent& s) { return provider.Answer(s); });
    testutil::LogCapture log;
    EXPECT_EQ(Send("Hello"), "Message sent successfully (credit: 12.40 EUR)");
    EXPECT_EQ(settings::ReadText("Credit_a.ini"), std::optional<std::string>("12.40"));
    EXPECT_EQ(settings::ReadText("CreditUnit_a.ini"), std::optional<std::string>("EUR"));
    EXPECT_EQ(settings::ReadDword("CreditTime_a.ini"), std::optional<uint32_t>(kSendTime));
    EXPECT_EQ(delivery::Watching(), 1u);

    // Nothing is asked before the first ask is due; pending asks again later.
    g_now = kSendTime + delivery::AskAfterSeconds(0) - 1;
    delivery::CheckDue();
    EXPECT_FALSE(delivery::Asking());
    const size_t before = site.Requests().size();
    AskDue(0);
    EXPECT_EQ(site.Requests().size(), before + 1);
    EXPECT_EQ(History(), std::vector<std::string>{"Hello"});
    EXPECT_EQ(delivery::Watching(), 1u);

    provider.status = "DELIVRD";
    AskDue(1);
    const std::string at = forward::LocalClockText(kSendTime + delivery::AskAfterSeconds(1));
    EXPECT_EQ(History(), (std::vector<std::string>{"Hello", "Hello (delivered " + at + ")"}));
    EXPECT_EQ(delivery::Watching(), 0u);
    EXPECT_TRUE(g_notices.empty());
    EXPECT_NE(log.Text().find("Message m42 to 436641234567 via a.ini: (delivered " + at + ")"), std::string::npos)
        << log.Text();
    // The asks only ever asked: one message went out.
    int sends = 0;
    for (const Sent& s : site.Requests()) sends += s.url.find("/send") != std::string::npos;
    EXPECT_EQ(sends, 1);
}

TEST_F(FollowUpTest, FailedDeliveryGivesANoticeAndUndecidedAsksEnd) {
    FakeHttp site([this](const Sent& s) { return provider.Answer(s); });
    provider.status = "UNDELIV";
    Send("To nowhere");
    AskDue(0);
    const std::string at = forward::LocalClockText(kSendTime + delivery::AskAfterSeconds(0));
    ASSERT_EQ(g_notices.size(), 1u);
    EXPECT_EQ(g_notices[0], "The message to 436641234567 was not delivered (delivery failed " + at + ").");
    EXPECT_EQ(History().back(), "To nowhere (delivery failed " + at + ")");

    // A message the provider never decides on: asked kDeliveryPolls.tries times, then forgotten.
    provider.status = "ENROUTE";
    Send("Pending forever");
    const size_t before = site.Requests().size();
    for (int ask = 0; ask < script::kDeliveryPolls.tries + 2; ++ask) AskDue(ask);
    EXPECT_EQ(site.Requests().size(), before + static_cast<size_t>(script::kDeliveryPolls.tries));
    EXPECT_EQ(delivery::Watching(), 0u);
    EXPECT_EQ(g_notices.size(), 1u);
}

// The status line for each credit a reply may show; the settings keep only
// a figure that is known.
TEST_F(FollowUpTest, CreditTexts) {
    struct Row {
        const char* reply;
        const char* unit;  // the file's Unit
        const char* status;
    } rows[] = {
        {"credit=12.40;", "EUR", "Message sent successfully (credit: 12.40 EUR)"},
        {"credit= 7 ;", "", "Message sent successfully (credit: 7)"},
        {"credit=3,5;", "SMS", "Message sent successfully (credit: 3,5 SMS)"},
        {"credit=n/a;", "EUR", "Message sent successfully"},
        {"no figure here", "EUR", "Message sent successfully"},
    };
    FakeHttp site([this](const Sent& s) { return provider.Answer(s); });
    for (const Row& row : rows) {
        std::string file = kGateway;
        file.replace(file.find("Unit=EUR"), 8, std::string("Unit=") + row.unit);
        testutil::WriteFile(dir.file("a.ini"), file);
        settings::Delete("Credit_a.ini");
        provider.credit = row.reply;
        EXPECT_EQ(Send("Hi"), row.status) << row.reply;
        EXPECT_EQ(settings::ReadText("Credit_a.ini").has_value(),
                  std::string(row.status).find("credit") != std::string::npos)
            << row.reply;
    }
    // The command line's sends ask for nothing after the send.
    provider.credit = "credit=12.40;";
    const size_t before = site.Requests().size(), watched = delivery::Watching();
    EXPECT_EQ(Send("Hi", false), sendtext::kSent);
    EXPECT_EQ(site.Requests().size(), before + 1);
    EXPECT_EQ(delivery::Watching(), watched);
    // A file without [Credit] says what it always said.
    testutil::WriteFile(dir.file("a.ini"),
                        "[Gateway]\r\nName=A\r\nPrefix1=43;Austria\r\nSuccess=accepted\r\n"
                        "[Request1]\r\nURL=http://a/send?to=$Number\r\nType=GET\r\n");
    EXPECT_EQ(Send("Hi"), sendtext::kSent);
}

// Readings one after another against CreditLow=5: a notice only when one
// falls below after one that was not below (or none).
TEST_F(FollowUpTest, CreditLowNoticeOncePerCrossing) {
    struct Row {
        const char* value;  // "" for a reading that found no figure
        bool notice;
    } rows[] = {{"10", false}, {"4.50", true}, {"3", false}, {"", false}, {"2", false},
                {"5", false},  {"4,99", true}, {"6", false}, {"1", true}};
    const std::string path = dir.file("a.ini");
    for (const Row& row : rows) {
        script::Credit c;
        c.known = row.value[0] != '\0';
        c.value = row.value;
        script::ParseCreditAmount(c.value, &c.amount);
        c.unit = "EUR";
        g_notices.clear();
        credit::Record("a.ini", path, c);
        EXPECT_EQ(g_notices.size(), row.notice ? 1u : 0u) << row.value;
    }
    EXPECT_EQ(g_notices.at(0), "The credit of gateway a.ini is down to 1 EUR (CreditLow: 5).");
}

// A status call that hangs: unload stops the asks and waits for the one
// under way; nothing it learns afterwards is recorded, and nothing is asked
// after the stop.
TEST_F(FollowUpTest, UnloadWaitsForTheAskUnderWayAndAsksNoMore) {
    std::mutex mutex;
    std::condition_variable cv;
    bool inStatus = false, release = false;
    std::vector<std::string> order;
    FakeHttp site([&](const Sent& s) {
        if (s.url.find("/status") == std::string::npos) return provider.Answer(s);
        std::unique_lock<std::mutex> lock(mutex);
        inStatus = true;
        cv.notify_all();
        cv.wait(lock, [&] { return release; });
        order.push_back("ask ended");
        return testutil::Ok("DELIVRD");
    });
    Send("Hello");
    g_now = kSendTime + delivery::AskAfterSeconds(0);
    delivery::CheckDue();
    {
        std::unique_lock<std::mutex> lock(mutex);
        cv.wait(lock, [&] { return inStatus; });
    }
    std::thread unload([&] {
        delivery::Stop();
        std::lock_guard<std::mutex> lock(mutex);
        order.push_back("stopped");
    });
    // Once the stop has begun, no watch is taken any more.
    delivery::Sent later;
    later.gatewayPath = dir.file("a.ini");
    later.messageId = "m43";
    while (delivery::Watch(later)) std::this_thread::yield();
    {
        std::lock_guard<std::mutex> lock(mutex);
        release = true;
    }
    cv.notify_all();
    unload.join();
    EXPECT_EQ(order, (std::vector<std::string>{"ask ended", "stopped"}));
    EXPECT_FALSE(delivery::Asking());
    EXPECT_EQ(delivery::Watching(), 0u);

    const size_t before = site.Requests().size();
    g_now = kSendTime + delivery::AskAfterSeconds(3);
    delivery::CheckDue();
    EXPECT_FALSE(delivery::Asking());
    EXPECT_EQ(site.Requests().size(), before);
    EXPECT_EQ(History(), std::vector<std::string>{"Hello"});
}

}  // namespace
}  // namespace followup_test
