// What replay tells apart, and what redaction hides and gives back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "record/Compare.h"
#include "record/Redact.h"
#include "record/Replay.h"
#include "record/Wire.h"
#include "transport/Reply.h"

namespace {

har::Request Post(const std::string& url, const std::string& body, const std::string& cookie = "",
                  const std::string& referer = "") {
    har::Request r;
    r.method = "POST";
    r.url = url;
    r.headers = {{"Host", "gw"}, {"User-Agent", "Mozilla/4.0"}};
    if (!referer.empty()) r.headers.push_back({"Referer", referer});
    r.headers.push_back({"Content-Type", "application/x-www-form-urlencoded"});
    if (!cookie.empty()) r.headers.push_back({"Cookie", cookie});
    r.postData = har::PostData{"application/x-www-form-urlencoded", body, {}};
    record::Derive(&r);
    return r;
}

TEST(Compare, OneLinePerDifference) {
    const har::Request recorded =
        Post("http://gw:81/web/send?a=1&b=2", "to=43&text=Hi+you&sid=S1", "PSESSION=1; PAUTH=x", "http://gw/");
    const struct {
        har::Request live;
        std::vector<std::string> lines;
    } cases[] = {
        // Values of cookies and the order of fields are no difference.
        {Post("http://GW:81/web/send?b=2&a=1", "sid=S1&text=Hi%20you&to=43", "PAUTH=y; PSESSION=2", "http://gw/"), {}},
        {Post("https://gw:81/web/send?a=1&b=2", "to=43&text=Hi+you&sid=S1", "PSESSION=1; PAUTH=x", "http://gw/"),
         {"scheme was 'http', now 'https'"}},
        {Post("http://gw:82/web/sent?a=1&b=3", "to=43&text=Hi+you&sid=S1", "PSESSION=1; PAUTH=x", "http://gw/"),
         {"host was 'gw:81', now 'gw:82'", "path was '/web/send', now '/web/sent'",
          "query field 'b' was '2', now '3'"}},
        {Post("http://gw:81/web/send?a=1&b=2", "to=43&text=Hi+you&sid=&net=2", "PSESSION=1", "http://gw/x"),
         {"body field 'sid' was 'S1', now ''", "body field 'net' is new: '2'",
          "Referer was 'http://gw/', now 'http://gw/x'", "cookie 'PAUTH' no longer sent"}},
        {Post("http://gw:81/web/send?a=1", "to=43&text=Hi+you&sid=S1", "PSESSION=1; PAUTH=x; N=1", "http://gw/"),
         {"query field 'b' was '2', now missing", "cookie 'N' is new"}},
    };
    for (const auto& c : cases) EXPECT_EQ(record::Compare(recorded, c.live), c.lines) << c.live.url;

    har::Request get = recorded;
    get.method = "GET";
    get.postData.reset();
    EXPECT_EQ(record::Compare(recorded, get)[0], "method was 'POST', now 'GET'");
    // A body that is neither form nor JSON is compared whole, its bytes shown safely.
    har::Request text = recorded, other = recorded;
    text.postData = har::PostData{"text/plain", "{\"a\":1}", {}};
    other.postData = har::PostData{"text/plain", "{\"a\":2}\n", {}};
    EXPECT_EQ(record::Compare(text, other), std::vector<std::string>{"body was '{\"a\":1}', now '{\"a\":2}\\x0A'"});
}

// A JSON body member by member: blanks, member order and escapes are no
// difference; the first member that differs is named, with both values.
TEST(Compare, JsonBodiesMemberByMember) {
    auto json = [](const std::string& body) {
        har::Request r;
        r.method = "POST";
        r.url = "http://gw/v1/send";
        r.postData = har::PostData{"application/json; charset=utf-8", body, {}};
        return r;
    };
    const std::string long_text(100, 'x');
    const har::Request recorded = json(R"({"to": ["+491"], "text": "Say \"hi\"\u000A)" + long_text + R"(", "n": 1})");
    const struct {
        std::string live;
        std::vector<std::string> lines;
    } cases[] = {
        {R"({"n":1,"text":"Say \"hi\"\n)" + long_text + R"(","to":["+491"]})", {}},
        {R"({"n":1,"text":"Say \"hi\"\n)" + long_text + R"(y","to":["+491"]})",
         {"body member \"text\" differs: recorded ..." + long_text.substr(0, 20) + "\" sent ..." +
          long_text.substr(0, 20) + "y\""}},
        {R"({"n":1,"text":"","to":["+492"]})",
         {"body member \"text\" differs: recorded \"Say \\\"hi\\\"\\n" + long_text.substr(0, 67) + "... sent \"\""}},
        {R"({"n":1,"text":"Say \"hi\"\n)" + long_text + R"(","to":["+491","+492"]})",
         {"body member \"to[1]\" differs: recorded nothing sent \"+492\""}},
        {R"({"text":"Say \"hi\"\n)" + long_text + R"(","to":["+491"],"a.b":{"c":2}})",
         {"body member \"n\" differs: recorded 1 sent nothing"}},
        {R"({"n":1,"text":"Say \"hi\"\n)" + long_text + R"(","to":["+491"],"a.b":{"c":2}})",
         {"body member \"[\"a.b\"]\" differs: recorded nothing sent {\"c\":2}"}},
        // A body that is no JSON is compared as text.
        {R"({"n":1,)",
         {"body was '{\"to\": [\"+491\"], \"text\": \"Say \\\"hi\\\"\\u000A" + long_text.substr(0, 38) +
          "...', now '{\"n\":1,'"}},
    };
    for (const auto& c : cases) EXPECT_EQ(record::Compare(recorded, json(c.live)), c.lines) << c.live;
}

// The headers a file sets: a recording of parlet's compares every one but
// the carrier's, both ways; a browser's export only those the file sets.
// Credentials are compared as redacted.
TEST(Compare, HeadersTheFileSets) {
    har::Request recorded = Post("http://gw/send", "a=1");
    recorded.headers.push_back({"Authorization", "Basic ZGVtbzpzZWNyZXQ="});
    recorded.headers.push_back({"Accept", "application/json"});
    const record::HeaderScope own, accept{false, {"Accept"}}, none{false, {}};
    auto with = [&](std::vector<har::NameValue> headers) {
        har::Request r = Post("http://gw/send", "a=1");
        r.headers[1].value = "agent/2";  // the agent is never compared
        for (auto& h : headers) r.headers.push_back(h);
        return r;
    };
    const struct {
        har::Request live;
        record::HeaderScope scope;
        std::vector<std::string> lines;
    } cases[] = {
        {with({{"authorization", "Basic b3RoZXI6b25l"}, {"ACCEPT", "application/json"}}), own, {}},
        {with({{"Authorization", "Basic ***"}, {"Accept", "application/json"}}), own, {}},
        {with({{"Authorization", "Basic x"}}), own, {"header 'Accept' was 'application/json', now missing"}},
        {with({{"Authorization", "Bearer t"}, {"Accept", "text/html"}, {"X-Id", "7"}}),
         own,
         {"header 'Authorization' was 'Basic ***', now 'Bearer ***'",
          "header 'Accept' was 'application/json', now 'text/html'", "header 'X-Id' is new: '7'"}},
        {with({{"Accept", "text/html"}}), accept, {"header 'Accept' was 'application/json', now 'text/html'"}},
        {with({}), none, {}},
    };
    for (const auto& c : cases) EXPECT_EQ(record::Compare(recorded, c.live, c.scope), c.lines);
}

TEST(Redact, HidesEveryFormAndGivesItBack) {
    const record::Secrets secrets{"demo", "p&ss word", "6641234567", "Hi \"you\"!\n", {{"$CustomVar1", "tk/1+x"}}};
    har::Request r = Post("http://gw/send?u=demo&p=p%26ss+word&to=436641234567&t=tk%2F1%2Bx",
                          "user=demo&pass=p&ss word&text=Hi+%22you%22%21%0A", "S=demo");
    r.headers.push_back({"X-Token", "tk/1+x"});
    record::Redact(&r, secrets);
    EXPECT_EQ(r.url, "http://gw/send?u=$User&p=$Pass&to=43$Number&t=$CustomVar1");
    EXPECT_EQ(r.postData->text, "user=$User&pass=$Pass&text=$Message");
    EXPECT_EQ(r.headers.back().value, "$CustomVar1");
    EXPECT_EQ(r.cookies[0].value, "$User");
    EXPECT_EQ(r.postData->params[2].value, "$Message");
    r.postData->text = "{\"text\": \"Hi \\\"you\\\"!\\u000A\"}";
    record::Redact(&r, secrets);
    EXPECT_EQ(r.postData->text, "{\"text\": \"$Message\"}");

    har::Response page;
    page.status = 200;
    page.headers = {{"Set-Cookie", "N=6641234567; path=/"}};
    page.content.text = "Dear demo, 'Hi \"you\"!\n' went to 6641234567 {\"t\":\"tk/1+x\"}";
    const har::Response original = page;
    record::Redact(&page, secrets);
    EXPECT_EQ(page.content.text, "Dear $User, '$Message' went to $Number {\"t\":\"$CustomVar1\"}");
    // JSON may escape a slash too.
    EXPECT_EQ(record::Redact("{\"access_token\":\"tk\\/1+x\"}", secrets), "{\"access_token\":\"$CustomVar1\"}");
    EXPECT_EQ(page.cookies[0].value, "$Number");
    record::Unredact(&page, secrets);
    EXPECT_EQ(page.content.text, original.content.text);
    EXPECT_EQ(page.headers[0].value, original.headers[0].value);
}

// A redacted recording: the live request is compared redacted, the reply
// comes back with the live values; past its end there is no reply.
TEST(Replay, AnswersInOrderWithTheLiveValues) {
    har::Entry entry;
    entry.request.method = "GET";
    entry.request.url = "http://gw/a?u=$User";
    record::Derive(&entry.request);
    entry.response.status = 200;
    entry.response.content.text = "hello $User";
    record::ReplayCarrier carrier({entry}, true, true);
    script::SmsMessage message{"43", "1", "x", nullptr};
    carrier.RunStarted("gw.ini", "bob", "pw", message);

    host::HttpRequest request{};
    request.requestType = host::kHttpGet;
    std::string url = "http://gw/a?u=bob";
    request.url = &url[0];
    host::HttpReply* reply = carrier.Carry(request, 0, record::WireRequest(request));
    ASSERT_NE(reply, nullptr);
    EXPECT_EQ(std::string(reply->body, static_cast<size_t>(reply->bodyLength)), "hello bob");
    carrier.Release(reply);
    EXPECT_EQ(carrier.FirstDivergence(), nullptr);

    EXPECT_EQ(carrier.Carry(request, 0, record::WireRequest(request)), nullptr);
    ASSERT_NE(carrier.FirstDivergence(), nullptr);
    EXPECT_EQ(carrier.FirstDivergence()->differences, std::vector<std::string>{"the recording ends after 1 requests"});
}

}  // namespace
