// The [Gateway] keys about the message's text: "Charset" (the site's
// charset) and "MaxCharsUnit" (what MaxChars and $Count count), through a
// whole run, and the character counts of the charsets under them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakeHttp.h"
#include "LogCapture.h"
#include "StandIn.h"
#include "TempDir.h"
#include "script/MessageKeys.h"
#include "script/Runner.h"
#include "shell/Charset.h"

namespace {

using testutil::FakeHttp;
using testutil::LogCapture;
namespace result = script::result;

std::string Times(const std::string& text, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += text;
    return out;
}

const std::string kGruesse = "Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC";  // "Grüße €" in UTF-8
const std::string kGruesseLatin9 = "Gr\xFC\xDF" "e \xA4";          // the same in ISO-8859-15

TEST(CharsetCharacters, CountsAndCutsWholeCharacters) {
    struct Case {
        const char* charset;
        std::string text;
        size_t characters;
        size_t cutAfter2;  // the byte position after two characters
    };
    const std::vector<Case> cases = {
        {"UTF-8", kGruesse, 7, 2},
        {"UTF-8", Times("\xE2\x82\xAC", 3), 3, 6},
        {"UTF-8", "\xFFx\xE2\x82", 4, 2},  // bytes that are no character count one each
        {"ISO-8859-15", kGruesseLatin9, 7, 2},
        {"SHIFT_JIS", "\x93\xFA\x96\x7B" "a", 3, 4},  // "日本a": two double-byte characters
        {"UTF-8", "", 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.charset) + " " + c.text);
        const std::optional<charset::Charset> found = charset::Charset::Find(c.charset);
        ASSERT_TRUE(found);
        EXPECT_EQ(found->Characters(c.text), c.characters);
        EXPECT_EQ(found->CharacterCut(c.text, 2), c.cutAfter2);
        EXPECT_EQ(found->CharacterCut(c.text, 100), c.text.size());
    }
}

// One run of a file with a form POST and a query; what the site got.
struct KeysCase {
    const char* name;
    std::string keys;         // [Gateway] lines
    std::string text;         // the message
    const char* given;        // its charset as the caller names it
    int expected;
    std::string body;         // the POST body; "" when nothing was sent
    std::string line;         // in the log
};

TEST(MessageKeys, TheSiteGetsItsCharsetAndCountsItsUnit) {
    const std::string count = "&count=$Count&cs=$Charset";
    const std::vector<KeysCase> cases = {
        {"no keys: the bytes as given, $Count in bytes", "MaxChars=20\n", kGruesse, "UTF-8", result::kSent,
         "text=Gr%C3%BC%C3%9Fe+%E2%82%AC&count=9&cs=UTF-8", ""},
        {"Charset ISO-8859-15: the euro is A4", "MaxChars=20\nCharset=ISO-8859-15\n", kGruesse, "UTF-8",
         result::kSent, "text=Gr%FC%DFe+%A4&count=13&cs=ISO-8859-15", ""},
        {"Charset UTF-8 from a Latin-9 caller", "MaxChars=20\nCharset=utf-8\n", kGruesseLatin9, "ISO-8859-15",
         result::kSent, "text=Gr%C3%BC%C3%9Fe+%E2%82%AC&count=9&cs=UTF-8", ""},
        {"characters: $Count counts them", "MaxChars=20\nMaxCharsUnit=Characters\n", kGruesse, "UTF-8",
         result::kSent, "text=Gr%C3%BC%C3%9Fe+%E2%82%AC&count=13&cs=UTF-8", ""},
        {"160 euros are 160 characters", "MaxChars=160\nMaxCharsUnit=characters\n", Times("\xE2\x82\xAC", 160),
         "UTF-8", result::kSent, "text=" + Times("%E2%82%AC", 160) + "&count=0&cs=UTF-8", ""},
        {"a character Latin-9 lacks fails the run, named", "Charset=ISO-8859-15\n", "x\xE4\xB8\xAD", "UTF-8",
         result::kBadCharset, "", "ISO-8859-15 cannot hold the message's character \"\xE4\xB8\xAD\" (U+4E2D)"},
        {"an unknown Charset fails the run", "Charset=NO-SUCH-SET\n", "hi", "UTF-8", result::kBadCharset, "",
         "Charset 'NO-SUCH-SET' is unknown here"},
    };
    standin::Reset();
    testutil::TempDir dir;
    for (const KeysCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.file("gw.ini");
        testutil::WriteFile(path, "[Gateway]\nName=Test\nPrefix1=49;Germany\nSuccess=OK\n" + c.keys +
                                      "[Request1]\nURL=http://site/send?to=$Number\nType=POST\nPostString=text=$Message" +
                                      count + "\n");
        FakeHttp site([](const testutil::Sent&) { return testutil::Ok("OK"); });
        LogCapture log;
        script::SmsMessage message{"49", "1701234567", c.text.c_str(), nullptr, c.given};
        EXPECT_EQ(script::RunGateway(path.c_str(), nullptr, nullptr, &message, nullptr, nullptr), c.expected);
        EXPECT_EQ(message.text, c.text.c_str());  // the caller's text stays the caller's
        const auto requests = site.Requests();
        ASSERT_EQ(requests.size(), c.body.empty() ? 0u : 1u);
        if (!c.body.empty()) EXPECT_EQ(requests[0].body, c.body);
        if (!c.line.empty()) EXPECT_NE(log.Text().find(c.line), std::string::npos) << log.Text();
    }
}

TEST(MessageKeys, UnitNamesAreOneTable) {
    EXPECT_EQ(script::FindCountUnit("BYTES"), script::CountUnit::kBytes);
    EXPECT_EQ(script::FindCountUnit("characters"), script::CountUnit::kCharacters);
    EXPECT_FALSE(script::FindCountUnit("chars"));
    EXPECT_STREQ(script::CountUnitText(script::CountUnit::kCharacters), "characters");
}

}  // namespace
