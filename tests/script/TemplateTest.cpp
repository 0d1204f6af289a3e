#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "LogCapture.h"
#include "script/Runner.h"
#include "script/Template.h"

namespace {

using testutil::LogCapture;

TEST(UrlEncode, Table) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"Hi you!", "Hi+you%21"}, {"50%", "50%25"}, {"-._~", "%2D%2E%5F%7E"}, {"\xE9", "%E9"},
        {"", ""},                 {"aZ09", "aZ09"}, {"\r\n", "%0D%0A"},       {"$Number", "%24Number"},
        {"\x7F\x80\xFF", "%7F%80%FF"},
    };
    for (const auto& c : cases) {
        std::string out;
        ASSERT_EQ(script::UrlEncode(c.in, &out), 0);
        EXPECT_EQ(out, c.out) << c.in;
    }
    std::string untouched = "keep";
    EXPECT_EQ(script::UrlEncode(nullptr, &untouched), -1);
    EXPECT_EQ(untouched, "keep");
}

struct Fixture {
    script::SmsMessage message{"49", "1234567890", "Hi you!", nullptr};
    std::vector<std::string> customVars;
    script::CookieJar jar;
    script::TemplateValues values;
    Fixture() {
        values.message = &message;
        values.maxChars = 160;
        values.customVars = &customVars;
        values.jar = &jar;
    }
    std::string Expand(const char* text, bool encode = false) {
        std::string out;
        const int rc = script::ExpandTemplate(text, values, encode, &out);
        return rc == script::kExpandOk ? out : "<failed " + std::to_string(rc) + ">";
    }
};

TEST(ExpandTemplate, VariablesAndSelectors) {
    Fixture f;
    f.values.user = "joe";
    f.values.password = "pw";
    f.message.sender = "me";
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"plain text", "plain text"},
        {"$Prefix-$Number", "49-1234567890"},
        {"m=$Message&c=$Count", "m=Hi+you%21&c=153"},
        {"$Number[2;3]", "345"},
        {"$Number[0;3]", "1234567890"},
        {"$Number[20;3]", "123"},
        {"$Number[2;0]", "34567890"},
        {"$Number[2]", "34567890"},
        {"$Number[9;5]", "0"},                  // S + L beyond the end: to the end
        {"$Number[10;1]", ""},                  // S equal to the length
        {"$Number[-3;2]", "1234567890"},        // a negative offset counts as 0
        {"$Number[x]", "1234567890"},           // no digits: S = 0
        {"$Number[2", "1234567890[2"},          // no "]": no selector
        {"$Message[0;3]", "Hi+you%21"},
        {"$Message[1;4]", "i+yo"},              // selectors cut the encoded text
        {"$Number $Number", "1234567890 1234567890"},
        {"$Numbers", "1234567890s"},
        {"$number $Foo $", "$number $Foo $"},
        {"$User/$Pass/$Sender", "joe/pw/me"},
        {"$LRurl", "$LRurl"},                   // no redirect followed yet
    };
    for (const auto& c : cases) EXPECT_EQ(f.Expand(c.in), c.out) << c.in;
}

TEST(ExpandTemplate, EncodedAccountBesideThePlainOne) {
    Fixture f;
    f.values.user = "a&b c";
    f.values.password = "p+w%=#";
    EXPECT_EQ(f.Expand("$User|$EncUser|$Pass|$EncPass|$EncUser[1;3]"), "a&b c|a%26b+c|p+w%=#|p%2Bw%25%3D%23|%26");
    f.values.user = f.values.password = nullptr;
    EXPECT_EQ(f.Expand("$EncUser:$EncPass"), "$EncUser:$EncPass");
}

TEST(ExpandTemplate, MissingValuesStayInTheText) {
    Fixture f;
    f.values.maxChars = 0;
    f.message.text = "0123456789";
    EXPECT_EQ(f.Expand("$User:$Pass:$Sender:$LRurl:$Count"), "$User:$Pass:$Sender:$LRurl:-10");
    f.values.lastRedirect = "http://gw/next";
    EXPECT_EQ(f.Expand("$LRurl?x"), "http://gw/next?x");
}

TEST(ExpandTemplate, CustomVariables) {
    Fixture f;
    for (int i = 1; i <= 12; ++i) f.customVars.push_back("v" + std::to_string(i) + " &");
    EXPECT_EQ(f.Expand("$CustomVar1|$CustomVar10|$CustomVar12"), "v1 &|v10 &|v12 &");
    EXPECT_EQ(f.Expand("a=$CustomVar1", true), "a=v1+%26");
    EXPECT_EQ(f.Expand("$CustomVar13"), "$CustomVar13");
    f.customVars.resize(1);
    EXPECT_EQ(f.Expand("$CustomVar12 $CustomVar1"), "$CustomVar12 v1 &");
}

TEST(ExpandTemplate, Cookies) {
    Fixture f;
    f.jar.texts = {"SIDX=1", "SID=abc"};
    EXPECT_EQ(f.Expand("s=$Cookie[SID]&x=$Cookie[SIDX]"), "s=abc&x=1");
    LogCapture log;
    EXPECT_EQ(f.Expand("$Cookie[nope]"), "<failed -1>");
    EXPECT_TRUE(log.Has("Fatal: Required Cookie wasn't found.\n"));
    f.jar.texts.clear();
    EXPECT_EQ(f.Expand("$Cookie[SID]"), "<failed -1>");
    EXPECT_EQ(f.Expand("$Cookie[SID"), "<failed -2>");
}

TEST(ExpandTemplate, ValuesAreExpandedInLaterPasses) {
    Fixture f;
    f.values.user = "$Number";
    EXPECT_EQ(f.Expand("$User $Number"), "1234567890 1234567890");
    f.jar.texts = {"c=$Prefix"};
    EXPECT_EQ(f.Expand("$Cookie[c]"), "49");

    // Nested values multiply references; the expansion still finishes.
    Fixture g;
    g.values.user = "$Pass$Pass";
    g.values.password = "$Number[1;1]$Number[9;1]";
    std::string text, expected;
    for (int i = 0; i < 40; ++i) {
        text += "$User-";
        expected += "2020-";
    }
    EXPECT_EQ(g.Expand(text.c_str()), expected);
}

// Self-references and growing references end with a failure instead of
// running for ever.
TEST(ExpandTemplate, EveryExpansionEnds) {
    const char* users[] = {"$User", "x$User", "$User$User", "$Cookie[c]"};
    for (const char* user : users) {
        Fixture f;
        f.values.user = user;
        f.jar.texts = {"c=$User"};
        LogCapture log;
        EXPECT_EQ(f.Expand("[$User]"), "<failed -3>") << user;
        EXPECT_NE(log.Text().find("Fatal: Template expansion stopped"), std::string::npos);
    }
    // A value that names itself stops at once, with a line that says so.
    Fixture self;
    self.values.user = "a$User";
    LogCapture log;
    EXPECT_EQ(self.Expand("$User"), "<failed -3>");
    EXPECT_TRUE(log.Has("Fatal: Template expansion stopped: the value of $User refers to itself.\n")) << log.Text();
    EXPECT_EQ(self.Expand("$User[1;2]"), "$U");   // a selector that cuts the reference away is fine

    Fixture g;
    g.customVars = {"$CustomVar1"};
    EXPECT_EQ(g.Expand("$CustomVar1"), "<failed -3>");
    g.customVars = {"$CustomVar12"};
    EXPECT_EQ(g.Expand("$CustomVar1"), "$CustomVar12");
    g.jar.texts = {"a=$Cookie[a]"};
    EXPECT_EQ(g.Expand("$Cookie[a]"), "<failed -3>");
}

TEST(ExpandTemplate, ManyLegitimateReferencesStillExpand) {
    Fixture f;
    std::string text, expected;
    for (int i = 0; i < 290; ++i) {   // as many as a 2047-character value can hold
        text += "$Number";
        expected += "1234567890";
    }
    EXPECT_EQ(f.Expand(text.c_str()), expected);
}

// A scraped value full of references cannot make an expansion run long.
TEST(ExpandTemplate, HugeValuesFullOfReferencesEndQuickly) {
    Fixture f;
    std::string value;
    while (value.size() < (512u << 10)) value += "$Number";
    f.customVars = {value};
    // The bound is on work, not time: the text may grow no further than
    // kMaxExpandedSize, and the searches stop at kMaxScannedBytes.
    LogCapture log;
    EXPECT_EQ(f.Expand("$CustomVar1"), "<failed -3>");
    // A long text that needs one pass per reference meets the search bound.
    std::string many(900000, 'x');
    for (int i = 0; i < 100; ++i) many += "$Number";
    f.customVars.clear();
    log.Clear();
    EXPECT_EQ(f.Expand(many.c_str()), "<failed -3>");
    EXPECT_TRUE(log.Has("Fatal: Template expansion stopped: too much text to search.\n")) << log.Text();
}

}  // namespace
