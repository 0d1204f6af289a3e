// The [Gateway] keys about the message's text through a whole run: the site
// gets its "Charset", "$Count" counts in "MaxCharsUnit"; and the character
// counts of the charsets under them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakeHttp.h"
#include "LogCapture.h"
#include "StandIn.h"
#include "TempDir.h"
#include "script/Runner.h"
#include "shell/Charset.h"

namespace {

namespace result = script::result;

const std::string kGruesse = "Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC";  // "Grüße €" in UTF-8
const std::string kSent = "Gr%C3%BC%C3%9Fe+%E2%82%AC";

TEST(CharsetCharacters, CountsAndCutsWholeCharacters) {
    const struct {
        const char* charset;
        std::string text;
        size_t characters, cutAfter2;
    } cases[] = {
        {"UTF-8", kGruesse, 7, 2},
        {"UTF-8", "\xFFx\xE2\x82", 4, 2},  // bytes that are no character count one each
        {"ISO-8859-15", "Gr\xFC\xDF" "e \xA4", 7, 2},
        {"SHIFT_JIS", "\x93\xFA\x96\x7B" "a", 3, 4},  // two double-byte characters
    };
    for (const auto& c : cases) {
        const std::optional<charset::Charset> found = charset::Charset::Find(c.charset);
        ASSERT_TRUE(found) << c.charset;
        EXPECT_EQ(found->Characters(c.text), c.characters) << c.charset;
        EXPECT_EQ(found->CharacterCut(c.text, 2), c.cutAfter2) << c.charset;
        EXPECT_EQ(found->CharacterCut(c.text, 100), c.text.size()) << c.charset;
    }
}

TEST(MessageKeys, TheSiteGetsItsCharsetAndCountsItsUnit) {
    const struct {
        std::string keys, text;
        const char* given;  // the caller's charset
        int expected;
        std::string body;  // "": nothing was sent
        std::string line;  // logged
    } cases[] = {
        {"", kGruesse, "UTF-8", result::kSent, "text=" + kSent + "&count=9&cs=UTF-8", ""},
        {"Charset=ISO-8859-15\n", kGruesse, "UTF-8", result::kSent, "text=Gr%FC%DFe+%A4&count=13&cs=ISO-8859-15", ""},
        {"Charset=utf-8\n", "Gr\xFC\xDF" "e \xA4", "ISO-8859-15", result::kSent, "text=" + kSent + "&count=9&cs=UTF-8",
         ""},
        {"MaxCharsUnit=Characters\n", kGruesse, "UTF-8", result::kSent, "text=" + kSent + "&count=13&cs=UTF-8", ""},
        {"Charset=ISO-8859-15\n", "x\xE4\xB8\xAD", "UTF-8", result::kBadCharset, "",
         "ISO-8859-15 cannot hold the message's character \"\xE4\xB8\xAD\" (U+4E2D)"},
        {"Charset=NO-SUCH-SET\n", "hi", "UTF-8", result::kBadCharset, "", "Charset 'NO-SUCH-SET' is unknown here"},
    };
    standin::Reset();
    testutil::TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.keys + c.text);
        const std::string path = dir.file("gw.ini");
        testutil::WriteFile(path, "[Gateway]\nName=T\nPrefix1=49;D\nSuccess=OK\nMaxChars=20\n" + c.keys +
                                      "[Request1]\nURL=http://site/send\nType=POST\n"
                                      "PostString=text=$Message&count=$Count&cs=$Charset\n");
        testutil::FakeHttp site([](const testutil::Sent&) { return testutil::Ok("OK"); });
        testutil::LogCapture log;
        script::SmsMessage message{"49", "1701234567", c.text.c_str(), nullptr, c.given};
        EXPECT_EQ(script::RunGateway(path.c_str(), nullptr, nullptr, &message, nullptr, nullptr), c.expected);
        EXPECT_EQ(message.text, c.text.c_str());  // the caller's text stays the caller's
        const auto requests = site.Requests();
        ASSERT_EQ(requests.size(), c.body.empty() ? 0u : 1u);
        if (!c.body.empty()) {
            EXPECT_EQ(requests[0].body, c.body);
        }
        EXPECT_NE(log.Text().find(c.line), std::string::npos) << log.Text();
    }
}

}  // namespace
