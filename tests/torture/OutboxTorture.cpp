#include "OutboxTorture.h"

#include <chrono>
#include <cstdio>
#include <random>
#include <thread>

#include "FakeHttp.h"
#include "StandIn.h"
#include "TempDir.h"
#include "catalogue/Catalogue.h"
#include "catalogue/GatewayFolder.h"
#include "send/Outbox.h"
#include "send/OutboxRetry.h"
#include "shell/Clock.h"
#include "shell/Settings.h"
#include "shell/UserMessage.h"

namespace torture {
namespace {

constexpr size_t kTextLength = 4000;  // long enough that a write takes a while
constexpr size_t kKept = 6;

std::string Pattern(uint32_t id) {
    std::string text = "message " + std::to_string(id) + ":";
    while (text.size() < kTextLength) text += static_cast<char>('a' + (text.size() * 7 + id) % 26);
    return text;
}

std::string Broken(const outbox::Contents& contents) {
    for (const outbox::Message& m : contents.messages)
        if (m.text != Pattern(m.id)) return "message " + std::to_string(m.id) + " is not whole";
    return "";
}

// The file as it stands, read without its lock: only when no writer is at work.
std::string Problem(const std::string& file, size_t* count) {
    outbox::Contents contents;
    std::string error;
    if (!outbox::Parse(testutil::ReadFile(file), &contents, &error)) return "not a sound outbox: " + error;
    *count = contents.messages.size();
    return Broken(contents);
}

std::atomic<uint32_t> g_now{1700000000};
uint32_t Now() { return g_now.load(); }
int g_notices = 0;

// The plug-in's host with one gateway in FOLDER/gw and the outbox on.
void StartHost(const std::string& folder) {
    standin::Reset();
    static const usermsg::Interceptor kCount = {[](const char*, void*) { ++g_notices; }, [](void*) {}, nullptr};
    usermsg::SetInterceptor(&kCount);
    forward::SetClock(Now);
    standin::SetProfileFolder(folder);
    settings::WriteByte("QueueFailed", 1);
    std::filesystem::create_directories(folder + "/gw");
    testutil::WriteFile(folder + "/gw/a.ini", "[Gateway]\r\nName=A\r\nPrefix1=43;Austria\r\nSuccess=accepted\r\n"
                                              "[Request1]\r\nURL=http://a/send?text=$Message\r\nType=GET\r\n");
    SetGatewayFolder(folder + "/gw");
    CreateCatalogue();
    ScanGateways();
}

}  // namespace

int OutboxChanges(const std::string& file, long rounds, unsigned seed) {
    // A notice (of a file set aside) must not wait for a click.
    static const usermsg::Interceptor kPrint = {[](const char* text, void*) { std::printf("notice: %s\n", text); },
                                                [](void*) {}, nullptr};
    usermsg::SetInterceptor(&kPrint);
    std::mt19937 random(seed);
    outbox::OutboxFile outbox(file);
    for (long round = 0; rounds == 0 || round < rounds; ++round) {
        bool written = outbox.Change([&](outbox::Contents& c) {
            outbox::Message m;
            m.text = Pattern(c.nextId);
            c.Add(m);
            c.messages[random() % c.messages.size()].state = outbox::State::kSending;
            if (c.messages.size() > kKept) c.messages.erase(c.messages.begin());
            return true;
        });
        // Read as the plug-in reads, under the lock: other writers are at work.
        // A broken file would be set aside, which torture.sh looks for.
        std::string problem = written ? Broken(outbox.Read()) : "a change was not written";
        if (!problem.empty()) {
            std::printf("after change %ld: %s\n", round, problem.c_str());
            return 1;
        }
        if (round == 0) {
            std::printf("started\n");
            std::fflush(stdout);
        }
    }
    std::printf("ok %ld\n", rounds);
    return 0;
}

int OutboxCheck(const std::string& file) {
    size_t count = 0;
    std::string problem = Problem(file, &count);
    std::printf("%s\n", problem.empty() ? ("intact, " + std::to_string(count) + " messages").c_str() : problem.c_str());
    return problem.empty() ? 0 : 1;
}

int RetryHang(const std::string& folder) {
    StartHost(folder);
    outbox::Contents contents;
    outbox::Message m;
    m.prefix = "43";
    m.number = "6641234567";
    m.text = "sent at most once";
    contents.Add(m);
    testutil::WriteFile(outbox::PluginOutboxPath(), outbox::Format(contents));
    testutil::FakeHttp site([](const testutil::Sent&) -> testutil::Answer {
        std::printf("sending\n");
        std::fflush(stdout);
        for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
    });
    outbox::StartRetries();
    outbox::WaitForRetry();
    std::printf("the retry ended: the kill came too late\n");
    return 1;
}

int StartAfterKill(const std::string& folder) {
    StartHost(folder);
    testutil::FakeHttp site([](const testutil::Sent&) { return testutil::Ok("accepted"); });
    outbox::StartRetries();
    for (int day = 0; day < 7; ++day) {
        g_now += 24 * 60 * 60;
        outbox::RetryDue();
        outbox::WaitForRetry();
    }
    outbox::StopRetries();
    outbox::Contents after = outbox::OutboxFile(outbox::PluginOutboxPath()).Read();
    const bool unknown = after.messages.size() == 1 && after.messages[0].state == outbox::State::kUnknown;
    std::printf("%zu message(s), state %s, %zu request(s), %d notice(s)\n", after.messages.size(),
                after.messages.empty() ? "-" : outbox::StateWord(after.messages[0].state), site.Requests().size(),
                g_notices);
    return unknown && site.Requests().empty() && g_notices == 1 ? 0 : 1;
}

}  // namespace torture
