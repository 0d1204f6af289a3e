#include <gtest/gtest.h>

#include <atomic>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "FakeHttp.h"
#include "LogCapture.h"
#include "StandIn.h"
#include "TempDir.h"
#include "script/Progress.h"
#include "script/Runner.h"
#include "script/RunnerSteps.h"
#include "shell/UserMessage.h"

namespace {

using testutil::Answer;
using testutil::FakeHttp;
using testutil::LogCapture;
using testutil::Ok;
using testutil::Sent;
namespace result = script::result;

class Runner : public ::testing::Test {
protected:
    void SetUp() override { standin::Reset(); }
    void TearDown() override { script::SetSleeper(nullptr); }
    std::string Gateway(const std::string& text) {
        const std::string path = dir_.file("gw" + std::to_string(files_++) + ".ini");
        testutil::WriteFile(path, text);
        return path;
    }
    int Run(const std::string& path, std::atomic<int>* abortFlag = nullptr, script::ProgressTarget* progress = nullptr) {
        return script::RunGateway(path.c_str(), user, password, &message, progress, abortFlag);
    }
    testutil::TempDir dir_;
    int files_ = 0;
    const char* user = "joe";
    const char* password = "secret";
    script::SmsMessage message{"49", "1701234567", "Hi you!", nullptr};
};

const char* kHead = "[Gateway]\nName=Test\nPrefix1=49;Germany\n";

Answer Redirect(const std::string& location, int status = 302) {
    Answer a;
    a.status = status;
    a.statusText = "Found";
    if (!location.empty()) a.headers.push_back({"Location", location});
    return a;
}

// ---- results and their lines -------------------------------------------------

struct ResultCase {
    const char* name;
    std::string gateway;
    std::function<Answer(const Sent&)> site;
    int expected;
    const char* line;   // must be logged (whole entry)
};

TEST_F(Runner, ResultTable) {
    auto ok = [](const Sent&) { return Ok("<html>done</html>"); };
    const std::string get = "[Request1]\nURL=http://gw/send\nType=GET\n";
    const ResultCase cases[] = {
        {"no name", "[Gateway]\nPrefix1=49;x\n" + get, ok, result::kNoName, " - ERROR: No Gateway name specified\n"},
        {"bad url", std::string(kHead) + "[Request1]\nURL=ftp://gw/\nType=GET\n", ok, result::kBadUrl,
         " - ERROR: Not a valid URL: ftp://gw/\n"},
        {"missing cookie", std::string(kHead) + "[Request1]\nURL=http://gw/$Cookie[SID]\nType=GET\n", ok,
         result::kExpandFailed, " - ERROR: Memory allocation error while parsing URL\n"},
        {"no type", std::string(kHead) + "[Request1]\nURL=http://gw/\n", ok, result::kNoType,
         " - ERROR: No 'Type' for Request found.\n"},
        {"no poststring", std::string(kHead) + "[Request1]\nURL=http://gw/\nType=post\n", ok, result::kNoPostString,
         " - ERROR: No Poststring specified\n"},
        {"bad type", std::string(kHead) + "[Request1]\nURL=http://gw/\nType=PUT\n", ok, result::kBadType,
         " - ERROR: Type 'PUT' is neither POST, nor GET.\n"},
        {"no reply", std::string(kHead) + get, [](const Sent&) { Answer a; a.noReply = true; return a; },
         result::kNoReply,
         " - ERROR: The last HTTP-Request returned an error. Exiting.\n(HINT: Check your proxy settings)\n"},
        {"no host on redirect", std::string(kHead) + "[Request1]\nURL=$Number\nType=GET\n",
         [](const Sent&) { return Redirect("/x"); }, result::kRedirectFailed,
         " - ERROR: Cannot determine host on redirect\n"},
        {"line break in a location", std::string(kHead) + get,
         [](const Sent&) { return Redirect("/x\r\nX-Evil: 1"); }, result::kRedirectFailed,
         " - ERROR: The redirect address holds a line break and cannot be sent\n"},
        {"redirect without location", std::string(kHead) + get, [](const Sent&) { return Redirect(""); },
         result::kRedirectFailed, " - ERROR: Got stuck in an infinite redirection loop (headerscount = 0)\n"},
        {"404", std::string(kHead) + get,
         [](const Sent&) { Answer a; a.status = 404; a.statusText = "Not Found"; a.body = "x"; return a; },
         result::kHttpError, " - ERROR: Server answered with error #404: Not Found\n"},
        {"199", std::string(kHead) + get, [](const Sent&) { Answer a; a.status = 199; a.body = "x"; return a; },
         result::kHttpError, " - ERROR: Server answered with error #199: OK\n"},
        {"empty body", std::string(kHead) + get, [](const Sent&) { return Ok(""); }, result::kEmptyReply,
         " - ERROR: Zero sized reply. You may try again\n"},
        {"no request1", std::string(kHead) + "[Request2]\nURL=http://gw/\nType=GET\n", ok, result::kNoRequest,
         " - ERROR: No Request-Section 'Request1' for processing found.\n"},
        {"unsupported prefix", "[Gateway]\nName=T\nPrefix1=491;x\nPrefix2=4;y\n" + get, ok,
         result::kPrefixUnsupported, " - ERROR: Specified gateway has no support for prefix '49'\n"},
        {"success by case", std::string(kHead) + "Success=DONE\n" + get, ok, result::kNoSuccessText,
         " - Sending the SMS failed - We didn't get the successmsg we expected :(\n"},
        {"success found", std::string(kHead) + "Success=done\n" + get, ok, result::kSent, " * Processing Request #1...\n"},
        {"no success key", std::string(kHead) + get, ok, result::kSent, " - Getting Data from http://gw/send...\n"},
        {"editme empty", std::string(kHead) + "Editme=\n" + get, ok, result::kSent, "Processing Gateway Test\n"},
        {"prefix behind a gap", "[Gateway]\nName=T\nPrefix1=1;x\nPrefix3=49;y\n" + get, ok,
         result::kPrefixUnsupported, " - ERROR: Specified gateway has no support for prefix '49'\n"},
        // Two fields of 600 KB: the body with both pairs would pass the
        // longest text a request carries, as if memory had run out.
        {"post data too long",
         std::string(kHead) + "[Request1]\nURL=http://gw/form\nType=GET\nKey1=a\nKey2=b\n"
                              "[Request2]\nURL=http://gw/send\nType=POST\nPostString=t=1\n",
         [](const Sent&) {
             const std::string big(600u << 10, 'v');
             return Ok("<input name=\"a\" value=\"" + big + "\"><input name=\"b\" value=\"" + big + "\">");
         },
         result::kPostDataMemory, " - ERROR: Memory allocation error while Building PostData\n"},
    };
    for (const ResultCase& c : cases) {
        LogCapture log;
        FakeHttp site(c.site);
        EXPECT_EQ(Run(Gateway(c.gateway)), c.expected) << c.name;
        EXPECT_TRUE(log.Has(c.line)) << c.name << "\n" << log.Text();
        EXPECT_EQ(site.LiveReplies(), 0) << c.name;
    }
}

TEST_F(Runner, NoReplySkipsTheNoRequestLine) {
    LogCapture log;
    FakeHttp site([](const Sent&) { Answer a; a.noReply = true; return a; });
    EXPECT_EQ(Run(Gateway(std::string(kHead) + "[Request1]\nURL=http://gw/\nType=GET\n")), result::kNoReply);
    EXPECT_EQ(log.Text().find("No Request-Section"), std::string::npos);
}

TEST_F(Runner, MissingMessagePartsAreRefusedFirst) {
    LogCapture log;
    const std::string path = Gateway(std::string(kHead) + "[Request1]\nURL=http://gw/\nType=GET\n");
    script::SmsMessage parts[] = {{"49", nullptr, "t", nullptr}, {nullptr, "1", "t", nullptr}, {"49", "1", nullptr, nullptr}};
    for (auto& m : parts) EXPECT_EQ(script::RunGateway(path.c_str(), nullptr, nullptr, &m, nullptr, nullptr), result::kMissingParameters);
    EXPECT_EQ(script::RunGateway(path.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr), result::kMissingParameters);
    EXPECT_TRUE(log.Has(" - ERROR: Required Parameters were not specified in SMS-structure"));
}

TEST_F(Runner, EditmeShowsATranslatedWarningAndStops) {
    standin::SetTranslationMarking(true);
    std::vector<std::string> boxes;
    usermsg::Interceptor interceptor{[](const char* text, void* c) { static_cast<std::vector<std::string>*>(c)->push_back(text); },
                                     nullptr, &boxes};
    usermsg::SetInterceptor(&interceptor);
    LogCapture log;
    FakeHttp site([](const Sent&) { return Ok("x"); });
    const std::string path = Gateway(std::string(kHead) + "Editme=0\n[Request1]\nURL=http://gw/\nType=GET\n");
    EXPECT_EQ(Run(path), result::kNotEdited);
    usermsg::SetInterceptor(nullptr);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].rfind("[T]", 0), 0u);
    EXPECT_NE(boxes[0].find("config file '" + path + "' yet"), std::string::npos);
    EXPECT_TRUE(log.Has("> User was too dumb to edit config file.\n"));
    EXPECT_TRUE(site.Requests().empty());
}

TEST(EditmeWarning, TranslationIsNeverAFormat) {
    EXPECT_EQ(script::EditmeWarning("file '%s' %s %n %d", "p"), "file 'p' %s %n %d");
    EXPECT_EQ(script::EditmeWarning("no marker", "p"), "no marker");
    EXPECT_EQ(script::EditmeWarning(std::string(3000, 'x').c_str(), "p").size(), 2047u);
}

// ---- requests as sent ------------------------------------------------------------

TEST_F(Runner, HeadersBodyAndKeyListAsSent) {
    FakeHttp site([](const Sent& s) {
        if (s.url == "http://gw/form") {
            Answer a = Ok("<input type=\"hidden\" name=\"sid\" value=\"42\"><input name=\"user\" value=\"x\">");
            a.headers.push_back({"Set-Cookie", "S=1; path=/"});
            return a;
        }
        return Ok("sent");
    });
    const std::string path = Gateway(std::string(kHead) +
                                     "[Request1]\nURL=http://gw/form\nType=GET\nKey1=sid\nKey2=user\n"
                                     "[Request2]\nURL=http://gw/post?n=$Number\nType=POST\nReferer=http://gw/$Prefix\n"
                                     "Host=gw.example\nUserAgent=Agent/1\nPostString=user=$User&m=$Message\n");
    ASSERT_EQ(Run(path), result::kSent);
    const auto sent = site.Requests();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].requestType, host::kHttpGet);
    EXPECT_EQ(sent[0].flags, 0x80003u);
    EXPECT_EQ(sent[0].bodyLength, 0);
    EXPECT_EQ(sent[0].Header("User-Agent"), "Mozilla/4.0");
    EXPECT_EQ(sent[0].Header("Cookie"), "<none>");
    const testutil::Headers expected = {
        {"Referer", "http://gw/49"},
        {"Host", "gw.example"},
        {"User-Agent", "Agent/1"},
        {"Cookie", "S=1"},
        {"Accept", "text/xml,application/xml,application/xhtml+xml,text/html;q=0.9,text/plain;q=0.8,image/png,*/*;q=0.5"},
        {"Accept-Language", "en-us,en;q=0.5"},
        {"Accept-Charset", "ISO-8859-1,utf-8;q=0.7,*;q=0.7"},
        {"Keep-Alive", "300"},
        {"Content-Type", "application/x-www-form-urlencoded"},
    };
    EXPECT_EQ(sent[1].headers, expected);
    EXPECT_EQ(sent[1].requestType, host::kHttpPost);
    EXPECT_EQ(sent[1].url, "http://gw/post?n=1701234567");
    // "user=" is in the body already: only the sid pair is appended.
    EXPECT_EQ(sent[1].body, "user=joe&m=Hi+you%21&sid=42");
    EXPECT_EQ(sent[1].bodyLength, static_cast<int>(sent[1].body.size()));
}

TEST_F(Runner, SkipsEverythingBehindAGapInTheRequests) {
    FakeHttp site([](const Sent& s) { return Ok(s.url == "http://gw/2" ? "OK!" : "first"); });
    const std::string path = Gateway(std::string(kHead) + "Success=OK!\n[Request1]\nURL=http://gw/1\nType=GET\n"
                                     "[Request2]\nURL=http://gw/2\nType=GET\n[Request4]\nURL=http://gw/4\nType=GET\n");
    EXPECT_EQ(Run(path), result::kSent);
    EXPECT_EQ(site.Requests().size(), 2u);
}

TEST_F(Runner, SuccessIsTestedOnTheLastRequestOnly) {
    FakeHttp site([](const Sent& s) { return Ok(s.url == "http://gw/1" ? "OK!" : "nothing"); });
    const std::string path = Gateway(std::string(kHead) + "Success=OK!\n[Request1]\nURL=http://gw/1\nType=GET\n"
                                     "[Request2]\nURL=http://gw/2\nType=GET\n");
    EXPECT_EQ(Run(path), result::kNoSuccessText);
}

// ---- redirects ------------------------------------------------------------------

TEST(ResolveLocation, Table) {
    const struct {
        const char* current;
        const char* location;
        int rc;
        const char* next;
    } cases[] = {
        {"http://gw/a/b.php", "c.php", 0, "http://gw/a/c.php"},
        {"http://gw/a/b.php", "/d", 0, "http://gw/d"},
        {"http://gw/a/b.php", "https://other/x", 0, "https://other/x"},
        {"http://gw/a/", "c.php", 0, "http://gw/a/c.php"},
        {"http://gw", "/d", -1, ""},                       // fewer than three "/"
        {"http://gw", "c", 0, "http://c"},
        {"http://gw/a?x=/y", "z", 0, "http://gw/a?x=/z"},  // the last "/" wins, even in the query
        {"http://gw/a", "HTTP://x", 0, "http://gw/HTTP://x"},  // "http" is compared with exact case
        {"nohost", "c", 0, "c"},
    };
    for (const auto& c : cases) {
        std::string next;
        EXPECT_EQ(script::ResolveLocation(c.current, c.location, &next), c.rc) << c.current << " + " << c.location;
        if (c.rc == 0) {
            EXPECT_EQ(next, c.next) << c.current << " + " << c.location;
        }
    }
}

TEST_F(Runner, FiveRedirectsSucceedASixthFails) {
    for (int hops : {5, 6}) {
        FakeHttp site([](const Sent& s) {
            const int n = s.url.back() - '0';
            return n < 9 ? Redirect("/r" + std::to_string(n + 1), 301 + n % 3) : Ok("x");
        });
        // Start so that `hops` redirects happen before /r9 answers.
        const std::string path =
            Gateway(std::string(kHead) + "[Request1]\nURL=http://gw/r" + std::to_string(9 - hops) + "\nType=GET\n");
        LogCapture log;
        EXPECT_EQ(Run(path), hops == 5 ? result::kSent : result::kRedirectFailed) << hops;
        EXPECT_EQ(log.Count(" - Data received\n"), hops == 5 ? 6u : 5u);
        EXPECT_EQ(site.LiveReplies(), 0);
    }
}

TEST_F(Runner, RedirectBecomesGetAndRefreshesTheCookieHeader) {
    FakeHttp site([](const Sent& s) {
        if (s.url == "http://gw/a/login.php") {
            Answer a = Redirect("next.php", 303);
            a.headers.push_back({"Set-Cookie", "SID=new"});
            return a;
        }
        Answer a = Ok("in: " + s.url);
        if (s.url == "http://gw/a/next.php") a.headers.push_back({"Set-Cookie", "LAND=1"});
        return a;
    });
    const std::string path = Gateway(std::string(kHead) +
                                     "[Request1]\nURL=http://gw/a/login.php\nType=POST\nPostString=a=1\n"
                                     "[Request2]\nURL=$LRurl?again\nType=GET\n");
    LogCapture log;
    ASSERT_EQ(Run(path), result::kSent);
    const auto sent = site.Requests();
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[1].url, "http://gw/a/next.php");
    EXPECT_EQ(sent[1].requestType, host::kHttpGet);
    EXPECT_EQ(sent[1].bodyLength, 0);
    EXPECT_EQ(sent[1].Header("Cookie"), "SID=new");
    EXPECT_EQ(sent[1].Header("Content-Type"), "application/x-www-form-urlencoded");   // headers stay
    EXPECT_EQ(sent[2].url, "http://gw/a/next.php?again");                             // $LRurl
    EXPECT_EQ(sent[2].Header("Cookie"), "SID=new; LAND=1");   // the landing page's cookie is kept
    EXPECT_TRUE(log.Has(" - 302- Redirecting to: http://gw/a/next.php\n"));
}

// ---- progress, abort, delay, verbose, MapPrefix -------------------------------------

struct Bar : script::ProgressTarget {
    std::vector<std::string> calls;
    int position = -1;
    void SetRange(int low, int high) override { calls.push_back("range " + std::to_string(low) + ".." + std::to_string(high)); }
    void SetPosition(int p) override {
        position = p;
        calls.push_back("pos " + std::to_string(p));
    }
    void Step() override {
        position += script::kProgressStep;
        calls.push_back("step");
    }
};

TEST_F(Runner, ProgressRangeAndSteps) {
    FakeHttp site([](const Sent&) { return Ok("x"); });
    Bar bar;
    const std::string path = Gateway(std::string(kHead) + "[Request1]\nURL=http://gw/1\nType=GET\n"
                                     "[Request2]\nURL=http://gw/2\nType=GET\n");
    EXPECT_EQ(Run(path, nullptr, &bar), result::kSent);
    EXPECT_EQ(bar.calls, (std::vector<std::string>{"range 0..30", "pos 0", "step", "step", "step"}));
    EXPECT_EQ(bar.position, 30);
}

TEST_F(Runner, AbortIsNoticedBeforeTheNextRequest) {
    std::atomic<int> abortFlag{0};
    FakeHttp site([&](const Sent&) {
        abortFlag = 1;   // set while request 1 is under way
        return Ok("nope");
    });
    LogCapture log;
    const std::string path = Gateway(std::string(kHead) + "Success=yes\n[Request1]\nURL=http://gw/1\nType=GET\n"
                                     "[Request2]\nURL=http://gw/2\nType=GET\n");
    EXPECT_EQ(Run(path, &abortFlag), result::kAborted);
    EXPECT_EQ(site.Requests().size(), 1u);
    EXPECT_TRUE(log.Has(" - ERROR: Sending was aborted on request\n"));

    // Set during the last request: its success test still runs first.
    abortFlag = 0;
    log.Clear();
    const std::string single = Gateway(std::string(kHead) + "Success=yes\n[Request1]\nURL=http://gw/1\nType=GET\n");
    EXPECT_EQ(Run(single, &abortFlag), result::kAborted);
    EXPECT_TRUE(log.Has(" - Sending the SMS failed - We didn't get the successmsg we expected :(\n"));
}

// The pauses a run asks of the sleeper, and how many requests had gone out
// when each began; nothing really waits.
struct Pauses {
    std::vector<int32_t> asked;
    std::vector<size_t> sentBefore;
    const FakeHttp* site = nullptr;
    static void Sleep(int32_t ms, void* context) {
        Pauses* p = static_cast<Pauses*>(context);
        p->asked.push_back(ms);
        p->sentBefore.push_back(p->site->Requests().size());
    }
};

TEST_F(Runner, DelayPausesAfterTheUrlIsExpandedAndBeforeTheRequest) {
    const struct {
        const char* name;
        const char* section;
        int expected;
        std::vector<int32_t> asked;
        const char* line;
    } cases[] = {
        {"plain", "URL=http://gw/\nDelay=150\n", result::kSent, {150}, " - ZzzZZzzz... Sleeping 150ms...\n"},
        {"capped", "URL=http://gw/\nDelay=2147483647\n", result::kSent, {script::kMaxDelayMs},
         " - WARNING: Delay capped at 300000ms\n"},
        {"url fails first", "URL=http://gw/$Cookie[none]\nDelay=150\n", result::kExpandFailed, {},
         " - ERROR: Memory allocation error while parsing URL\n"},
        {"zero", "URL=http://gw/\nDelay=0\n", result::kSent, {}, " - ZzzZZzzz... Sleeping 0ms...\n"},
        {"negative", "URL=http://gw/\nDelay=-5\n", result::kSent, {}, " - ZzzZZzzz... Sleeping -5ms...\n"},
    };
    for (const auto& c : cases) {
        FakeHttp site([](const Sent&) { return Ok("x"); });
        Pauses pauses;
        pauses.site = &site;
        const script::Sleeper sleeper{&Pauses::Sleep, &pauses};
        script::SetSleeper(&sleeper);
        LogCapture log;
        EXPECT_EQ(Run(Gateway(std::string(kHead) + "[Request1]\nType=GET\n" + c.section)), c.expected) << c.name;
        script::SetSleeper(nullptr);
        EXPECT_EQ(pauses.asked, c.asked) << c.name;
        EXPECT_EQ(pauses.sentBefore, std::vector<size_t>(c.asked.size(), 0u)) << c.name;
        EXPECT_TRUE(log.Has(c.line)) << c.name << "\n" << log.Text();
    }
}

TEST_F(Runner, VerboseLogsTheFinalBody) {
    FakeHttp site([](const Sent&) { return Ok("<b>page</b>"); });
    const std::string path = Gateway(std::string(kHead) + "[Request1]\nURL=http://gw/\nType=GET\n");
    {
        LogCapture log;
        Run(path);
        EXPECT_FALSE(log.Has("Result: <b>page</b>\n"));
    }
    standin::SetByte(nullptr, "Parlet-Plugin", "Verbose", 1);
    LogCapture log;
    Run(path);
    EXPECT_TRUE(log.Has("Result: <b>page</b>\n"));
}

TEST_F(Runner, MapPrefixReplacesThePrefixUntilTheRunEnds) {
    FakeHttp site([](const Sent&) { return Ok("x"); });
    const char* callerPrefix = message.prefix;
    LogCapture log;
    const std::string path = Gateway("[Gateway]\nName=T\nPrefix1=43;Austria\nPrefix2=49;Germany\n"
                                     "[Request1]\nURL=http://gw/$Prefix\nType=GET\nMapPrefix1=x\nMapPrefix2=00$Prefix\n"
                                     "[Request2]\nURL=http://gw/$Prefix\nType=GET\n");
    EXPECT_EQ(Run(path), result::kSent);
    const auto sent = site.Requests();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].url, "http://gw/49");       // already expanded when the map applies
    EXPECT_EQ(sent[1].url, "http://gw/0049");
    EXPECT_TRUE(log.Has("Prefix2 == MapPrefix2 (49;Germany == 00$Prefix)\n"));
    EXPECT_EQ(message.prefix, callerPrefix);

    // A "Prefix" n that only begins with the current prefix applies too.
    const std::string longer = Gateway("[Gateway]\nName=T\nPrefix1=491;Mobile\nPrefix2=49;Germany\n"
                                       "[Request1]\nURL=http://gw/a\nType=GET\nMapPrefix1=m$Prefix\nMapPrefix2=g\n"
                                       "[Request2]\nURL=http://gw/$Prefix\nType=GET\n");
    EXPECT_EQ(Run(longer), result::kSent);
    ASSERT_EQ(site.Requests().size(), 4u);
    EXPECT_EQ(site.Requests()[3].url, "http://gw/m49");
}

// However a run ends after a "MapPrefix" applied, the caller's prefix is back.
TEST_F(Runner, MappedPrefixIsPutBackOnEveryWayOut) {
    const char* callerPrefix = message.prefix;
    const struct {
        const char* name;
        const char* request2;
        Answer second;
        int expected;
    } cases[] = {
        {"no reply", "URL=http://gw/2?p=$Prefix\nType=GET\n", [] { Answer a; a.noReply = true; return a; }(),
         result::kNoReply},
        {"404", "URL=http://gw/2?p=$Prefix\nType=GET\n", [] { Answer a; a.status = 404; return a; }(),
         result::kHttpError},
        {"bad type", "URL=http://gw/2?p=$Prefix\nType=PUT\n", Ok("x"), result::kBadType},
        {"missing cookie", "URL=http://gw/2?p=$Prefix&c=$Cookie[C]\nType=GET\n", Ok("x"), result::kExpandFailed},
        {"sent", "URL=http://gw/2?p=$Prefix\nType=GET\n", Ok("x"), result::kSent},
    };
    for (const auto& c : cases) {
        FakeHttp site([&](const Sent& s) { return s.url == "http://gw/1" ? Ok("x") : c.second; });
        const std::string path = Gateway(std::string(kHead) + "[Request1]\nURL=http://gw/1\nType=GET\nMapPrefix1=0043\n"
                                                               "[Request2]\n" + c.request2);
        EXPECT_EQ(Run(path), c.expected) << c.name;
        EXPECT_EQ(message.prefix, callerPrefix) << c.name;
        const auto sent = site.Requests();
        if (sent.size() == 2) {
            EXPECT_EQ(sent[1].url, "http://gw/2?p=0043") << c.name;   // the mapped prefix stood in
        }
    }
}

TEST(RunnerSteps, AppendKeysTable) {
    const std::vector<script::KeyPair> keys = {{"sid", "42"}, {"user", "x"}};
    const struct {
        const char* body;
        size_t limit;
        bool appended;
        const char* result;
    } cases[] = {
        {"sidx=1&user=joe", 100, true, "sidx=1&user=joe&sid=42"},   // "sid=", not "sid", is looked for
        {"a=1", 100, true, "a=1&sid=42&user=x"},
        {"a=1", 17, true, "a=1&sid=42&user=x"},                   // exactly the limit
        {"a=1", 16, false, "a=1&sid=42"},
    };
    for (const auto& c : cases) {
        std::string body = c.body;
        EXPECT_EQ(script::AppendKeys(&body, keys, c.limit), c.appended) << c.body << " " << c.limit;
        EXPECT_EQ(body, c.result) << c.body << " " << c.limit;
    }
}

TEST_F(Runner, JarOfEmptyTextsSendsNoCookieHeader) {
    FakeHttp site([](const Sent&) {
        Answer a = Ok("x");
        a.headers.push_back({"Set-Cookie", "; path=/"});
        return a;
    });
    const std::string path = Gateway(std::string(kHead) + "[Request1]\nURL=http://gw/1\nType=GET\n"
                                                          "[Request2]\nURL=http://gw/2\nType=GET\n");
    ASSERT_EQ(Run(path), result::kSent);
    ASSERT_EQ(site.Requests().size(), 2u);
    EXPECT_EQ(site.Requests()[1].Header("Cookie"), "<none>");
}

// Memory that runs out inside a run fails that gateway, never the caller;
// scraped values as big as a page are not copied into every expansion.
TEST_F(Runner, OutOfMemoryAndHugeScrapedValuesFailTheRun) {
    const char* callerPrefix = message.prefix;
    {
        FakeHttp site([](const Sent&) -> Answer { throw std::bad_alloc(); });
        LogCapture log;
        EXPECT_EQ(Run(Gateway(std::string(kHead) + "[Request1]\nURL=http://gw/\nType=GET\nMapPrefix1=0\n")),
                  result::kExpandFailed);
        EXPECT_TRUE(log.Has(" - ERROR: Memory allocation error while parsing URL\n"));
        EXPECT_EQ(message.prefix, callerPrefix);
    }
    std::string page(4u << 20, 'x');
    page.insert(0, "token=");
    std::string gateway = std::string(kHead) + "[Request1]\nURL=http://gw/page\nType=GET\n";
    for (int n = 1; n <= 12; ++n) gateway += "CustomVar" + std::to_string(n) + "=token=(*)END\n";
    gateway += "[Request2]\nURL=http://gw/plain\nType=POST\nPostString=to=$Number\n"
               "[Request3]\nURL=http://gw/post\nType=POST\nPostString=v=$CustomVar1&w=$CustomVar12\n";
    FakeHttp site([&](const Sent& s) { return Ok(s.url == "http://gw/page" ? page : "ok"); });
    LogCapture log;
    EXPECT_EQ(Run(Gateway(gateway)), result::kExpandFailed);
    const auto sent = site.Requests();
    ASSERT_EQ(sent.size(), 2u);   // the template that names no custom variable went out
    EXPECT_EQ(sent[1].body, "to=1701234567");
    EXPECT_TRUE(log.Has(" - ERROR: Memory allocation error while parsing URL\n"));
}

// ---- untrusted values ----------------------------------------------------------

TEST_F(Runner, ScrapedLineBreaksNeverReachARequestLineOrHeader) {
    const struct {
        const char* name;
        const char* section;
    } cases[] = {
        {"url", "URL=http://gw/$CustomVar1\nType=GET\n"},
        {"referer", "URL=http://gw/\nReferer=http://gw/$CustomVar1\nType=GET\n"},
        {"cookie", "URL=http://gw/?c=$Cookie[C]\nType=GET\n"},
    };
    for (const auto& c : cases) {
        FakeHttp site([](const Sent& s) {
            if (s.url != "http://gw/1") return Ok("unexpected");
            Answer a = Ok("v=a\r\nX-Evil: 1;");
            a.headers.push_back({"Set-Cookie", "C=ok"});
            return a;
        });
        LogCapture log;
        const std::string path = Gateway(std::string(kHead) + "[Request1]\nURL=http://gw/1\nType=GET\nCustomVar1=v=(*);\n"
                                         "[Request2]\n" + c.section);
        const int rc = Run(path);
        const auto sent = site.Requests();
        if (std::string(c.name) == "cookie") {
            // The jar holds only clean cookies, so this one goes through.
            EXPECT_EQ(rc, result::kSent);
        } else {
            EXPECT_EQ(rc, result::kExpandFailed) << c.name;
            EXPECT_EQ(sent.size(), 1u) << c.name;
            EXPECT_NE(log.Text().find("holds a line break"), std::string::npos) << c.name;
        }
        for (const Sent& s : sent) {
            EXPECT_EQ(s.url.find_first_of("\r\n"), std::string::npos);
            for (const auto& h : s.headers) EXPECT_EQ(h.second.find_first_of("\r\n"), std::string::npos);
        }
    }
}

TEST_F(Runner, LineBreaksMayGoIntoPostBodiesEncoded) {
    FakeHttp site([](const Sent& s) { return Ok(s.url == "http://gw/1" ? "v=a\r\nb;" : "ok"); });
    const std::string path = Gateway(std::string(kHead) + "[Request1]\nURL=http://gw/1\nType=GET\nCustomVar1=v=(*);\n"
                                     "[Request2]\nURL=http://gw/2\nType=POST\nPostString=v=$CustomVar1\n");
    EXPECT_EQ(Run(path), result::kSent);
    EXPECT_EQ(site.Requests().at(1).body, "v=a%0D%0Ab");
}

// Every run has its own jar: two threads with different sessions never see
// each other's cookies.
TEST_F(Runner, ConcurrentRunsKeepTheirOwnCookies) {
    std::atomic<int> mixed{0};
    FakeHttp site([&](const Sent& s) {
        const std::string hostName = s.url.substr(7, s.url.find('/', 7) - 7);
        if (s.url.find("/login") != std::string::npos) {
            Answer a = Ok("token=" + hostName + ";");
            a.headers.push_back({"Set-Cookie", "S=" + hostName + "; path=/"});
            return a;
        }
        if (s.Header("Cookie") != "S=" + hostName || s.url.find("t=" + hostName) == std::string::npos) mixed++;
        return Ok("ok");
    });
    const std::string a = Gateway(std::string(kHead) + "[Request1]\nURL=http://a/login\nType=GET\nCustomVar1=token=(*);\n"
                                  "[Request2]\nURL=http://a/send?t=$CustomVar1\nType=GET\n");
    const std::string b = Gateway(std::string(kHead) + "[Request1]\nURL=http://b/login\nType=GET\nCustomVar1=token=(*);\n"
                                  "[Request2]\nURL=http://b/send?t=$CustomVar1\nType=GET\n");
    std::atomic<int> failures{0};
    auto worker = [&](const std::string& path) {
        for (int i = 0; i < 200; ++i) {
            script::SmsMessage m{"49", "1", "t", nullptr};
            if (script::RunGateway(path.c_str(), nullptr, nullptr, &m, nullptr, nullptr) != 0) failures++;
        }
    };
    std::thread t1(worker, a), t2(worker, b);
    t1.join();
    t2.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(mixed.load(), 0);
    EXPECT_EQ(site.LiveReplies(), 0);
}

TEST(CheckPage, Table) {
    LogCapture log;
    host::HttpReply reply{};
    char body[] = "x";
    char status[] = "Moved";
    EXPECT_EQ(script::CheckPage(nullptr, "http://gw/"), result::kNoPage);
    EXPECT_TRUE(log.Has(" - ERROR: Unable to get page http://gw/..\n"));
    reply.status = 300;
    reply.statusText = status;
    reply.body = body;
    reply.bodyLength = 1;
    EXPECT_EQ(script::CheckPage(&reply, "u"), result::kHttpError);
    EXPECT_TRUE(log.Has(" - ERROR: Server answered with error #300: Moved\n"));
    reply.status = 299;
    EXPECT_EQ(script::CheckPage(&reply, "u"), 0);
    reply.bodyLength = 0;
    EXPECT_EQ(script::CheckPage(&reply, "u"), result::kEmptyReply);
    reply.bodyLength = 1;
    reply.body = nullptr;
    EXPECT_EQ(script::CheckPage(&reply, "u"), result::kEmptyReply);
}

}  // namespace
