// The keys that reach HTTP APIs ("Header%d", "Auth", "ContentType"): what a
// request carries with them, and the runs they refuse before anything is sent.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

#include "FakeHttp.h"
#include "LogCapture.h"
#include "StandIn.h"
#include "TempDir.h"
#include "script/RequestHeaders.h"
#include "script/Runner.h"
#include "script/Template.h"
#include "shell/Text.h"

namespace {

using testutil::Answer;
using testutil::FakeHttp;
using testutil::Headers;
using testutil::LogCapture;
using testutil::Ok;
using testutil::Sent;
namespace result = script::result;

const char* kApiHead = "[Gateway]\nName=Api\nPrefix1=49;Germany\n";
// The format's own headers, which every request of these files carries first.
const Headers kFormat = {{"User-Agent", "Mozilla/4.0"},
                         {"Accept",
                          "text/xml,application/xml,application/xhtml+xml,text/html;q=0.9,text/plain;q=0.8,"
                          "image/png,*/*;q=0.5"},
                         {"Accept-Language", "en-us,en;q=0.5"},
                         {"Accept-Charset", "ISO-8859-1,utf-8;q=0.7,*;q=0.7"},
                         {"Keep-Alive", "300"}};

class ApiKeys : public ::testing::Test {
protected:
    void SetUp() override { standin::Reset(); }
    int Run(const std::string& requests) {
        const std::string path = dir_.file("api" + std::to_string(files_++) + ".ini");
        testutil::WriteFile(path, kApiHead + requests);
        return script::RunGateway(path.c_str(), user, password, &message, nullptr, nullptr);
    }
    testutil::TempDir dir_;
    int files_ = 0;
    const char* user = "joe";
    const char* password = "s3cret";
    script::SmsMessage message{"49", "1701234567", "Hi \"you\" \\ o\nk \xC3\xBC", nullptr, "UTF-8"};
};

TEST(Encodings, JsonEscapeAndBase64) {
    const std::pair<std::string, std::string> json[] = {
        {"plain text", "plain text"},
        {"\"quoted\" back\\slash", "\\\"quoted\\\" back\\\\slash"},
        {"line\r\nbreak\ttab", "line\\u000D\\u000Abreak\\u0009tab"},
        {std::string("\x01\x1F\x7F", 3), "\\u0001\\u001F\\u007F"},
        {"\xC3\xBC \xE4\xB8\xAD $Pass", "\xC3\xBC \xE4\xB8\xAD $Pass"},  // text beyond ASCII as it is
    };
    for (const auto& c : json) EXPECT_EQ(script::JsonEscape(c.first), c.second) << c.first;
    const std::pair<std::string, std::string> base64[] = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"demo:secret", "ZGVtbzpzZWNyZXQ="},
        {std::string("\xFF\xFE\x00", 3), "//4A"},
    };
    for (const auto& c : base64) EXPECT_EQ(text::Base64(c.first), c.second) << c.first;
}

TEST(Encodings, BodiesOfEachTypeTakeTheirValuesTheirOwnWay) {
    script::SmsMessage m{"49", "170", "a \"$Pass\"", "me"};
    script::TemplateValues v;
    v.message = &m;
    v.password = "pw";
    const std::vector<std::string> vars = {"x\"y&z"};
    v.customVars = &vars;
    const char* text = "$Message|$Message[3;5]|$CustomVar1|$Sender";
    const std::pair<script::Encoding, std::string> cases[] = {
        {script::Encoding::kPlain, "a+%22%24Pass%22|22%24|x\"y&z|me"},
        {script::Encoding::kForm, "a+%22%24Pass%22|22%24|x%22y%26z|me"},
        // The message is never read as a template: "$Pass" stays.
        {script::Encoding::kJson, "a \\\"$Pass\\\"|$Pass|x\\\"y&z|me"},
        {script::Encoding::kVerbatim, "a \"$Pass\"|$Pass|x\"y&z|me"},
    };
    for (const auto& c : cases) {
        std::string out;
        EXPECT_EQ(script::ExpandTemplate(text, v, c.first, &out), script::kExpandOk);
        EXPECT_EQ(out, c.second) << static_cast<int>(c.first);
    }
}

struct WireCase {
    const char* name;
    std::string requests;
    Headers own;       // after kFormat (and a form's Content-Type), in order
    std::string body;  // "" for a GET
};

TEST_F(ApiKeys, HeadersAndBodiesOfEachFile) {
    const std::vector<WireCase> cases = {
        {"json with basic authorization, a repeated and a filled header",
         "[Request1]\nURL=http://api/send\nType=POST\nAuth=basic\nContentType=Application/JSON\n"
         "Header1=X-Client: parlet\nHeader2=Accept: application/json\nHeader3=x-client: $Number  \n"
         "PostString={\"to\":\"+$Prefix$Number\",\"text\":\"$Message\",\"user\":\"$User\"}\n",
         {{"Content-Type", "Application/JSON"},
          {"Authorization", "Basic am9lOnMzY3JldA=="},
          {"X-Client", "parlet, 1701234567"},
          {"Accept", "application/json"}},
         "{\"to\":\"+491701234567\",\"text\":\"Hi \\\"you\\\" \\\\ o\\u000Ak \xC3\xBC\",\"user\":\"joe\"}"},
        {"bearer on a GET: no Content-Type, the message as it is in a header",
         "[Request1]\nURL=http://api/send?to=$Number\nType=GET\nAuth=Bearer\nContentType=application/json\n"
         "Header1=X-Text: <$Message[4;3]>\n",
         {{"Authorization", "Bearer s3cret"}, {"X-Text", "<you>"}},
         ""},
        {"another type: the body as expanded, no KeyList pairs",
         "[Request1]\nURL=http://api/form\nType=GET\nKey1=sid\n"
         "[Request2]\nURL=http://api/send\nType=POST\nContentType=text/plain; charset=utf-8\nPostString=$Message!\n",
         {{"Content-Type", "text/plain; charset=utf-8"}},
         "Hi \"you\" \\ o\nk \xC3\xBC!"},
        {"scraped values: blanks at the end dropped, an empty value sends no header",
         "[Request1]\nURL=http://api/form\nType=GET\nCustomVar1=|(*)|\nCustomVar2=Z()Z\n"
         "[Request2]\nURL=http://api/send\nType=GET\nHeader1=X-Tail: $CustomVar1\nHeader2=X-Empty: $CustomVar2\n"
         "Header3=X-Last: 1\n",
         {{"X-Tail", "ab"}, {"X-Last", "1"}},
         ""},
        {"a form with a header keeps its pairs",
         "[Request1]\nURL=http://api/form\nType=GET\nKey1=sid\n"
         "[Request2]\nURL=http://api/send\nType=POST\nHeader1=X-Key: k1\nPostString=t=$Number\n",
         {{"X-Key", "k1"}},
         "t=1701234567&sid=42"},
    };
    for (const WireCase& c : cases) {
        FakeHttp site([](const Sent&) { return Ok("<input name=\"sid\" value=\"42\"> |ab  | ZZ"); });
        EXPECT_EQ(Run(c.requests), result::kSent) << c.name;
        const Sent last = site.Requests().back();
        Headers expected = kFormat;
        if (!c.body.empty() && c.own.front().first != "Content-Type") {
            expected.push_back({"Content-Type", "application/x-www-form-urlencoded"});
        }
        expected.insert(expected.end(), c.own.begin(), c.own.end());
        EXPECT_EQ(last.headers, expected) << c.name;
        EXPECT_EQ(last.body, c.body) << c.name;
    }
}

TEST_F(ApiKeys, JsonBodyParsesWithTheExactTextAndCredentialsStayOutOfTheLog) {
    LogCapture log;
    FakeHttp site([](const Sent&) { return Ok("{\"status\":\"ok\"}"); });
    ASSERT_EQ(Run("[Request1]\nURL=http://api/send\nType=POST\nAuth=basic\nContentType=Application/Vnd.Api+JSON\n"
                  "PostString={\"text\":\"$Message\",\"n\":$Count}\n"),
              result::kSent);
    const nlohmann::json body = nlohmann::json::parse(site.Requests().back().body);
    EXPECT_EQ(body["text"], message.text);
    EXPECT_TRUE(log.Has(" > Authorization: Basic ***\n")) << log.Text();
    EXPECT_EQ(log.Text().find("am9lOnMzY3JldA"), std::string::npos);
}

TEST_F(ApiKeys, OwnHeadersFollowRedirectsToTheSameServerOnly) {
    FakeHttp site([](const Sent& s) {
        Answer moved;
        moved.status = 302;
        moved.headers.push_back({"Location", s.url == "http://api/a" ? "/b" : "http://elsewhere/c"});
        return s.url == "http://elsewhere/c" ? Ok("done") : moved;
    });
    EXPECT_EQ(Run("[Request1]\nURL=http://api/a\nType=GET\nAuth=bearer\n"), result::kSent);
    const std::vector<Sent> sent = site.Requests();
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[1].Header("Authorization"), "Bearer s3cret");
    EXPECT_EQ(sent[2].Header("Authorization"), "<none>");
}

struct RefusalCase {
    const char* name;
    std::string requests;
    int expected;
    size_t sent;       // requests that went out before the refusal
    const char* line;  // logged
    const char* text = nullptr;      // the message, when not the usual one
    const char* password = nullptr;  // the account's, when not the usual one
};

TEST_F(ApiKeys, RunsRefusedBeforeTheExchangeIsSent) {
    const std::string reserved =
        std::string(" - ERROR: Header1 cannot be sent: it ") + script::DescribeHeaderFault(script::HeaderFault::kReservedName) + "\n";
    const char* const kReservedLine = reserved.c_str();
    const std::string first = "[Request1]\nURL=http://api/login\nType=GET\n";
    const std::vector<RefusalCase> cases = {
        {"a message with a header line in Header1", "[Request1]\nURL=http://api/\nType=GET\nHeader1=X-Text: $Message\n",
         result::kHeaderLineBreak, 0,
         " - ERROR: Header1 holds a line break once filled in and cannot be sent: X-Text: $Message\n",
         "hi\r\nX-Evil: 1"},
        {"a bare carriage return in the message", "[Request1]\nURL=http://api/\nType=GET\nHeader1=X-Text: $Message\n",
         result::kHeaderLineBreak, 0,
         " - ERROR: Header1 holds a line break once filled in and cannot be sent: X-Text: $Message\n", "hi\rX-Evil: 1"},
        {"a bare carriage return in a bearer token", "[Request1]\nURL=http://api/\nType=GET\nAuth=bearer\n",
         result::kHeaderLineBreak, 0,
         " - ERROR: The password holds a line break and cannot go into an Authorization header\n", nullptr,
         "tok\rX-Evil: 1"},
        {"a scraped value with a line break",
         first + "CustomVar1=v=(*);\n[Request2]\nURL=http://api/\nType=GET\n"
                 "Header1=X-V: $CustomVar1\n",
         result::kHeaderLineBreak, 1,
         " - ERROR: Header1 holds a line break once filled in and cannot be sent: X-V: $CustomVar1\n"},
        {"no colon", "[Request1]\nURL=http://api/\nType=GET\nHeader1=X-Key k1\n", result::kBadHeader, 0,
         " - ERROR: Header1 cannot be sent: it has no ':' between name and value\n"},
        {"a name with a blank", "[Request1]\nURL=http://api/\nType=GET\nHeader1=X Key: 1\n", result::kBadHeader, 0,
         " - ERROR: Header1 cannot be sent: it has a name that is not an HTTP token (letters, digits, -, _ and no "
         "blanks)\n"},
        // Reserved names in any case.
        {"a carrier's header", first + "[Request2]\nURL=http://api/\nType=GET\nHeader1=CONTENT-LENGTH: 5\n",
         result::kBadHeader, 1, kReservedLine},
        {"a format's header", "[Request1]\nURL=http://api/\nType=GET\nHeader1=host: evil\n", result::kBadHeader, 0,
         kReservedLine},
        {"a bearer token with a line break", "[Request1]\nURL=http://api/\nType=GET\nAuth=bearer\n",
         result::kHeaderLineBreak, 0,
         " - ERROR: The password holds a line break and cannot go into an Authorization header\n", nullptr,
         "tok\r\nX-Evil: 1"},
        {"an unknown Auth", "[Request1]\nURL=http://api/\nType=GET\nAuth=digest\n", result::kBadHeader, 0,
         " - ERROR: Auth 'digest' is neither basic nor bearer\n"},
        {"a JSON body of bytes that are no UTF-8",
         "[Request1]\nURL=http://api/\nType=POST\nContentType=application/json\nPostString={\"t\":\"$Message\"}\n",
         result::kBadText, 0, " - ERROR: The message is not valid UTF-8 text and cannot go into a JSON body\n"},
    };
    for (const RefusalCase& c : cases) {
        LogCapture log;
        FakeHttp site([](const Sent&) { return Ok("v=a\r\nX-Evil: 1;"); });
        const char* text = message.text;
        if (c.expected == result::kBadText) message.text = "caf\xE9";
        if (c.text) message.text = c.text;
        const char* secret = password;
        if (c.password) password = c.password;
        EXPECT_EQ(Run(c.requests), c.expected) << c.name;
        message.text = text;
        password = secret;
        EXPECT_EQ(site.Requests().size(), c.sent) << c.name;
        if (c.line) {
            EXPECT_TRUE(log.Has(c.line)) << c.name << "\n" << log.Text();
        }
    }
}

}  // namespace
