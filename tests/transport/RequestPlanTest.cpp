#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "transport/RequestPlan.h"

namespace {

struct Request {
    std::vector<std::string> texts;
    std::vector<host::HttpHeader> headers;
    host::HttpRequest record{};

    Request(int type, std::vector<std::pair<std::string, std::string>> list) {
        texts.reserve(list.size() * 2);
        for (auto& h : list) {
            texts.push_back(h.first);
            texts.push_back(h.second);
        }
        for (size_t i = 0; i < list.size(); ++i) headers.push_back({&texts[2 * i][0], &texts[2 * i + 1][0]});
        record.size = 44;
        record.requestType = type;
        record.headers = headers.empty() ? nullptr : headers.data();
        record.headerCount = static_cast<int>(headers.size());
    }
};

TEST(PlanRequest, VerbFromTheRequestType) {
    struct Case {
        int type;
        const char* verb;
        const char* extra;
    };
    const Case cases[] = {
        {1, "GET", ""},
        {2, "POST", "Content-Type: application/x-www-form-urlencoded"},
        {3, "CONNECT", ""},
        {0, nullptr, ""},
        {7, nullptr, ""},
        {-1, nullptr, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        Request r(c.type, {});
        transport::RequestPlan plan = transport::PlanRequest(r.record);
        if (c.verb) {
            ASSERT_NE(plan.verb, nullptr);
            EXPECT_STREQ(plan.verb, c.verb);
        } else {
            EXPECT_EQ(plan.verb, nullptr);
        }
        EXPECT_EQ(plan.extraHeaders, c.extra);
        EXPECT_EQ(plan.agent, "ZUVE_ROV");
        EXPECT_FALSE(plan.referrer.has_value());
    }
}

TEST(PlanRequest, PostCarriesContentTypeAndEveryCookieJoinedByLineFeeds) {
    Request r(2, {{"Referer", "http://a/"},
                  {"Cookie", "a=1"},
                  {"Accept", "text/html"},
                  {"cookie", "b=2"},
                  {"Keep-Alive", "300"},
                  {"Content-Type", "text/plain"}});
    transport::RequestPlan plan = transport::PlanRequest(r.record);
    EXPECT_EQ(plan.extraHeaders,
              "Content-Type: application/x-www-form-urlencoded\nCookie: a=1\ncookie: b=2");
}

TEST(PlanRequest, LaterReferrerAndAgentReplaceEarlierOnes) {
    Request r(1, {{"Referer", "http://first/"}, {"User-Agent", "One"}, {"REFERER", "http://second/"},
                  {"user-agent", "Two"}});
    transport::RequestPlan plan = transport::PlanRequest(r.record);
    ASSERT_TRUE(plan.referrer.has_value());
    EXPECT_EQ(*plan.referrer, "http://second/");
    EXPECT_EQ(plan.agent, "Two");
    EXPECT_EQ(plan.extraHeaders, "");
}

TEST(PlanRequest, NamesMustMatchWhole) {
    Request r(1, {{"Referer2", "x"}, {"Cookies", "y"}, {"User-Agent-X", "z"}, {"Cooki", "w"}});
    transport::RequestPlan plan = transport::PlanRequest(r.record);
    EXPECT_FALSE(plan.referrer.has_value());
    EXPECT_EQ(plan.agent, "ZUVE_ROV");
    EXPECT_EQ(plan.extraHeaders, "");
}

TEST(PlanRequest, LineBreaksInValuesCannotStartHeadersOfTheirOwn) {
    Request r(1, {{"Cookie", "a=1\r\nX-Injected: yes"}, {"Referer", "http://a/\nEvil: 1"}});
    transport::RequestPlan plan = transport::PlanRequest(r.record);
    EXPECT_EQ(plan.extraHeaders, "Cookie: a=1X-Injected: yes");
    EXPECT_EQ(*plan.referrer, "http://a/Evil: 1");
}

TEST(PlanRequest, MissingNamesValuesAndCountsAreSkipped) {
    Request r(1, {{"Cookie", "a=1"}});
    r.headers.push_back({nullptr, nullptr});
    r.headers.push_back({const_cast<char*>("Cookie"), nullptr});
    r.record.headers = r.headers.data();
    r.record.headerCount = 3;
    EXPECT_EQ(transport::PlanRequest(r.record).extraHeaders, "Cookie: a=1\nCookie: ");
    r.record.headerCount = -3;
    EXPECT_EQ(transport::PlanRequest(r.record).extraHeaders, "");
    r.record.headerCount = 2;
    r.record.headers = nullptr;
    EXPECT_EQ(transport::PlanRequest(r.record).extraHeaders, "");
}

}  // namespace
