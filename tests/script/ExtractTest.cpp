#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "LogCapture.h"
#include "NaiveSelect.h"
#include <random>
#include "script/Extract.h"
#include "script/Search.h"

namespace script {
bool operator==(const KeyPair& a, const KeyPair& b) { return a.name == b.name && a.value == b.value; }
}  // namespace script

namespace {

using testutil::LogCapture;

struct Keys {
    std::map<std::string, std::string> values;
    static std::string Read(const void* context, const char* key) {
        const Keys* self = static_cast<const Keys*>(context);
        auto it = self->values.find(key);
        return it == self->values.end() ? std::string() : it->second;
    }
    script::SectionKeys Section() const { return script::SectionKeys{&Keys::Read, this}; }
};

// ---- cookies ------------------------------------------------------------

struct FakeReply {
    std::vector<std::string> names, values;
    std::vector<host::HttpHeader> headers;
    host::HttpReply reply{};
    void Add(const std::string& name, const std::string& value) {
        names.push_back(name);
        values.push_back(value);
    }
    const host::HttpReply* Get() {
        headers.clear();
        for (size_t i = 0; i < names.size(); ++i) headers.push_back({&names[i][0], &values[i][0]});
        reply.headers = headers.data();
        reply.headerCount = static_cast<int>(headers.size());
        return &reply;
    }
};

TEST(CollectCookies, StoresReplacesAndAppendsByName) {
    LogCapture log;
    script::CookieJar jar;
    FakeReply first;
    first.Add("Set-Cookie", "SID=abc; path=/");
    first.Add("Content-Type", "text/html");
    first.Add("set-cookie2", "a=1, b=2");   // the name only has to begin with Set-Cookie
    EXPECT_EQ(script::CollectCookies(&jar, first.Get()), 2);
    EXPECT_EQ(jar.texts, (std::vector<std::string>{"SID=abc", "a=1"}));
    EXPECT_TRUE(log.Has(" ! Found a Cookie: SID=abc; path=/\n"));
    EXPECT_TRUE(log.Has("OK, 2 Cookies now in jar\n"));

    FakeReply second;
    second.Add("SET-COOKIE", "SID=def");
    second.Add("Set-Cookie", "SIDX=1");
    EXPECT_EQ(script::CollectCookies(&jar, second.Get()), 3);
    EXPECT_EQ(jar.texts, (std::vector<std::string>{"SID=def", "a=1", "SIDX=1"}));
    EXPECT_EQ(script::JoinCookies(jar), "SID=def; a=1; SIDX=1");
}

TEST(CollectCookies, TwentyFiveNewCookiesKeepTwenty) {
    LogCapture log;
    script::CookieJar jar;
    FakeReply reply;
    for (int i = 0; i < 25; ++i) reply.Add("Set-Cookie", "c" + std::to_string(i) + "=v");
    EXPECT_EQ(script::CollectCookies(&jar, reply.Get()), 20);
    ASSERT_EQ(jar.texts.size(), 20u);
    EXPECT_EQ(jar.texts.back(), "c19=v");
    const auto entries = log.Entries();
    ASSERT_GE(entries.size(), 2u);
    EXPECT_EQ(entries[entries.size() - 2], " - Possible problem: We have reached the maximum of cookies\n");
    EXPECT_EQ(entries.back(), "OK, 20 Cookies now in jar\n");
    EXPECT_EQ(log.Count(" ! Found a Cookie: c20=v\n"), 0u);   // the rest of the reply is not taken

    // A full jar still takes new values of cookies it holds, but no new names.
    FakeReply later;
    later.Add("Set-Cookie", "new=1");
    later.Add("Set-Cookie", "c3=changed");
    log.Clear();
    EXPECT_EQ(script::CollectCookies(&jar, later.Get()), 20);
    EXPECT_EQ(jar.texts[3], "c3=changed");
    EXPECT_EQ(log.Count(" - Possible problem: We have reached the maximum of cookies\n"), 1u);
}

TEST(CollectCookies, RefusesLineBreaksAndSurvivesOddHeaders) {
    script::CookieJar jar;
    FakeReply reply;
    reply.Add("Set-Cookie", "evil=1\r\nX-Injected: yes");
    reply.Add("Set-Cookie", "");
    reply.Add("Set-Cook", "short=1");        // name shorter than "Set-Cookie"
    EXPECT_EQ(script::CollectCookies(&jar, reply.Get()), 1);
    EXPECT_EQ(jar.texts, (std::vector<std::string>{""}));
    host::HttpReply nullHeaders{};
    nullHeaders.headerCount = 3;               // a count without an array
    EXPECT_EQ(script::CollectCookies(&jar, &nullHeaders), 1);
    EXPECT_EQ(script::CollectCookies(&jar, nullptr), 1);
}

TEST(FindCookie, MatchesWholeNames) {
    script::CookieJar jar{{"SIDX=1", "SID=abc", "flag", "e=a=b"}};
    std::string v;
    ASSERT_TRUE(script::FindCookie(jar, "SID", 3, &v));
    EXPECT_EQ(v, "abc");
    ASSERT_TRUE(script::FindCookie(jar, "flag", 4, &v));
    EXPECT_EQ(v, "");
    ASSERT_TRUE(script::FindCookie(jar, "e", 1, &v));
    EXPECT_EQ(v, "a=b");
    EXPECT_FALSE(script::FindCookie(jar, "SI", 2, &v));
}

// ---- custom variables -------------------------------------------------------

struct CutCase {
    const char* pattern;
    const char* body;
    bool found;
    const char* value;
};

TEST(CutCustomVar, Table) {
    const CutCase cases[] = {
        {"sid=(*)&", "?sid=ab12&x=1", true, "ab12"},
        {"id=(*);", "id=77;x", true, "77"},
        {"id=(77);", "id=77;x", true, "77"},            // no wildcard: the marked text itself
        {"id=(*)", "id=77;x)", true, "77;x"},           // the trailing ")" stays part of the tail
        {"id=(*)", "id=77;x", true, "77;x"},            // tail not found: to the end of the body
        {"k=(*)&", "k=1&k=2&", true, "1"},              // the first occurrence of the head
        {"k=(*)&", "k=&&", true, "&"},                  // "*" stands for at least one character
        {"nothere(*)", "abc", false, ""},
        {"a(b", "xab", true, "b"},                      // no ")": to the end of the pattern
        {"ab(", "xab(", true, "("},                     // a "(" at the end stays, the value starts at it
        {"a)b(c", "abc", true, ""},                     // markers in reverse order: empty, no crash
        {"(*)", "xyz", true, "xyz"},                    // empty head: found at the start
        {"*", "", true, ""},
        {"abc(*)", "abc", true, ""},                    // the tail search starts past the body's end
    };
    for (const CutCase& c : cases) {
        std::string value = "unchanged";
        const bool found = script::CutCustomVar(c.body, std::strlen(c.body), c.pattern, &value);
        EXPECT_EQ(found, c.found) << c.pattern << " on " << c.body;
        if (c.found) {
            EXPECT_EQ(value, c.value) << c.pattern << " on " << c.body;
        }
    }
}

TEST(ExtractCustomVars, NumberingRunsOnAcrossSectionsAndStopsAtAGap) {
    LogCapture log;
    script::RunLists lists;
    Keys first{{{"CustomVar1", "a=(*);"}, {"CustomVar2", "missing=(*);"}, {"CustomVar3", "b=(*);"},
                {"CustomVar5", "c=(*);"}}};
    const std::string body = "a=1;b=2;c=3;";
    script::ExtractCustomVars(first.Section(), body.data(), body.size(), &lists);
    EXPECT_EQ(lists.customVars, (std::vector<std::string>{"1", "2"}));
    EXPECT_TRUE(log.Has(" - Got custom variable CustomVar1: 1\n"));
    EXPECT_TRUE(log.Has(" - Got custom variable CustomVar3: 2\n"));

    // Two values so far: the next section's keys start at 3.
    Keys second{{{"CustomVar1", "a=(*);"}, {"CustomVar3", "c=(*);"}}};
    script::ExtractCustomVars(second.Section(), body.data(), body.size(), &lists);
    EXPECT_EQ(lists.customVars, (std::vector<std::string>{"1", "2", "3"}));
}

TEST(ExtractCustomVars, ThirtyThirdValueIsLoggedAndDropped) {
    LogCapture log;
    script::RunLists lists;
    Keys keys;
    for (int k = 1; k <= 33; ++k) keys.values["CustomVar" + std::to_string(k)] = "v=(*);";
    const std::string body = "v=x;";
    script::ExtractCustomVars(keys.Section(), body.data(), body.size(), &lists);
    EXPECT_EQ(lists.customVars.size(), 32u);
    const auto entries = log.Entries();
    ASSERT_GE(entries.size(), 2u);
    EXPECT_EQ(entries[entries.size() - 2], " - Got custom variable CustomVar33: x\n");
    EXPECT_EQ(entries.back(), " - WARNING: Maximum number of custom variables reached. \n");
}

TEST(ExtractCustomVars, BodyEndsAtItsFirstZeroByte) {
    script::RunLists lists;
    Keys keys{{{"CustomVar1", "t=(*)"}}};
    const std::string body("t=ab\0cd", 7);
    script::ExtractCustomVars(keys.Section(), body.data(), body.size(), &lists);
    EXPECT_EQ(lists.customVars, (std::vector<std::string>{"ab"}));
}

// ---- form fields ---------------------------------------------------------------

struct FieldCase {
    const char* body;
    const char* name;
    bool found;
    const char* value;
};

// A value longer than any request can carry is kept only that far: a page
// read by many patterns must not be copied whole for each.
TEST(Extract, KeepsNoMoreOfAValueThanARequestCarries) {
    const std::string big(3u << 20, 'x');
    std::string value;
    const std::string page = "token=" + big;
    ASSERT_TRUE(script::CutCustomVar(page.data(), page.size(), "token=(*)END", &value));
    EXPECT_EQ(value, big.substr(0, script::kMaxKeptValue));
    const std::string form = "<input name=\"t\" value=\"" + big + "\">";
    ASSERT_TRUE(script::FindFieldValue(form.data(), form.size(), "t", &value));
    EXPECT_EQ(value, big.substr(0, script::kMaxKeptValue));
}

TEST(FindFieldValue, Table) {
    const FieldCase cases[] = {
        {"<input type=\"hidden\" name=\"sid\" value=\"99\">", "sid", true, "99"},
        {"<input name=sid value=\"7\">", "sid", true, "7"},
        {"<input name='sid' value=\"99\">", "sid", false, ""},          // single quotes
        {"<input\nname=\"sid\" value=\"99\">", "sid", false, ""},       // line break before name
        {"<input name=\"sid\"><p value=\"later\">", "sid", true, "later"},  // any later value="
        {"<input name=\"sid\" value=\"open", "sid", false, ""},         // no closing quote
        {"<input name=\"sid\">", "sid", false, ""},
        {"<input name=\"sidx\" value=\"1\"> <input name=\"sid\" value=\"2\">", "sid", true, "2"},
    };
    for (const FieldCase& c : cases) {
        std::string value;
        EXPECT_EQ(script::FindFieldValue(c.body, std::strlen(c.body), c.name, &value), c.found) << c.body;
        if (c.found) {
            EXPECT_EQ(value, c.value) << c.body;
        }
    }
}

TEST(ExtractKeys, NumberingFollowsTheKeyListCount) {
    LogCapture log;
    script::RunLists lists;
    lists.keys.push_back({"net", "1"});                          // e.g. from a select list
    Keys keys{{{"Key1", "ignored"}, {"Key2", "sid"}, {"Key3", "none"}, {"Key4", "tok"}}};
    const std::string body = "<input name=\"sid\" value=\"9\"><input name=\"tok\" value=\"t\"><input name=\"ignored\" value=\"i\">";
    script::ExtractKeys(keys.Section(), body.data(), body.size(), &lists);
    ASSERT_EQ(lists.keys.size(), 3u);
    EXPECT_EQ(lists.keys[1].name, "sid");
    EXPECT_EQ(lists.keys[2].name, "tok");
    EXPECT_TRUE(log.Has(" - Found key sid=9\n"));
}

// ---- select lists ----------------------------------------------------------------

struct SelectCase {
    const char* body;
    std::vector<script::KeyPair> expected;
};

TEST(ExtractSelectLists, Table) {
    const SelectCase cases[] = {
        {"x<select name=\"net\"><option value=\"1\">A<option value=\"2\" selected>B</select>", {{"net", "2"}}},
        {"x<select name=\"net\"><option value=\"1\">A<option value=\"2\">B</select>", {{"net", "1"}}},
        {"x<select name=\"n\"><option>  Foo \r\n</option></select>", {{"n", "Foo"}}},
        {"<select name=\"first\"><option value=\"1\">A</select>", {}},   // a list at the very start is skipped
        // Any later quote counts, even the option's: the name becomes "3";
        // "</SELECT" is not "</select" (exact case), so the list runs on.
        {"x<SELECT NAME=net><OPTION VALUE=\"3\">C</SELECT>", {{"3", "3"}}},
        {"x<select name=a ><option value=b >B</select>", {{"a", "b"}}},  // unquoted: up to a space
        {"x<select id=\"q\"><option value=\"1\">A</select> name=\"late\"", {}},  // "name" behind the tag's ">"
        {"x<select name=\"a\"><option value=\"1\"></select><option value=\"9\" selected>", {{"a", "1"}}},
        {"x<select name=\"a\"></select><option value=\"9\">", {}},      // the option lies behind the list's end
        {"x<select name=\"a\"><option value=\"1\"><option selected value=\"2\"><option value=\"3\" selected>",
         {{"a", "3"}}},                                                  // the last selected option wins
        {"x<select name=\"a\"><option", {}},                            // an option without ">"
        {"x<select name=\"a\"", {}},                                     // a list without ">": reading stops
        {"x<select name=\"a\"><option value=\"1\">A<select name=\"b\"><option value=\"2\" selected>B",
         {{"a", "2"}, {"b", "2"}}},                                      // no "</select": lists overlap
    };
    for (const SelectCase& c : cases) {
        script::RunLists lists;
        script::ExtractSelectLists(c.body, std::strlen(c.body), &lists);
        EXPECT_EQ(lists.keys, c.expected) << c.body;
    }
}

TEST(ExtractSelectLists, LogsEveryTakenOption) {
    LogCapture log;
    script::RunLists lists;
    const std::string body = "x<select name=\"net\"><option value=\"1\">A<option value=\"2\" selected>B</select>";
    script::ExtractSelectLists(body.data(), body.size(), &lists);
    EXPECT_EQ(log.Entries(), (std::vector<std::string>{" - Found <select> net=1\n", " - Found <select> net=2\n"}));
}

TEST(ExtractSelectLists, KeyListNeverPasses255Pairs) {
    std::string body = "x";
    for (int i = 0; i < 300; ++i) body += "<select name=\"s" + std::to_string(i) + "\"><option value=\"v\"></select>";
    script::RunLists lists;
    lists.keys.push_back({"before", "1"});
    script::ExtractSelectLists(body.data(), body.size(), &lists);
    EXPECT_EQ(lists.keys.size(), script::kMaxKeys);
    EXPECT_EQ(lists.keys.back().name, "s253");
}

// The linear reader gives what the plain one gives, on random soups of the
// tokens that matter.
TEST(ExtractSelectLists, AgreesWithThePlainReading) {
    const char* tokens[] = {"<select", "<SELECT", "</select", "</SELECT", "<option", "<Option", ">", "<", "=", "\"",
                            " ", "name", "value", "selected", "a", "b", "\r\n", "name=\"n\"", "value=v "};
    std::mt19937 random(1234);
    for (int round = 0; round < 20000; ++round) {
        std::string page;
        for (auto i = random() % 40; i > 0; --i) page += tokens[random() % (sizeof tokens / sizeof tokens[0])];
        script::RunLists lists;
        script::ExtractSelectLists(page.data(), page.size(), &lists);
        ASSERT_EQ(lists.keys, scripttest::NaiveSelectLists(page)) << page;
    }
}

// Pages built against the naive algorithm, which is quadratic on them.
TEST(Extraction, AdversarialPagesTakeLinearTime) {
    std::string selects = "x";
    while (selects.size() < (2u << 20)) selects += "<select name=a><option value=\"1\">";
    std::string options = "x<select name=\"a\">";
    while (options.size() < (2u << 20)) options += "<option";
    std::string heads;
    while (heads.size() < (2u << 20)) heads += "id=";
    Keys keys{{{"CustomVar1", "id=(*)END"}, {"Key1", "id"}}};

    // Work is counted, not timed: the bytes the searches examined stay a
    // small multiple of the page (the naive reading examines millions of
    // times more). The timing lives in extract_bench.
    for (const std::string* page : {&selects, &options, &heads}) {
        script::RunLists lists;
        const uint64_t before = script::ScannedBytes();
        script::ExtractCustomVars(keys.Section(), page->data(), page->size(), &lists);
        script::ExtractKeys(keys.Section(), page->data(), page->size(), &lists);
        script::ExtractSelectLists(page->data(), page->size(), &lists);
        const uint64_t scanned = script::ScannedBytes() - before;
        EXPECT_GT(scanned, 0u);
        EXPECT_LT(scanned, 16u * page->size()) << scanned << " bytes examined for a page of " << page->size();
    }
}

}  // namespace
