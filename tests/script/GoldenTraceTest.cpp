// A whole run's log, time stamps removed, against a committed baseline.
// PARLET_GOLDEN_UPDATE=<file> writes the trace there instead of comparing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "FakeHttp.h"
#include "LogCapture.h"
#include "StandIn.h"
#include "TempDir.h"
#include "script/Runner.h"

namespace {

using testutil::Answer;
using testutil::Sent;

const char* kGateway =
    "[Gateway]\n"
    "Name=Golden Provider\n"
    "Prefix1=43;Austria\n"
    "Prefix2=49;Germany\n"
    "MaxChars=160\n"
    "Success=Message accepted\n"
    "[Request1]\n"
    "URL=http://sms.test/login/form.php\n"
    "Type=GET\n"
    "UserAgent=GoldenAgent/1.0\n"
    "CustomVar1=token=(*)\"\n"
    "Key1=sid\n"
    "UseSelectData=1\n"
    "[Request2]\n"
    "URL=http://sms.test/login/check.php\n"
    "Referer=$LRurl\n"
    "Type=POST\n"
    "PostString=user=$User&pass=$Pass&t=$CustomVar1\n"
    "[Request3]\n"
    "URL=$LRurl?to=$Prefix$Number[1;3]\n"
    "Type=POST\n"
    "Delay=1\n"
    "MapPrefix1=0043\n"
    "MapPrefix2=0049\n"
    "PostString=to=$Prefix$Number&text=$Message&left=$Count&s=$Cookie[SESSION]\n";

Answer Site(const Sent& s) {
    Answer a;
    if (s.url == "http://sms.test/login/form.php") {
        a.headers = {{"Set-Cookie", "SESSION=s1; path=/"}, {"Content-Type", "text/html"}};
        a.body = "<form><input type=\"hidden\" name=\"sid\" value=\"77\"><a href=\"?token=tk9\">"
                 "<select name=\"net\"><option value=\"1\">One<option value=\"2\" selected>Two</select></form>";
    } else if (s.url == "http://sms.test/login/check.php") {
        a.status = 302;
        a.statusText = "Found";
        a.headers = {{"Location", "welcome.php"}, {"Set-Cookie", "SESSION=s2"}};
    } else if (s.url == "http://sms.test/login/welcome.php") {
        a.status = 301;
        a.statusText = "Moved Permanently";
        a.headers = {{"Location", "/home/start.php"}};
    } else if (s.url == "http://sms.test/home/start.php") {
        a.body = "<p>Welcome</p>";
    } else if (s.url.rfind("http://sms.test/home/start.php?to=", 0) == 0) {
        a.body = "<p>Message accepted</p>";
    } else {
        a.status = 404;
        a.statusText = "Not Found";
        a.body = "?";
    }
    return a;
}

TEST(GoldenTrace, LoginFlow) {
    standin::Reset();
    standin::SetByte(nullptr, "Parlet-Plugin", "Verbose", 1);
    testutil::TempDir dir;
    const std::string path = dir.file("golden.ini");
    testutil::WriteFile(path, kGateway);
    testutil::FakeHttp site(Site);
    testutil::LogCapture log;
    script::SmsMessage message{"49", "1701234567", "Hello, world!", nullptr};
    ASSERT_EQ(script::RunGateway(path.c_str(), "joe", "p@ss", &message, nullptr, nullptr), 0) << log.Text();

    std::string trace = log.Text();
    for (size_t at; (at = trace.find(path)) != std::string::npos;) trace.replace(at, path.size(), "<gateway>");

    if (const char* update = std::getenv("PARLET_GOLDEN_UPDATE")) {
        testutil::WriteFile(update, trace);
        GTEST_SKIP() << "trace written to " << update;
    }
    const std::string expected = testutil::ReadFile("golden/login-flow.log");
    ASSERT_FALSE(expected.empty()) << "baseline golden/login-flow.log missing";
    EXPECT_EQ(trace, expected);
}

}  // namespace
