#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "FakeHttp.h"
#include "StandIn.h"
#include "TempDir.h"
#include "catalogue/Catalogue.h"
#include "catalogue/GatewayFolder.h"
#include "script/profile/Profile.h"
#include "send/SendControls.h"
#include "send/SendJob.h"
#include "shell/Log.h"
#include "shell/Settings.h"
#include "shell/UserMessage.h"

namespace {

using testutil::FakeHttp;
using testutil::Sent;

// The provider behind every test gateway: it takes a request when `takes`
// says so (or always, without one).
FakeHttp::Handler Provider(std::function<bool(const Sent&)> takes = nullptr) {
    return [takes](const Sent& s) {
        if (takes && !takes(s)) return testutil::Answer{500, "Internal Server Error", {}, "Sorry"};
        return testutil::Ok("Message accepted");
    };
}

// The send dialog as the job sees it, recording what the job did to it.
class FakeDialog : public SendControls {
    std::mutex mutex_;
    template <class F>
    auto Locked(F f) {
        std::lock_guard<std::mutex> lock(mutex_);
        return f();
    }

public:
    FakeDialog(std::string prefix, std::string number, std::string message)
        : prefix_(std::move(prefix)), number_(std::move(number)), message_(std::move(message)) {}

    const char* SelectedPrefix() override { return prefix_.c_str(); }
    std::string ReadMessage() override { return Locked([&] { return message_; }); }
    std::string ReadMessageForSend() override { return ReadMessage(); }
    charset::Charset MessageCharset() override { return charset::Charset::Utf8(); }
    void WriteMessage(const std::string& text) override {
        Locked([&] { return message_ = text; });
    }
    std::string ReadNumber() override { return number_; }
    void SetStatus(const std::string& text) override {
        Locked([&] { statuses_.push_back(text); return 0; });
    }
    void EnableSend(bool enabled) override {
        Locked([&] {
            sendEnabled_ = enabled;
            if (!enabled) everDisabled_ = true;
            return 0;
        });
    }
    void FocusMessage() override { focus_ = 1002; }
    void FocusNumber() override { focus_ = 1003; }
    void Close() override {
        std::lock_guard<std::mutex> lock(mutex_);
        closedWithSendEnabled_ = sendEnabled_;
        ++closes_;
        cv_.notify_all();
    }
    script::ProgressTarget* Progress() override { return nullptr; }

    std::string message() { return ReadMessage(); }
    std::vector<std::string> statuses() { return Locked([&] { return statuses_; }); }
    std::string lastStatus() {
        auto s = statuses();
        return s.empty() ? "" : s.back();
    }
    bool sendEnabled() { return Locked([&] { return sendEnabled_; }); }
    bool everDisabled() { return Locked([&] { return everDisabled_; }); }
    int closes() { return Locked([&] { return closes_; }); }
    bool closedWithSendEnabled() { return Locked([&] { return closedWithSendEnabled_; }); }
    int focus() const { return focus_; }
    // Waits without a bound of its own: a job that never closes is a hang
    // that ctest's time-out reports, not a race with the clock.
    void WaitClosed() {
        std::unique_lock<std::mutex> lock(mutex_);
        cv_.wait(lock, [&] { return closes_ > 0; });
    }

private:
    std::condition_variable cv_;
    std::string prefix_, number_, message_;
    std::vector<std::string> statuses_;
    bool sendEnabled_ = true;
    bool everDisabled_ = false;
    bool closedWithSendEnabled_ = false;
    int closes_ = 0;
    std::atomic<int> focus_{0};
};

class SendJobTest : public ::testing::Test {
protected:
    void SetUp() override {
        standin::Reset();
        logging::ResetForTests();
        settings::WriteByte("DoLog", 1);
        settings::WriteText("Logfile", dir.file("sms_log.txt"));
        static const usermsg::Interceptor kQuiet = {[](const char*, void*) {}, nullptr, nullptr};
        usermsg::SetInterceptor(&kQuiet);
    }
    void TearDown() override {
        FreeCatalogue();
        logging::ResetForTests();
        usermsg::SetInterceptor(nullptr);
    }

    // A gateway whose single request carries the user and the text; the
    // fake provider answers for its host name.
    void Gateway(const std::string& file, const std::string& host, int maxChars = 0, const std::string& extra = "") {
        std::string content = "[Gateway]\r\nName=Gateway " + host + "\r\nPrefix1=43;Austria\r\n";
        if (maxChars) content += "MaxChars=" + std::to_string(maxChars) + "\r\n";
        content += extra;
        content += "Success=accepted\r\n[Request1]\r\nURL=http://" + host +
                   "/send?user=$User&to=$Prefix$Number&text=$Message\r\nType=GET\r\n";
        testutil::WriteFile(dir.file(file), content);
    }
    void Accounts(const std::string& file, const std::vector<std::string>& users) {
        std::string content;
        for (size_t i = 0; i < users.size(); ++i) {
            content += "[Account" + std::to_string(i + 1) + "]\r\nUsername=" + users[i] + "\r\nPassword=pw\r\n";
        }
        testutil::WriteFile(dir.file(file), content);
    }
    void Load(const std::string& order = "") {
        if (!order.empty()) testutil::WriteFile(dir.file("gateways.ord"), order);
        SetGatewayFolder(dir.path().string());
        ASSERT_EQ(CreateCatalogue(), 0);
        ASSERT_EQ(ScanGateways(), 0);
    }
    std::vector<std::string> Order() {
        std::vector<std::string> names;
        for (const auto& g : ListGateways()) names.push_back(g.name);
        return names;
    }
    void Send(FakeDialog& dialog, host::Contact reply = nullptr, std::atomic<int>* abortFlag = nullptr) {
        std::atomic<int> own{0};
        SendRequest request;
        request.dialog = &dialog;
        request.replyContact = reply;
        request.abortFlag = abortFlag ? abortFlag : &own;
        SendJob(request);
    }
    // In LF form: the log is written in text mode, CR LF on Windows.
    std::string Log() {
        CloseLog();
        return testutil::ReadTextFile(dir.file("sms_log.txt"));
    }

    testutil::TempDir dir;
};

const std::string k300 = [] {
    std::string s;
    for (int i = 0; i < 300; ++i) s += static_cast<char>('a' + i % 26);
    return s;
}();

TEST_F(SendJobTest, EmptyFieldsAreRefusedBeforeAnyAttempt) {
    Gateway("a.ini", "a");
    Load();
    FakeHttp site(Provider());
    FakeDialog noMessage("43", "6641234567", "");
    Send(noMessage);
    EXPECT_EQ(noMessage.lastStatus(), "I need a message to send!");
    EXPECT_EQ(noMessage.focus(), 1002);
    EXPECT_FALSE(noMessage.everDisabled());
    FakeDialog noNumber("43", "", "hello");
    Send(noNumber);
    EXPECT_EQ(noNumber.lastStatus(), "And WHERE should I send it to?");
    EXPECT_EQ(noNumber.focus(), 1003);
    EXPECT_FALSE(noNumber.everDisabled());
    EXPECT_TRUE(site.Requests().empty());
    EXPECT_EQ(standin::ThreadPushes(), 2);
    EXPECT_EQ(standin::ThreadPops(), 2);
}

TEST_F(SendJobTest, NoUsableGatewayFailsWithoutAttemptAndKeepsOrder) {
    Gateway("a.ini", "a");
    Gateway("b.ini", "b");
    Load("0;a.ini\n0;b.ini\n");
    FakeHttp site(Provider());
    FakeDialog dialog("43", "6641234567", "hello");
    Send(dialog);
    EXPECT_EQ(dialog.lastStatus(), "Sending to all gateways failed, sorry");
    EXPECT_TRUE(site.Requests().empty());
    EXPECT_EQ(Order(), (std::vector<std::string>{"a.ini", "b.ini"}));
    EXPECT_TRUE(dialog.sendEnabled());
    EXPECT_EQ(dialog.closes(), 0);
}

TEST_F(SendJobTest, FallbackMovesFailedGatewaysBehindTheOneThatSent) {
    Gateway("a.ini", "a");
    Gateway("b.ini", "b");
    Gateway("c.ini", "c");
    Load("1;a.ini\n1;b.ini\n1;c.ini\n");
    FakeHttp site(Provider([](const Sent& r) { return r.Host() == "b"; }));
    FakeDialog dialog("43", "6641234567", "Hi you!");
    Send(dialog);
    EXPECT_EQ(dialog.lastStatus(), "Message sent successfully");
    EXPECT_EQ(dialog.statuses().front(), "Gateway a");
    EXPECT_EQ(Order(), (std::vector<std::string>{"b.ini", "c.ini", "a.ini"}));
    auto requests = site.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].Param("text"), "Hi you!");
    EXPECT_EQ(dialog.message(), "Hi you!");   // the field keeps what the user typed
    EXPECT_NE(Log().find("* We succeeded!! :-)\n"), std::string::npos);

    // Total failure moves each gateway once: the order is as before.
    site.SetHandler(Provider([](const Sent&) { return false; }));
    FakeDialog again("43", "6641234567", "Hi");
    Send(again);
    EXPECT_EQ(again.lastStatus(), "Sending to all gateways failed, sorry");
    EXPECT_EQ(Order(), (std::vector<std::string>{"b.ini", "c.ini", "a.ini"}));
    EXPECT_EQ(site.Requests().size(), 5u);
}

TEST_F(SendJobTest, CutAndSplitArithmetic) {
    struct Case {
        const char* name;
        uint32_t onTooLong;
        bool numbered;
        size_t length;
        std::vector<std::string> sent;   // texts as the provider got them
        std::string left;                // message field afterwards
        int maxChars = 160;
    };
    std::string t = k300;
    std::string t312 = k300 + "0123456789ab";
    std::string t320 = t312 + "cdefghij";
    std::string u;   // 2-byte characters after one ASCII byte: even cuts split them
    u += 'x';
    for (int i = 0; i < 150; ++i) u += "\xC3\xA4";
    const std::vector<Case> cases = {
        {"exactly MaxChars goes whole", settings::kCutLongMessages, false, 160, {t.substr(0, 160)}, t.substr(0, 160)},
        {"cut mode sends the first MaxChars once", settings::kCutLongMessages, false, 300, {t.substr(0, 160)}, t},
        {"split mode, exactly MaxChars goes whole", settings::kSplitLongMessages, true, 160, {t.substr(0, 160)},
         t.substr(0, 160)},
        {"split with labels", settings::kSplitLongMessages, true, 300,
         {"1/2" + t.substr(0, 154), "2/2" + t.substr(154)}, t.substr(154)},
        {"split without labels", settings::kSplitLongMessages, false, 300, {t.substr(0, 160), t.substr(160)}, t.substr(160)},
        {"a later part of exactly MaxChars goes whole", settings::kSplitLongMessages, false, 320,
         {t320.substr(0, 160), t320.substr(160)}, t320.substr(160)},
        // 154 + 158 bytes: "2/2" and 158 would be 161 bytes, over the limit.
        {"a labelled last part stays within MaxChars", settings::kSplitLongMessages, true, 312,
         {"1/2" + t312.substr(0, 154), "2/2" + t312.substr(154, 154)}, t312.substr(308)},
        {"a cut never splits a character", settings::kCutLongMessages, false, 0, {u.substr(0, 159)}, u},
        {"nor does a split", settings::kSplitLongMessages, true, 0,
         {"1/2" + u.substr(0, 153), "2/2" + u.substr(153)}, u.substr(153)},
        {"SplitNumber (2) parts at most; the rest stays", settings::kSplitLongMessages, false, 300,
         {t.substr(0, 100), t.substr(100, 100)}, t.substr(200), 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        standin::Reset();
        Gateway("a.ini", "a", c.maxChars);
        Load();
        settings::WriteDword("OnTooLong", c.onTooLong);
        settings::WriteByte("NumberMsgs", c.numbered ? 1 : 0);
        FakeHttp site(Provider());
        FakeDialog dialog("43", "6641234567", c.length ? t320.substr(0, c.length) : u);
        Send(dialog);
        EXPECT_EQ(dialog.lastStatus(), "Message sent successfully");
        auto requests = site.Requests();
        ASSERT_EQ(requests.size(), c.sent.size());
        for (size_t i = 0; i < requests.size(); ++i) EXPECT_EQ(requests[i].Param("text"), c.sent[i]) << i;
        EXPECT_EQ(dialog.message(), c.left);
        FreeCatalogue();
    }
}

TEST_F(SendJobTest, AccountsAreTriedInOrderAndTheWorkingOneBecomesFirst) {
    Gateway("a.ini", "a");
    Accounts("a.sac", {"anna", "bert", "carl"});
    Load();
    FakeHttp site(Provider([](const Sent& r) { return r.Param("user") == "bert"; }));
    FakeDialog dialog("43", "6641234567", "hello");
    Send(dialog);
    EXPECT_EQ(dialog.lastStatus(), "Message sent successfully");
    std::string log = Log();
    EXPECT_NE(log.find(" * Trying to send SMS with user 'anna'\n"), std::string::npos);
    EXPECT_NE(log.find(" * Trying to send SMS with user 'bert'\n"), std::string::npos);
    EXPECT_EQ(log.find("'carl'"), std::string::npos);
    EXPECT_EQ(profile::Read(dir.file("a.sac").c_str(), "Account1", "Username", 256), "bert");
    EXPECT_EQ(profile::Read(dir.file("a.sac").c_str(), "Account2", "Username", 256), "carl");
    EXPECT_EQ(profile::Read(dir.file("a.sac").c_str(), "Account3", "Username", 256), "anna");
}

TEST_F(SendJobTest, GatewayWhoseAccountsAllFailGivesWayToTheNext) {
    Gateway("a.ini", "a");
    Accounts("a.sac", {"anna", "bert"});
    Gateway("b.ini", "b");
    Accounts("b.sac", {"cora", "dave", "emil"});
    Load("1;a.ini\n1;b.ini\n");
    FakeHttp site(Provider([](const Sent& r) { return r.Host() == "b"; }));
    FakeDialog dialog("43", "6641234567", "hello");
    Send(dialog);
    EXPECT_EQ(dialog.lastStatus(), "Message sent successfully");
    auto requests = site.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].Param("user"), "anna");
    EXPECT_EQ(requests[1].Param("user"), "bert");
    EXPECT_EQ(requests[2].Host(), "b");
    EXPECT_EQ(requests[2].Param("user"), "cora");   // the next gateway starts at its own first account
    EXPECT_EQ(Order(), (std::vector<std::string>{"b.ini", "a.ini"}));
}

TEST_F(SendJobTest, UpperCaseIniHasNoAccountFile) {
    Gateway("G.INI", "g", 0, "Username=own\r\n");
    Accounts("G.sac", {"never"});
    Load();
    FakeHttp site(Provider());
    FakeDialog dialog("43", "6641234567", "hello");
    Send(dialog);
    ASSERT_EQ(site.Requests().size(), 1u);
    EXPECT_EQ(site.Requests()[0].Param("user"), "own");
}

TEST_F(SendJobTest, RetryOfASplitPartSendsTheSameTextWithOneLabel) {
    Gateway("a.ini", "a", 160);
    Accounts("a.sac", {"anna", "bert", "carl"});
    Load();
    settings::WriteDword("OnTooLong", settings::kSplitLongMessages);
    settings::WriteByte("NumberMsgs", 1);
    // Part one fails with anna and goes through with bert; part two is
    // then tried first with carl.
    FakeHttp site(Provider([](const Sent& r) { return r.Param("user") != "anna"; }));
    FakeDialog dialog("43", "6641234567", k300);
    Send(dialog);
    EXPECT_EQ(dialog.lastStatus(), "Message sent successfully");
    auto requests = site.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].Param("text"), "1/2" + k300.substr(0, 154));
    EXPECT_EQ(requests[1].Param("text"), requests[0].Param("text"));
    EXPECT_EQ(requests[1].Param("user"), "bert");
    EXPECT_EQ(requests[2].Param("user"), "carl");
    EXPECT_EQ(requests[2].Param("text"), "2/2" + k300.substr(154));
    // carl sent the last part: he becomes account 1.
    EXPECT_EQ(profile::Read(dir.file("a.sac").c_str(), "Account1", "Username", 256), "carl");
}

TEST_F(SendJobTest, EveryAccountIsTriedForEveryPartWrappingAround) {
    // Gateway a takes what `aTakes` lets through; b, when it has accounts, takes everything.
    const struct {
        std::vector<std::string> a, b;
        std::function<bool(const Sent&)> aTakes;
        std::vector<std::string> attempts;   // "gateway:user", in order
        std::string firstAfterwards;         // a's account 1 afterwards
    } cases[] = {
        // Part 2 starts at bert, fails, and wraps around to anna.
        {{"anna", "bert"}, {}, [](const Sent& r) { return r.Param("user") == "anna"; },
         {"a:anna", "a:bert", "a:anna"}, "anna"},
        {{"bad1", "good", "bad3"}, {}, [](const Sent& r) { return r.Param("user") == "good"; },
         {"a:bad1", "a:good", "a:bad3", "a:bad1", "a:good"}, "good"},
        // The last account sent part 1: part 2 starts again from the first.
        {{"anna", "bert"}, {}, [](const Sent& r) { return r.Param("user") == "bert"; },
         {"a:anna", "a:bert", "a:anna", "a:bert"}, "bert"},
        // Every account of a failed part 2, round to the first tried: b starts at its own first account.
        {{"anna", "bert"}, {"cora", "dave"},
         [](const Sent& r) { return r.Param("user") == "anna" && r.Param("text").size() == 160; },
         {"a:anna", "a:bert", "a:anna", "b:cora"}, "anna"},
    };
    for (const auto& c : cases) {
        standin::Reset();
        Gateway("a.ini", "a", 160);
        Accounts("a.sac", c.a);
        std::filesystem::remove(dir.file("b.ini"));
        if (!c.b.empty()) {
            Gateway("b.ini", "b", 160);
            Accounts("b.sac", c.b);
        }
        Load(c.b.empty() ? "" : "1;a.ini\n1;b.ini\n");
        settings::WriteDword("OnTooLong", settings::kSplitLongMessages);
        FakeHttp site(Provider([&](const Sent& r) { return r.Host() == "b" || c.aTakes(r); }));
        FakeDialog dialog("43", "6641234567", k300);
        Send(dialog);
        EXPECT_EQ(dialog.lastStatus(), "Message sent successfully");
        std::vector<std::string> attempts;
        for (const auto& r : site.Requests()) attempts.push_back(r.Host() + ":" + r.Param("user"));
        EXPECT_EQ(attempts, c.attempts);
        EXPECT_EQ(dialog.message(), k300.substr(160));   // both parts went out
        EXPECT_EQ(profile::Read(dir.file("a.sac").c_str(), "Account1", "Username", 256), c.firstAfterwards);
        FreeCatalogue();
    }
}

TEST_F(SendJobTest, RelayRepliesToTheContactAndClosesTheDialog) {
    Gateway("a.ini", "a");
    Load();
    host::Contact contact = standin::AddContact();
    FakeHttp site(Provider());
    settings::WriteText("SuccessMsg", "sent it");
    settings::WriteText("FailureMsg", "could not");
    FakeDialog ok("43", "6641234567", "hello");
    Send(ok, contact);
    EXPECT_EQ(ok.closes(), 1);
    site.SetHandler(Provider([](const Sent&) { return false; }));
    FakeDialog failed("43", "6641234567", "hello");
    Send(failed, contact);
    EXPECT_EQ(failed.closes(), 1);
    auto sent = standin::SentMessages();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].contact, contact);
    EXPECT_EQ(sent[0].text, "sent it");
    EXPECT_EQ(sent[1].text, "could not");
}

TEST_F(SendJobTest, CancelEndsTheSendWithoutReplyAndClearsTheFlag) {
    Gateway("a.ini", "a");
    Gateway("b.ini", "b");
    Load("1;a.ini\n1;b.ini\n");
    host::Contact contact = standin::AddContact();
    settings::WriteText("FailureMsg", "could not");
    std::atomic<int> abortFlag{0};
    FakeHttp site(Provider([&](const Sent&) {
        abortFlag = 1;   // Cancel pressed while the request runs
        return false;
    }));
    FakeDialog dialog("43", "6641234567", "hello");
    Send(dialog, contact, &abortFlag);
    EXPECT_EQ(site.Requests().size(), 1u);
    EXPECT_EQ(dialog.closes(), 1);
    EXPECT_TRUE(dialog.closedWithSendEnabled());
    EXPECT_TRUE(standin::SentMessages().empty());
    EXPECT_EQ(abortFlag.load(), 0);
    for (const auto& s : dialog.statuses()) EXPECT_NE(s, "Sending to all gateways failed, sorry");
}

TEST_F(SendJobTest, EachDialogHasItsOwnAbortFlag) {
    Gateway("a.ini", "a");
    Load();
    std::atomic<int> firstFlag{0}, secondFlag{0};
    std::mutex gate;
    std::condition_variable cv;
    int arrived = 0;
    // Both sends are in flight when the first window's Cancel is pressed.
    FakeHttp site(Provider([&](const Sent&) {
        std::unique_lock<std::mutex> lock(gate);
        ++arrived;
        cv.notify_all();
        cv.wait(lock, [&] { return arrived >= 2; });
        firstFlag = 1;
        return true;
    }));
    FakeDialog first("43", "1", "one"), second("43", "2", "two");
    std::thread a([&] { Send(first, nullptr, &firstFlag); });
    std::thread b([&] { Send(second, nullptr, &secondFlag); });
    a.join();
    b.join();
    EXPECT_EQ(first.closes(), 1);        // aborted: closed without status
    EXPECT_EQ(second.closes(), 0);
    EXPECT_EQ(second.lastStatus(), "Message sent successfully");
}

// "MaxCharsUnit" and "Charset" through the job: what MaxChars counts, the
// bytes the site gets, the rest put back into the field as typed, and a
// gateway that cannot take the message.
TEST_F(SendJobTest, MessageKeysShapeWhatTheGatewayGets) {
    const auto times = [](const std::string& text, int n) {
        std::string out;
        for (int i = 0; i < n; ++i) out += text;
        return out;
    };
    const std::string euro = "\xE2\x82\xAC";
    struct Case {
        const char* name;
        std::string keys;
        int euros;
        uint32_t onTooLong;
        std::vector<std::string> sent;  // the texts the site got, decoded
        std::string left;               // the message field afterwards
        std::string line;               // in the log
    };
    const uint32_t cut = settings::kCutLongMessages, split = settings::kSplitLongMessages;
    const std::vector<Case> cases = {
        {"bytes: 160 euros are cut at 159 bytes", "", 160, cut, {times(euro, 53)}, times(euro, 160), ""},
        {"characters: 160 euros go in one part", "MaxCharsUnit=characters\r\n", 160, split, {times(euro, 160)},
         times(euro, 160), ""},
        {"characters: 161 euros split into labelled parts of 160 characters", "MaxCharsUnit=characters\r\n", 161,
         split, {"1/2" + times(euro, 154), "2/2" + times(euro, 7)}, times(euro, 7), ""},
        {"Charset ISO-8859-15: 160 euros are 160 bytes A4", "Charset=ISO-8859-15\r\n", 160, cut,
         {std::string(160, '\xA4')}, times(euro, 160), ""},
        {"Charset ISO-8859-15 split: the rest goes back as typed", "Charset=ISO-8859-15\r\n", 170, split,
         {"1/2" + std::string(154, '\xA4'), "2/2" + std::string(16, '\xA4')}, times(euro, 16), ""},
        {"a character the Charset lacks fails the gateway", "Charset=ISO-8859-15\r\n", 0, cut, {}, "x\xE4\xB8\xAD",
         "ISO-8859-15 cannot hold the message's character \"\xE4\xB8\xAD\" (U+4E2D)"},
        {"an unknown Charset fails the gateway", "Charset=NO-SUCH-SET\r\n", 1, cut, {}, euro,
         "Charset 'NO-SUCH-SET' is unknown here"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        standin::Reset();
        settings::WriteByte("DoLog", 1);
        settings::WriteText("Logfile", dir.file("sms_log.txt"));
        Gateway("a.ini", "a", 160, c.keys);
        Load();
        settings::WriteDword("OnTooLong", c.onTooLong);
        settings::WriteWord("SplitNumber", 2);
        settings::WriteByte("NumberMsgs", 1);
        FakeHttp site(Provider());
        FakeDialog dialog("43", "6641234567", c.euros ? times(euro, c.euros) : "x\xE4\xB8\xAD");
        Send(dialog);
        EXPECT_EQ(dialog.lastStatus(), c.sent.empty() ? "Sending to all gateways failed, sorry" : "Message sent successfully");
        auto requests = site.Requests();
        ASSERT_EQ(requests.size(), c.sent.size());
        for (size_t i = 0; i < requests.size(); ++i) EXPECT_EQ(requests[i].Param("text"), c.sent[i]) << i;
        EXPECT_EQ(dialog.message(), c.left);
        if (!c.line.empty()) {
            EXPECT_NE(Log().find(c.line), std::string::npos) << Log();
        }
        FreeCatalogue();
    }
}

TEST_F(SendJobTest, ZeroMaxCharsMeansNoLimit) {
    Gateway("a.ini", "a", 0, "MaxChars=0\r\n");
    Load();
    FakeHttp site(Provider());
    FakeDialog dialog("43", "6641234567", "hello");
    Send(dialog);
    ASSERT_EQ(site.Requests().size(), 1u);
    EXPECT_EQ(site.Requests()[0].Param("text"), "hello");
}

TEST_F(SendJobTest, StartReturnsOnceTheJobRunsAndTheJobFinishesAlone) {
    Gateway("a.ini", "a");
    Load();
    host::Contact contact = standin::AddContact();
    FakeHttp site(Provider());
    FakeDialog dialog("43", "6641234567", "hello");
    std::atomic<int> abortFlag{0};
    SendRequest request;
    request.dialog = &dialog;
    request.replyContact = contact;
    request.abortFlag = &abortFlag;
    ASSERT_EQ(StartSendJob(request), 0);
    request.dialog = nullptr;   // the starter may reuse its record at once
    dialog.WaitClosed();
    EXPECT_EQ(dialog.lastStatus(), "Message sent successfully");
    // The pop follows the close on the job's thread; however busy the machine, it comes.
    while (standin::ThreadPops() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(standin::ThreadPushes(), 1);
    EXPECT_EQ(standin::ThreadPops(), 1);
}

}  // namespace
