// Credit and delivery status: the readings of a reply (one table each), and
// runs through the runner against a scripted site.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "FakeHttp.h"
#include "StandIn.h"
#include "TempDir.h"
#include "script/Inquiry.h"
#include "script/InquiryPages.h"
#include "script/Template.h"

namespace {

using testutil::FakeHttp;
using testutil::Ok;
using testutil::Sent;
using script::Delivery;

// A [Credit] or [Status] section from memory.
struct StatusKeys {
    std::map<std::string, std::string> values;
    static std::string Read(const void* context, const char* key) {
        const auto& values = static_cast<const StatusKeys*>(context)->values;
        const auto found = values.find(key);
        return found == values.end() ? std::string() : found->second;
    }
    script::SectionKeys Section() const { return {Read, this}; }
};

const StatusKeys kTextStatus{{{"Delivered1", "DELIVRD"}, {"Failed1", "UNDELIV"}, {"Failed2", "REJECTD"}, {"Pending1", "ENROUTE"}}};
const StatusKeys kJsonStatus{{{"Value", "json:status"},
                        {"Delivered1", "delivered"},
                        {"Failed1", "undelivered"},
                        {"Failed2", "failed"},
                        {"Pending1", "queued"},
                        {"Pending2", "sent"}}};
const StatusKeys kPatternStatus{{{"Value", "<b>(*)</b>"}, {"Delivered1", "ok"}}};

TEST(Inquiry, ReplyToDeliveryTable) {
    struct Case {
        const StatusKeys* status;
        std::string reply;
        Delivery expected;
    } cases[] = {
        {&kTextStatus, "id 7 stat:DELIVRD err:000", Delivery::kDelivered},
        {&kTextStatus, "id 7 stat:REJECTD", Delivery::kFailed},
        {&kTextStatus, "id 7 stat:ENROUTE", Delivery::kPending},
        {&kTextStatus, "id 7 stat:delivrd", Delivery::kUnknown},  // whole-page texts keep their case
        {&kTextStatus, "", Delivery::kUnknown},
        // A cut value is compared whole, letter case aside: "undelivered" is not "delivered".
        {&kJsonStatus, R"({"status": "undelivered"})", Delivery::kFailed},
        {&kJsonStatus, R"({"status": "Delivered"})", Delivery::kDelivered},
        {&kJsonStatus, R"({"status": "sent"})", Delivery::kPending},
        {&kJsonStatus, R"({"status": "receiving"})", Delivery::kUnknown},
        {&kJsonStatus, R"({"state": "delivered"})", Delivery::kUnknown},
        {&kJsonStatus, "<html>delivered</html>", Delivery::kUnknown},
        {&kPatternStatus, "<b> ok </b>", Delivery::kDelivered},
        {&kPatternStatus, "<b>ok", Delivery::kUnknown},  // ran to the end of the page
    };
    for (const Case& c : cases) {
        EXPECT_EQ(script::DeliveryName(script::MapDelivery(c.status->Section(), c.reply.data(), c.reply.size())),
                  std::string(script::DeliveryName(c.expected)))
            << c.reply;
    }
}

TEST(Inquiry, ReplyToCreditTable) {
    const StatusKeys json{{{"Value", "json:balance"}, {"Unit", "EUR"}}};
    const StatusKeys pattern{{{"Value", "Credit: (*) SMS"}}};
    struct Case {
        const StatusKeys* credit;
        std::string reply;
        const char* text;
    } cases[] = {
        {&json, R"({"balance": 12.4, "currency": "EUR"})", "12.4 EUR"},
        {&json, R"({"balance": "-0,50"})", "-0,50 EUR"},
        {&json, R"({"balance": null})", "unknown"},
        {&json, R"({"balance": "n/a"})", "unknown"},
        {&json, R"({"balance": "12.40 EUR"})", "unknown"},
        {&json, "<html>12.40</html>", "unknown"},
        {&pattern, "<p>Credit: 250 SMS</p>", "250"},
        {&pattern, "<p>Credit: 250.</p>", "unknown"},     // ran to the end: never a wrong figure
        {&pattern, "<p>Credit: 1.2.3 SMS</p>", "unknown"},
        {&pattern, "<p>Credit: " + std::string(60, '9') + " SMS</p>", "unknown"},
        {&pattern, "<p>Balance: 250 SMS</p>", "unknown"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(script::CreditText(script::CutCredit(c.credit->Section(), c.reply.data(), c.reply.size())), c.text)
            << c.reply;
    }
    double amount = 0;
    ASSERT_TRUE(script::ParseCreditAmount(" 12,40 ", &amount));
    EXPECT_DOUBLE_EQ(amount, 12.40);
}

TEST(Inquiry, MessageIdTable) {
    const struct {
        const char* pattern;
        std::string reply;
        const char* id;
    } cases[] = {
        {"json:sid", R"({"sid": "SM123", "status": "queued"})", "SM123"},
        {"json:messages[0].apiMessageId", R"({"messages": [{"apiMessageId": "abc"}]})", "abc"},
        {"id=(*)\n", "OK: message accepted, id=42\n", "42"},
        {"id=(*)\n", "OK: message accepted, id=42", ""},
        {"json:sid", R"({"sid": "a\nb"})", ""},
        {"json:sid", R"({"sid": ")" + std::string(201, 'x') + "\"}", ""},
        {"json:sid", R"({"sid": null})", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(script::CutMessageId(c.pattern, c.reply.data(), c.reply.size()), c.id);
}

TEST(Inquiry, PollScheduleGrowsToItsBound) {
    const script::PollSchedule schedule{5, 100, 350};
    const int expected[] = {100, 200, 350, 350, 350};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(script::PollDelayMs(schedule, i), expected[i]);
}

TEST(Inquiry, MessageIdIsNotTheMessage) {
    script::SmsMessage message{"49", "170", "hello", nullptr};
    script::TemplateValues values;
    values.message = &message;
    values.messageId = "M7";
    std::string out;
    ASSERT_EQ(script::ExpandTemplate("$MessageId/$Message/$MessageId[0;1]/$Message", values, false, &out),
              script::kExpandOk);
    EXPECT_EQ(out, "M7/hello/M7/hello");
}

// ---- runs ------------------------------------------------------------------------

class InquiryRun : public ::testing::Test {
protected:
    void SetUp() override { standin::Reset(); }
    std::string Gateway(const std::string& text) {
        const std::string path = dir_.file("gw.ini");
        testutil::WriteFile(path, text);
        return path;
    }
    testutil::TempDir dir_;
};

const char* kApi =
    "[Gateway]\nName=Api\nPrefix1=49;x\nSuccess=accepted\nMessageId=json:id\n"
    "[Request1]\nURL=http://api/send?to=$Number\nType=GET\n"
    "[Credit]\nValue=json:balance\nUnit=EUR\nCreditLow=5\n"
    "[Credit1]\nURL=http://api/balance?u=$User\nType=GET\n"
    "[Status]\nValue=json:status\nDelivered1=delivered\nFailed1=failed\n"
    "[Status1]\nURL=http://api/messages/$MessageId\nType=GET\n";

TEST_F(InquiryRun, SendCreditAndStatusEachRunTheirOwnRequests) {
    const std::string path = Gateway(kApi);
    FakeHttp site([](const Sent& s) {
        if (s.url.find("/send") != std::string::npos) return Ok(R"({"status": "accepted", "id": "m-9"})");
        if (s.url.find("/balance") != std::string::npos) return Ok(R"({"balance": "4.50"})");
        return Ok(s.url == "http://api/messages/m-9" ? R"({"status": "failed"})" : R"({"status": "?"})");
    });
    script::SmsMessage message{"49", "170", "hi", nullptr};
    script::RunDetail detail;
    ASSERT_EQ(script::RunGateway(path.c_str(), "joe", "pw", &message, nullptr, nullptr, &detail), 0);
    EXPECT_EQ(detail.messageId, "m-9");
    EXPECT_FALSE(detail.credit.known);  // no SendPage: not read during the send

    script::Credit credit;
    ASSERT_EQ(script::ReadCredit(path.c_str(), "joe", "pw", &credit), 0);
    EXPECT_EQ(script::CreditText(credit), "4.50 EUR");
    EXPECT_TRUE(script::CreditIsLow(path.c_str(), credit));

    Delivery state = Delivery::kUnknown;
    ASSERT_EQ(script::ReadDelivery(path.c_str(), "joe", "pw", detail.messageId.c_str(), &state), 0);
    EXPECT_EQ(state, Delivery::kFailed);

    const auto sent = site.Requests();
    ASSERT_EQ(sent.size(), 3u);  // one send only: the inquiries never run [Request1]
    EXPECT_EQ(sent[1].url, "http://api/balance?u=joe");
}

TEST_F(InquiryRun, CreditOnASendPageIsReadWithoutSending) {
    const std::string path = Gateway(
        "[Gateway]\nName=Web\nPrefix1=49;x\nSuccess=sent\n"
        "[Request1]\nURL=http://web/login\nType=GET\n"
        "[Request2]\nURL=http://web/send?t=$Message\nType=GET\n"
        "[Credit]\nSendPage=1\nValue=<b>(*)</b>\n");
    FakeHttp site([](const Sent& s) { return Ok(s.url == "http://web/login" ? "<b>7.25</b>" : "sent"); });
    script::SmsMessage message{"49", "170", "hi", nullptr};
    script::RunDetail detail;
    ASSERT_EQ(script::RunGateway(path.c_str(), nullptr, nullptr, &message, nullptr, nullptr, &detail), 0);
    EXPECT_EQ(script::CreditText(detail.credit), "7.25");

    script::Credit credit;
    ASSERT_EQ(script::ReadCredit(path.c_str(), nullptr, nullptr, &credit), 0);
    EXPECT_EQ(script::CreditText(credit), "7.25");
    EXPECT_EQ(site.Requests().size(), 3u);  // the send's two, then the login alone
}

TEST_F(InquiryRun, AFileWithoutTheSectionsAsksNothing) {
    const std::string path = Gateway("[Gateway]\nName=Old\nPrefix1=49;x\n[Request1]\nURL=http://old/\nType=GET\n");
    FakeHttp site([](const Sent&) { return Ok("ok"); });
    script::Credit credit;
    Delivery state = Delivery::kDelivered;
    EXPECT_EQ(script::ReadCredit(path.c_str(), nullptr, nullptr, &credit), script::result::kNoRequest);
    EXPECT_EQ(script::ReadDelivery(path.c_str(), nullptr, nullptr, "1", &state), script::result::kNoRequest);
    EXPECT_EQ(state, Delivery::kUnknown);
    EXPECT_TRUE(site.Requests().empty());
}

}  // namespace
