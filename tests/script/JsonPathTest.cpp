// CustomVars that name a member of a JSON reply (script/JsonPath.h), and the
// provider's reason cut out of a failed reply (script/ReplyExcerpt.h).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "script/Extract.h"
#include "script/JsonPath.h"
#include "script/ReplyExcerpt.h"

namespace {

const char* kReply = R"({"access_token": "eyJ\"q\\\u00fc\n", "expires_in": 3600, "ok": true, "none": null,
  "data": {"items": [{"id": "a1"}, {"id": 7, "tags": ["x", "y"]}]}, "odd.name": {"x": "dot"}, "e": {}})";

TEST(JsonPath, ValuesOfAReply) {
    const struct {
        const char* path;
        bool found;
        const char* value;
    } cases[] = {
        {"json:access_token", true, "eyJ\"q\\\xC3\xBC\n"},  // unescaped, UTF-8
        {"json:expires_in", true, "3600"},
        {"json:ok", true, "true"},
        {"json:data.items[0].id", true, "a1"},
        {"json:data.items[1].id", true, "7"},
        {"json:data.items[1].tags", true, "[\"x\",\"y\"]"},
        {"json:[\"odd.name\"].x", true, "dot"},
        {"json:e", true, "{}"},
        {"json:none", false, ""},            // null is no value
        {"json:missing", false, ""},
        {"json:data.items[2].id", false, ""},
        {"json:data.items.id", false, ""},   // a member of an array
        {"json:access_token.x", false, ""},  // a member of a string
        {"json:data[0]", false, ""},         // an element of an object
        {"json:data..items", false, ""},     // no path at all
    };
    for (const auto& c : cases) {
        std::string value;
        EXPECT_EQ(script::CutValue(kReply, std::strlen(kReply), c.path, &value), c.found) << c.path;
        if (c.found) {
            EXPECT_EQ(value, c.value) << c.path;
        }
    }
}

TEST(JsonPath, WhatIsAPathAndWhatNot) {
    const struct {
        const char* text;
        bool isPath;
        bool readable;
        size_t steps;
    } cases[] = {
        {"json:a.b[12][\"c]\\\"d\"].e", true, true, 5},
        {"json:", true, true, 0},
        {"json:a.", true, false, 0},
        {"json:a[x]", true, false, 0},
        {"json:a[1", true, false, 0},
        {"json:[\"a\"", true, false, 0},
        {"json:a]b", true, false, 0},
        {"json:(*)", false, false, 0},  // a pattern, as it always was
        {"JSON:a", false, false, 0},
        {"\"access_token\":\"(*)\"", false, false, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(script::IsJsonPath(c.text), c.isPath) << c.text;
        if (!c.isPath) continue;
        std::vector<script::JsonStep> steps;
        std::string error;
        EXPECT_EQ(script::ParseJsonPath(c.text, &steps, &error), c.readable) << c.text;
        if (c.readable) {
            EXPECT_EQ(steps.size(), c.steps) << c.text;
        } else {
            EXPECT_NE(error.find("at character"), std::string::npos) << c.text;
        }
    }
}

TEST(JsonPath, NoJsonAndHostileNestingFindNothing) {
    std::string value;
    for (const std::string& body : {std::string("<html>access_token</html>"), std::string("{\"a\": 1"),
                                   std::string(100000, '[') + std::string(100000, ']'), std::string()}) {
        EXPECT_FALSE(script::CutValue(body.data(), body.size(), "json:a", &value)) << body.substr(0, 20);
    }
    const std::string nested = std::string(script::kMaxJsonDepth, '[') + "1" + std::string(script::kMaxJsonDepth, ']');
    EXPECT_TRUE(script::CutValue(nested.data(), nested.size(), "json:", &value));
}

TEST(CutCustomVar, SaysWhenTheValueRanToTheEndOfThePage) {
    const char* page = R"({"access_token":"abc","expires_in":3600})";
    const struct {
        const char* pattern;
        bool ranToEnd;
        const char* value;
    } cases[] = {
        {"access_token\":\"(*)", true, "abc\",\"expires_in\":3600}"},  // the quote trap
        {"\"access_token\":\"(*)\"", false, "abc"},
        {"json:access_token", false, "abc"},
    };
    for (const auto& c : cases) {
        std::string value;
        bool ranToEnd = !c.ranToEnd;
        ASSERT_TRUE(script::CutValue(page, std::strlen(page), c.pattern, &value, &ranToEnd)) << c.pattern;
        EXPECT_EQ(ranToEnd, c.ranToEnd) << c.pattern;
        EXPECT_EQ(value, c.value) << c.pattern;
    }
}

TEST(ReplyExcerpt, TheProvidersOwnWordsOnOneLine) {
    const std::string longText(500, 'x');
    const struct {
        std::string body;
        std::string excerpt;
    } cases[] = {
        {R"({"requestError":{"serviceException":{"messageId":"SVC0280","text":"Message too long"}}})",
         "SVC0280: Message too long"},
        {R"({"error":"invalid_client","error_description":"Client\nauthentication failed"})",
         "invalid_client: Client authentication failed"},
        {R"({"errors":[{"code":21211,"message":"Invalid 'To'"}],"status":400})", "21211: Invalid 'To'"},
        {R"({"status":"rejected"})", R"({"status":"rejected"})"},  // no member that says why: the text
        {"<html><body><h1>Bad\tRequest</h1>\r\n<p>No number</p></body></html>", "Bad Request No number"},
        {"ERR: -5\x01\x7F", "ERR: -5"},
        {longText, longText.substr(0, script::kMaxExcerpt - 3) + "..."},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(script::ReplyExcerpt(c.body.data(), c.body.size()), c.excerpt) << c.body.substr(0, 40);
    }
}

}  // namespace
