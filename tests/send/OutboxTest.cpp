// The outbox end to end over the real send job: a message every gateway
// refuses is kept, retried on the relay's clock (no waiting on the wall
// clock) and sent exactly once; what went out lands in the contact's
// history; a send interrupted by a kill waits for the user; a broken outbox
// file is set aside, never overwritten.
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "FakeHttp.h"
#include "LogCapture.h"
#include "PlainControls.h"
#include "StandIn.h"
#include "TempDir.h"
#include "catalogue/Catalogue.h"
#include "catalogue/GatewayFolder.h"
#include "send/AirCost.h"
#include "send/Outbox.h"
#include "send/OutboxRetry.h"
#include "send/SendControls.h"
#include "send/SendJob.h"
#include "shell/Clock.h"
#include "shell/Log.h"
#include "shell/Settings.h"
#include "shell/UserMessage.h"
#include "ui/PhoneBook.h"

namespace {

using testutil::FakeHttp;
using testutil::Sent;

std::atomic<uint32_t> g_now{1700000000};
uint32_t FakeNow() { return g_now.load(); }

std::vector<std::string> g_notices;
void TakeNotice(const char* text, void*) { g_notices.push_back(text); }

testutil::Answer Refuse(const Sent&) { return testutil::Answer{500, "Internal Server Error", {}, "Sorry"}; }
testutil::Answer Take(const Sent&) { return testutil::Ok("accepted"); }

class OutboxTest : public ::testing::Test {
protected:
    void SetUp() override {
        standin::Reset();
        logging::ResetForTests();
        g_notices.clear();
        static const usermsg::Interceptor kNotices = {TakeNotice, [](void*) {}, nullptr};
        usermsg::SetInterceptor(&kNotices);
        forward::SetClock(FakeNow);
        standin::SetProfileFolder(dir.path().string());
        settings::WriteByte("QueueFailed", 1);
        settings::WriteText("FailureMsg", "Failed.");
        settings::WriteText("QueuedMsg", "Kept for later.");
        settings::WriteText("SuccessMsg", "Sent!");
        testutil::WriteFile(dir.file("a.ini"),
                            "[Gateway]\r\nName=A\r\nPrefix1=43;Austria\r\nSuccess=accepted\r\n"
                            "[Request1]\r\nURL=http://a/send?to=$Prefix$Number&text=$Message\r\nType=GET\r\n");
        SetGatewayFolder(dir.path().string());
        ASSERT_EQ(CreateCatalogue(), 0);
        ASSERT_EQ(ScanGateways(), 0);
        phone = AddPhoneContact(std::string("43"), "6641234567");
        bob = standin::AddContact();
    }
    void TearDown() override {
        outbox::StopRetries();
        FreeCatalogue();
        forward::SetClock(nullptr);
        usermsg::SetInterceptor(nullptr);
    }

    // A send from the dialog, with the outbox on.
    std::string Send(const std::string& text, host::Contact reply = nullptr) {
        testutil::PlainControls fields("43", "6641234567", text, charset::Charset::Utf8());
        std::atomic<int> abortFlag{0};
        SendRequest request;
        request.dialog = &fields;
        request.abortFlag = &abortFlag;
        request.replyContact = reply;
        request.historyContact = phone;
        request.outboxFile = outbox::PluginOutboxPath();
        SendJob(request);
        return fields.status;
    }
    void Retry(uint32_t after) {
        g_now += after;
        outbox::RetryDue();
        outbox::WaitForRetry();
    }
    outbox::Contents Outbox() { return outbox::OutboxFile(outbox::PluginOutboxPath()).Read(); }
    std::vector<std::string> Texts(const std::vector<Sent>& requests) {
        std::vector<std::string> texts;
        for (const Sent& s : requests) texts.push_back(s.Param("text"));
        return texts;
    }
    std::vector<std::string> History(host::Contact contact) {
        std::vector<std::string> texts;
        for (const standin::EventRecord& e : standin::Events()) {
            if (e.contact == contact && e.module == "Parlet-Plugin" && e.flags == host::kEventSent && e.type == 0)
                texts.push_back(e.Text());
        }
        return texts;
    }
    std::string LastIm(host::Contact contact) {
        std::string last;
        for (const standin::SentMessage& m : standin::SentMessages())
            if (m.contact == contact) last = m.text;
        return last;
    }

    testutil::TempDir dir;
    host::Contact phone = nullptr, bob = nullptr;
};

TEST_F(OutboxTest, KeptWhenEveryGatewayFailsAndSentOnceWhenAGatewayTakesIt) {
    FakeHttp site(Refuse);
    EXPECT_EQ(Send("Hello outbox", bob), sendtext::kQueued);
    EXPECT_EQ(LastIm(bob), "Failed. Kept for later.");
    outbox::Contents kept = Outbox();
    ASSERT_EQ(kept.messages.size(), 1u);
    const outbox::Message m = kept.messages[0];
    EXPECT_EQ(m.state, outbox::State::kQueued);
    EXPECT_EQ(m.text, "Hello outbox");
    EXPECT_EQ(m.tries, 1u);
    EXPECT_EQ(m.nextTry, g_now + 15 * 60);
    EXPECT_EQ(m.replyContact, reinterpret_cast<uintptr_t>(bob));
    EXPECT_EQ(History(phone),
              (std::vector<std::string>{"Not sent yet: kept in the outbox for a later try\r\nHello outbox"}));

    Retry(15 * 60 - 1);  // not due yet
    EXPECT_EQ(site.Requests().size(), 1u);
    Retry(1);  // due: tried, refused again, kept without a second answer
    EXPECT_EQ(site.Requests().size(), 2u);
    EXPECT_EQ(Outbox().messages.at(0).tries, 2u);
    EXPECT_EQ(Outbox().messages.at(0).nextTry, g_now + 15 * 60);
    EXPECT_EQ(standin::SentMessages().size(), 1u);

    site.SetHandler(Take);
    Retry(15 * 60);
    EXPECT_TRUE(Outbox().messages.empty());
    EXPECT_EQ(Texts(site.Requests()), (std::vector<std::string>{"Hello outbox", "Hello outbox", "Hello outbox"}));
    EXPECT_EQ(History(phone).back(), "Hello outbox");
    EXPECT_EQ(History(phone).size(), 2u);
    EXPECT_EQ(LastIm(bob), "Sent!");
    Retry(24 * 60 * 60);  // nothing left to send
    EXPECT_EQ(site.Requests().size(), 3u);
}

// A JSON gateway takes the message as UTF-8; the history keeps it as the
// dialog's text all the same.
TEST_F(OutboxTest, HistoryHoldsTheDialogsTextOfAPartAJsonGatewayTook) {
    testutil::WriteFile(dir.file("a.ini"),
                        "[Gateway]\r\nName=A\r\nPrefix1=43;Austria\r\nSuccess=accepted\r\n"
                        "[Request1]\r\nURL=http://a/json\r\nType=POST\r\n"
                        "ContentType=application/json\r\nPostString={\"text\":\"$Message\"}\r\n");
    ASSERT_EQ(ScanGateways(), 0);
    FakeHttp site(Take);
    const std::string latin1 = "Gr\xFC\xDF\x65", utf8 = "Gr\u00FC\u00DFe";
    testutil::PlainControls fields("43", "6641234567", latin1, *charset::Charset::Find("ISO-8859-1"));
    std::atomic<int> abortFlag{0};
    SendRequest request;
    request.dialog = &fields;
    request.abortFlag = &abortFlag;
    request.historyContact = phone;
    SendJob(request);
    ASSERT_EQ(site.Requests().size(), 1u);
    EXPECT_EQ(site.Requests()[0].body, "{\"text\":\"" + utf8 + "\"}");
    std::string inHistory;  // the host keeps message events in its default charset
    ASSERT_TRUE(charset::Charset::Default().Encode(utf8, &inHistory, nullptr));
    EXPECT_EQ(History(phone), (std::vector<std::string>{inHistory}));
}

// History texts and the command line's message go through this: only the
// characters the charset lacks become '?'.
TEST(LossyEncoded, KeepsEveryCharacterTheCharsetHolds) {
    const charset::Charset latin1 = *charset::Charset::Find("ISO-8859-1");
    const struct {
        std::string utf8, expected;
    } cases[] = {
        {"Gr\u00FC\u00DFe", "Gr\xFC\xDF\x65"},
        {"Gr\u00FC\u00DFe \u4E2D!", "Gr\xFC\xDF\x65 ?!"},
        {"a\xFF\x62", "a?b"},
    };
    for (const auto& c : cases) EXPECT_EQ(charset::LossyEncoded(latin1, c.utf8), c.expected) << c.utf8;
}

TEST_F(OutboxTest, GivenUpAfterTheLastTryUntilTheUserRetries) {
    settings::WriteWord("QueueMaxTries", 2);
    testutil::LogCapture log;
    FakeHttp site(Refuse);
    Send("Two tries");
    Retry(15 * 60);
    ASSERT_EQ(Outbox().messages.size(), 1u);
    EXPECT_EQ(Outbox().messages[0].state, outbox::State::kGivenUp);
    ASSERT_EQ(g_notices.size(), 1u);
    EXPECT_NE(g_notices[0].find("gave up sending the message to 436641234567 after 2 tries"), std::string::npos);
    EXPECT_NE(log.Text().find("Outbox message 1: Parlet gave up"), std::string::npos);
    EXPECT_EQ(History(phone).back(), "Not sent: given up after the last try\r\nTwo tries");
    Retry(24 * 60 * 60);
    EXPECT_EQ(site.Requests().size(), 2u);  // never again on its own
    site.SetHandler(Take);
    EXPECT_TRUE(outbox::RetryNow(1));
    outbox::WaitForRetry();
    EXPECT_EQ(site.Requests().size(), 3u);
    EXPECT_TRUE(Outbox().messages.empty());
}

TEST_F(OutboxTest, AMessageFoundBeingSentAtStartUpWaitsForTheUsersWord) {
    outbox::Contents before;
    auto add = [&](const char* text, outbox::State state) {
        outbox::Message m;
        m.prefix = "43";
        m.number = "6641234567";
        m.text = text;
        m.state = state;
        m.tries = 3;
        m.nextTry = g_now + 600;  // the start-up retry does not wait for it
        return before.Add(m);
    };
    const uint32_t interrupted = add("maybe sent", outbox::State::kSending);
    add("waiting", outbox::State::kQueued);
    const uint32_t later = add("later", outbox::State::kQueued);
    testutil::WriteFile(outbox::PluginOutboxPath(), outbox::Format(before));

    // The first retry holds its request until the test lets it go: one
    // message at a time, so the timer starts no second retry meanwhile.
    std::mutex mutex;
    std::condition_variable cv;
    bool entered = false, released = false;
    FakeHttp site([&](const Sent&) {
        std::unique_lock<std::mutex> lock(mutex);
        entered = true;
        cv.notify_all();
        cv.wait(lock, [&] { return released; });
        return testutil::Ok("accepted");
    });
    outbox::StartRetries();
    {
        std::unique_lock<std::mutex> lock(mutex);
        cv.wait(lock, [&] { return entered; });
    }
    outbox::RetryDue();
    EXPECT_EQ(Outbox().Find(later)->state, outbox::State::kQueued);
    {
        std::lock_guard<std::mutex> lock(mutex);
        released = true;
    }
    cv.notify_all();
    outbox::WaitForRetry();
    Retry(0);
    EXPECT_EQ(Texts(site.Requests()), (std::vector<std::string>{"waiting", "later"}));
    ASSERT_EQ(Outbox().messages.size(), 1u);
    EXPECT_EQ(Outbox().messages[0].state, outbox::State::kUnknown);
    ASSERT_EQ(g_notices.size(), 1u);
    EXPECT_NE(g_notices[0].find("may or may not have gone out"), std::string::npos);
    Retry(7 * 24 * 60 * 60);
    EXPECT_EQ(site.Requests().size(), 2u);
    EXPECT_FALSE(outbox::Delete(99));
    EXPECT_TRUE(outbox::RetryNow(interrupted));  // the user's word
    outbox::WaitForRetry();
    EXPECT_EQ(Texts(site.Requests()), (std::vector<std::string>{"waiting", "later", "maybe sent"}));
    EXPECT_TRUE(Outbox().messages.empty());
}

// A split message whose first parts went out keeps only the rest: the next
// retry sends that, not the whole again.
TEST_F(OutboxTest, ARetryThatSentSomePartsKeepsOnlyTheRest) {
    testutil::WriteFile(dir.file("a.ini"),
                        "[Gateway]\r\nName=A\r\nPrefix1=43;Austria\r\nSuccess=accepted\r\nMaxChars=20\r\n"
                        "[Request1]\r\nURL=http://a/send?to=$Prefix$Number&text=$Message\r\nType=GET\r\n");
    ASSERT_EQ(ScanGateways(), 0);
    settings::WriteDword("OnTooLong", settings::kSplitLongMessages);
    settings::WriteWord("SplitNumber", 5);
    const std::string text = "aaaaaaaaaaaaaaaaaaaabbbbbbbbbbbbbbbbbbbbccccccccc";
    // Refused, taken, refused; then every request is taken.
    std::atomic<int> requests{0};
    FakeHttp site([&](const Sent& s) {
        const int n = requests++;
        return n == 0 || n == 2 ? Refuse(s) : Take(s);
    });
    EXPECT_EQ(Send(text), sendtext::kQueued);
    Retry(15 * 60);  // the first part goes out, the second is refused
    ASSERT_EQ(Outbox().messages.size(), 1u);
    EXPECT_EQ(Outbox().messages[0].text, text.substr(20));
    Retry(15 * 60);
    EXPECT_TRUE(Outbox().messages.empty());
    EXPECT_EQ(Texts(site.Requests()),
              (std::vector<std::string>{text.substr(0, 20), text.substr(0, 20), text.substr(20, 20),
                                        text.substr(20, 20), text.substr(40)}));
}

// Due messages go out earliest first, whatever their order in the file.
TEST_F(OutboxTest, DueMessagesGoOutEarliestFirst) {
    for (const bool startUp : {true, false}) {
        SCOPED_TRACE(startUp ? "at start-up" : "on the timer");
        outbox::Contents before;
        const std::pair<const char*, uint32_t> kept[] = {{"third", 300}, {"first", 100}, {"second", 200}};
        for (const auto& k : kept) {
            outbox::Message m;
            m.prefix = "43";
            m.number = "6641234567";
            m.text = k.first;
            m.nextTry = g_now + k.second;
            before.Add(m);
        }
        testutil::WriteFile(outbox::PluginOutboxPath(), outbox::Format(before));
        FakeHttp site(Take);
        if (startUp) {
            outbox::StartRetries();
            outbox::WaitForRetry();
        } else {
            Retry(300);
        }
        Retry(0);
        Retry(0);
        EXPECT_EQ(Texts(site.Requests()), (std::vector<std::string>{"first", "second", "third"}));
        outbox::StopRetries();
    }
}

// An outbox that cannot be locked, or a broken one that cannot be set
// aside, is never written: the message is not kept and the user is told.
TEST_F(OutboxTest, AnOutboxThatCannotBeGuardedIsNeverWritten) {
    const struct {
        const char* name;
        std::string bytes;  // the outbox as it stands
        const char* notice;
    } cases[] = {
        {"the lock file cannot be opened", "", nullptr},
        {"every aside name taken", "parlet-outbox 1\nnext-id 2\nmessage 1 queued", "It could not be moved aside"},
    };
    FakeHttp site(Refuse);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testutil::TempDir folder;
        standin::SetProfileFolder(folder.path().string());
        const std::string path = outbox::PluginOutboxPath();
        g_notices.clear();
        if (c.notice) {
            testutil::WriteFile(path, c.bytes);
            for (int n = 1; n <= 1000; ++n) testutil::WriteFile(path + ".broken" + (n == 1 ? "" : "-" + std::to_string(n)), "");
            EXPECT_TRUE(Outbox().messages.empty());
            ASSERT_EQ(g_notices.size(), 1u);
            EXPECT_NE(g_notices[0].find(c.notice), std::string::npos) << g_notices[0];
        } else {
            std::filesystem::create_directory(path + ".lock");
        }
        EXPECT_EQ(Send("not kept"), sendtext::kAllFailed);
        ASSERT_FALSE(g_notices.empty());
        EXPECT_NE(g_notices.back().find("could not be kept in the outbox"), std::string::npos) << g_notices.back();
        EXPECT_EQ(std::filesystem::exists(path), c.notice != nullptr);
        if (c.notice) {
            EXPECT_EQ(testutil::ReadFile(path), c.bytes);
        }
        EXPECT_EQ(testutil::ReadFile(path + ".broken"), "");
    }
}

TEST_F(OutboxTest, ABrokenFileIsSetAsideAndTheOutboxStartsEmpty) {
    outbox::Contents one;
    outbox::Message m;
    m.text = "kept";
    one.Add(m);
    const std::string whole = outbox::Format(one);
    const struct {
        const char* name;
        std::string bytes;
        const char* reason;
    } cases[] = {
        {"truncated", whole.substr(0, whole.size() - 4), "cut off"},
        {"garbled", whole.substr(0, whole.find("\"kept\"")) + "\"kept\n" + "end\n", "not a message"},
        {"newer", "parlet-outbox 2\nnext-id 1\nend\n", "newer version (outbox format 2)"},
        {"empty", "", "not an outbox file"},
    };
    const std::string path = outbox::PluginOutboxPath();
    std::vector<std::string> aside;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        g_notices.clear();
        testutil::WriteFile(path, c.bytes);
        EXPECT_TRUE(outbox::OutboxFile(path).Read().messages.empty());
        ASSERT_EQ(g_notices.size(), 1u);
        EXPECT_NE(g_notices[0].find(c.reason), std::string::npos) << g_notices[0];
        aside.push_back(path + (aside.empty() ? ".broken" : ".broken-" + std::to_string(aside.size() + 1)));
        EXPECT_EQ(testutil::ReadFile(aside.back()), c.bytes);  // every broken file kept, none overwritten
        EXPECT_FALSE(std::filesystem::exists(path));
    }
    EXPECT_EQ(testutil::ReadFile(aside[0]), cases[0].bytes);
    FakeHttp site(Refuse);
    EXPECT_EQ(Send("after"), sendtext::kQueued);
    EXPECT_EQ(Outbox().messages.at(0).text, "after");
}

// Each profile keeps an outbox of its own; the outbox earlier versions shared
// goes whole to the first profile that starts, and one found later (or a
// claim a kill left) is added to the profile's own. No message is lost.
TEST_F(OutboxTest, EachProfileHasItsOwnOutboxAndTakesOverTheSharedOne) {
    auto file = [](std::vector<const char*> texts) {
        outbox::Contents c;
        for (const char* t : texts) {
            outbox::Message m;
            m.text = t;
            m.state = std::string(t) == "sending" ? outbox::State::kSending : outbox::State::kQueued;
            c.Add(m);
        }
        return outbox::Format(c);
    };
    auto texts = [](const std::string& path) {
        std::vector<std::string> out;
        for (const auto& m : outbox::OutboxFile(path).Read().messages) out.push_back(m.text);
        return out;
    };
    const std::string shared = dir.file("parlet-outbox.txt");
    EXPECT_EQ(outbox::PluginOutboxPath(), shared) << "a host that names no profile";
    EXPECT_EQ(outbox::SharedOutboxPath(), "");

    testutil::WriteFile(shared, file({"one", "sending"}));
    standin::SetProfileName("alice.dat");
    const std::string alice = dir.file("parlet-outbox-alice.txt");
    ASSERT_EQ(outbox::PluginOutboxPath(), alice);
    ASSERT_EQ(outbox::SharedOutboxPath(), shared);
    settings::WriteByte("QueueFailed", 0);  // no retry: only what start-up does to the files
    outbox::StartRetries();
    outbox::StopRetries();
    EXPECT_FALSE(std::filesystem::exists(shared));
    EXPECT_EQ(texts(alice), (std::vector<std::string>{"one", "sending"}));
    EXPECT_EQ(outbox::OutboxFile(alice).Read().messages[1].state, outbox::State::kUnknown);

    standin::SetProfileName("bob.dat");
    outbox::AdoptSharedOutbox();
    EXPECT_TRUE(texts(dir.file("parlet-outbox-bob.txt")).empty()) << "the other profile gets none of them";

    standin::SetProfileName("alice.dat");
    testutil::WriteFile(shared, file({"two"}));                 // an earlier version ran again
    testutil::WriteFile(alice + ".adopting", file({"three"}));  // a claim a kill left
    outbox::AdoptSharedOutbox();
    EXPECT_EQ(texts(alice), (std::vector<std::string>{"one", "sending", "three", "two"}));
    EXPECT_FALSE(std::filesystem::exists(shared));
    EXPECT_FALSE(std::filesystem::exists(alice + ".adopting"));
    std::set<uint32_t> ids;
    for (const auto& m : outbox::OutboxFile(alice).Read().messages) ids.insert(m.id);
    EXPECT_EQ(ids.size(), 4u);
}

TEST(OutboxFormat, AnyTextRoundTrips) {
    outbox::Contents contents;
    outbox::Message m;
    for (int c = 0; c < 256; ++c) m.text += static_cast<char>(c);
    m.text += "\"end\"\r\nend\n";
    m.prefix = "43";
    m.number = "6641234567";
    m.charset = "ISO-8859-2";
    m.replyContact = 7;
    m.contact = 12;
    m.queued = 4000000000u;
    m.state = outbox::State::kGivenUp;
    contents.Add(m);
    contents.Add(outbox::Message{});
    outbox::Contents back;
    std::string error;
    ASSERT_TRUE(outbox::Parse(outbox::Format(contents), &back, &error)) << error;
    ASSERT_EQ(back.messages.size(), 2u);
    EXPECT_EQ(back.nextId, 3u);
    EXPECT_EQ(back.messages[0].text, m.text);
    EXPECT_EQ(back.messages[0].charset, "ISO-8859-2");
    EXPECT_EQ(back.messages[0].state, outbox::State::kGivenUp);
    EXPECT_EQ(back.messages[0].queued, 4000000000u);
    EXPECT_EQ(back.messages[0].contact, 12u);
    EXPECT_EQ(outbox::Format(back), outbox::Format(contents));
}

// GSM 7-bit: 160 in one SMS, 153 per part, extension characters two
// septets and never split; otherwise UCS-2: 70, 67 per part.
TEST(AirCost, CountsSmsAsTheNetworkDoes) {
    const std::string a160(160, 'a'), euro = "\xE2\x82\xAC", han = "\xE4\xB8\xAD", smile = "\xF0\x9F\x98\x80";
    auto times = [](const std::string& s, int n) {
        std::string out;
        for (int i = 0; i < n; ++i) out += s;
        return out;
    };
    const struct {
        std::string text;
        aircost::Coding coding;
        size_t units;
        int sms;
    } cases[] = {
        {"Gr\xC3\xBC\xC3\x9F"
         "e",
         aircost::Coding::kGsm7, 5, 1},
        {std::string(200, 'x'), aircost::Coding::kGsm7, 200, 2},
        {a160, aircost::Coding::kGsm7, 160, 1},
        {a160 + "a", aircost::Coding::kGsm7, 161, 2},
        {std::string(306, 'a'), aircost::Coding::kGsm7, 306, 2},
        {std::string(307, 'a'), aircost::Coding::kGsm7, 307, 3},
        {times(euro, 80), aircost::Coding::kGsm7, 160, 1},
        {times(euro, 81), aircost::Coding::kGsm7, 162, 2},
        {std::string(152, 'a') + "[" + std::string(152, 'b'), aircost::Coding::kGsm7, 306, 3},  // "[" not split
        {"a`b", aircost::Coding::kUcs2, 3, 1},
        {times(han, 70), aircost::Coding::kUcs2, 70, 1},
        {times(han, 71), aircost::Coding::kUcs2, 71, 2},
        {times(han, 135), aircost::Coding::kUcs2, 135, 3},
        {times(smile, 36), aircost::Coding::kUcs2, 72, 2},
        {"", aircost::Coding::kGsm7, 0, 0},
    };
    for (const auto& c : cases) {
        aircost::Cost cost = aircost::Measure(c.text);
        EXPECT_EQ(cost.coding, c.coding) << c.text;
        EXPECT_EQ(cost.units, c.units) << c.text;
        EXPECT_EQ(cost.sms, c.sms) << c.text;
    }
}

}  // namespace
