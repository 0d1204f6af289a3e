#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "HostCalls.h"
#include "shell/HostLink.h"

using hostcalls::Call;
using hostcalls::Ptr;

namespace {

class LinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        standin::Reset();
        link = standin::Link();
    }
    const host::PluginLink* link = nullptr;
};

host::Word Sum(host::Word w, host::Word l) { return w + l; }
host::Word Seven(host::Word, host::Word) { return 7; }

TEST_F(LinkTest, ResetMakesTheStandInThePluginsLink) {
    EXPECT_EQ(host::Link(), standin::Link());
    EXPECT_EQ(sizeof(host::PluginLink), 12 * sizeof(void*));
}

TEST_F(LinkTest, MissingServiceGivesNegativeNotFound) {
    EXPECT_LT(host::kServiceNotFound, 0);
    EXPECT_EQ(link->CallService("No/Such", 1, 2), host::kServiceNotFound);
    EXPECT_EQ(link->CallServiceSync("No/Such", 1, 2), host::kServiceNotFound);
    EXPECT_EQ(link->CallService(nullptr, 0, 0), host::kServiceNotFound);
    EXPECT_EQ(link->ServiceExists("No/Such"), 0);
    EXPECT_EQ(link->ServiceExists(nullptr), 0);
}

TEST_F(LinkTest, ServicesAreCreatedCalledAndDestroyed) {
    host::Handle h = link->CreateServiceFunction("Test/Sum", Sum);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(link->ServiceExists("Test/Sum"), 1);
    EXPECT_EQ(link->CallService("Test/Sum", 40, 2), 42);
    EXPECT_EQ(link->CreateServiceFunction("Test/Sum", Seven), nullptr) << "a name is taken once";
    EXPECT_EQ(link->CallService("Test/Sum", 1, 1), 2);
    EXPECT_EQ(link->CreateServiceFunction(nullptr, Sum), nullptr);
    EXPECT_EQ(link->CreateServiceFunction("Test/Null", nullptr), nullptr);
    EXPECT_EQ(link->DestroyServiceFunction(h), 0);
    EXPECT_EQ(link->CallService("Test/Sum", 1, 1), host::kServiceNotFound);
    EXPECT_NE(link->DestroyServiceFunction(h), 0);
    EXPECT_NE(link->CreateServiceFunction("Test/Sum", Seven), nullptr) << "the name is free again";
    EXPECT_EQ(link->CallService("Test/Sum", 1, 1), 7);
}

TEST_F(LinkTest, ResetForgetsThePluginsServicesButKeepsTheHosts) {
    link->CreateServiceFunction("Parlet/Send", Seven);
    standin::Reset();
    EXPECT_EQ(link->ServiceExists("Parlet/Send"), 0);
    for (const char* name :
         {"DB/Contact/GetSetting", "DB/Contact/FreeVariant", "DB/Contact/WriteSetting", "DB/Contact/DeleteSetting",
          "DB/Contact/FindFirst", "DB/Contact/FindNext", "DB/Contact/Add", "DB/Contact/Delete",
          "Proto/RegisterModule", "Proto/AddToContact", "Proto/ChainRecv", "Proto/CallContactService",
          "Proto/GetContactBaseProto", "CList/AddMainMenuItem", "CList/AddContactMenuItem", "CList/ModifyMenuItem",
          "CList/GetContactDisplayName", "Opt/AddPage", "LangPack/TranslateString", "LangPack/TranslateDialog",
          "Utils/GetCountryList", "Utils/SaveWindowPos", "Utils/RestoreWindowPos", "Miranda/Thread/Push",
          "Miranda/Thread/Pop"}) {
        EXPECT_EQ(link->ServiceExists(name), 1) << name;
    }
}

std::vector<int> g_order;
host::Word HookA(host::Word, host::Word) {
    g_order.push_back(1);
    return 0;
}
host::Word HookB(host::Word, host::Word) {
    g_order.push_back(2);
    return 0;
}
host::Word HookStop(host::Word, host::Word) {
    g_order.push_back(3);
    return 5;
}

TEST_F(LinkTest, HooksRunInOrderAndUnhook) {
    g_order.clear();
    host::Handle a = link->HookEvent("Miranda/System/ModulesLoaded", HookA);
    host::Handle b = link->HookEvent("Miranda/System/ModulesLoaded", HookB);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b);
    EXPECT_EQ(standin::HookCount("Miranda/System/ModulesLoaded"), 2);
    EXPECT_EQ(standin::NotifyEvent("Miranda/System/ModulesLoaded", 0, 0), 2);
    EXPECT_EQ(g_order, (std::vector<int>{1, 2}));

    EXPECT_EQ(link->UnhookEvent(a), 0);
    EXPECT_NE(link->UnhookEvent(a), 0);
    g_order.clear();
    EXPECT_EQ(standin::NotifyEvent("Miranda/System/ModulesLoaded", 0, 0), 1);
    EXPECT_EQ(g_order, (std::vector<int>{2}));

    EXPECT_EQ(link->HookEvent("No/Such/Event", HookA), nullptr) << "only existing events are hooked";
    EXPECT_EQ(standin::NotifyEvent("No/Such/Event", 0, 0), -1);
    for (const char* e : {"Opt/Initialise", "CList/StatusModeChange", "CList/PreBuildContactMenu"})
        EXPECT_NE(link->HookEvent(e, HookA), nullptr) << e;
}

TEST_F(LinkTest, OwnEventsStopAtAHookThatGivesNonZero) {
    g_order.clear();
    host::Handle event = link->CreateHookableEvent("Test/Event");
    ASSERT_NE(event, nullptr);
    EXPECT_EQ(link->CreateHookableEvent("Test/Event"), nullptr);
    link->HookEvent("Test/Event", HookA);
    link->HookEvent("Test/Event", HookStop);
    link->HookEvent("Test/Event", HookB);
    EXPECT_EQ(link->NotifyEventHooks(event, 0, 0), 5);
    EXPECT_EQ(g_order, (std::vector<int>{1, 3}));
    EXPECT_EQ(link->DestroyHookableEvent(event), 0);
    EXPECT_EQ(link->NotifyEventHooks(event, 0, 0), -1);
    EXPECT_NE(link->DestroyHookableEvent(event), 0);
}

TEST_F(LinkTest, ThreadBracketIsCounted) {
    Call("Miranda/Thread/Push");
    Call("Miranda/Thread/Push");
    Call("Miranda/Thread/Pop");
    EXPECT_EQ(standin::ThreadPushes(), 2);
    EXPECT_EQ(standin::ThreadPops(), 1);
    standin::Reset();
    EXPECT_EQ(standin::ThreadPushes(), 0);
    EXPECT_EQ(standin::ThreadPops(), 0);
}

// --- CallServiceSync ----------------------------------------------------------------

std::atomic<std::thread::id> g_ranOn;
host::Word RecordThread(host::Word w, host::Word) {
    g_ranOn = std::this_thread::get_id();
    return w * 2;
}

TEST_F(LinkTest, SyncCallOnTheMainThreadRunsAtOnce) {
    link->CreateServiceFunction("Test/Where", RecordThread);
    EXPECT_TRUE(standin::IsMainThread());
    EXPECT_EQ(link->CallServiceSync("Test/Where", 21, 0), 42);
    EXPECT_EQ(g_ranOn.load(), std::this_thread::get_id());
}

TEST_F(LinkTest, SyncCallFromAWorkerRunsOnTheServingMainThread) {
    link->CreateServiceFunction("Test/Where", RecordThread);
    g_ranOn = std::thread::id();
    std::atomic<bool> done{false};
    host::Word result = 0;
    std::thread worker([&] {
        EXPECT_FALSE(standin::IsMainThread());
        result = link->CallServiceSync("Test/Where", 5, 0);
        done = true;
    });
    int served = 0;
    while (!done) served += standin::PumpMainThread(20);
    worker.join();
    EXPECT_EQ(result, 10);
    EXPECT_EQ(served, 1);
    EXPECT_EQ(g_ranOn.load(), std::this_thread::get_id());
}

TEST_F(LinkTest, SyncCallFromAWorkerDoesNotDeadlockAMainThreadThatJoins) {
    host::Contact added = nullptr;
    host::Word missing = 0;
    std::thread worker([&] {
        added = host::AddContact();   // "DB/Contact/Add" through CallServiceSync
        missing = link->CallServiceSync("No/Such", 0, 0);
    });
    worker.join();
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(standin::Contacts(), std::vector<host::Contact>{added});
    EXPECT_EQ(missing, host::kServiceNotFound);
    EXPECT_EQ(standin::PumpMainThread(0), 0) << "nothing is left queued";
}

TEST_F(LinkTest, PumpOffTheMainThreadIsRefused) {
    int result = 0;
    std::thread other([&] { result = standin::PumpMainThread(0); });
    other.join();
    EXPECT_LT(result, 0);
}

// Services are called from send threads: the tables must hold up.
TEST_F(LinkTest, ConcurrentCallsFromManyThreads) {
    constexpr int kThreads = 4, kRounds = 300;
    std::vector<std::thread> threads;
    std::atomic<int> wrong{0};
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &wrong] {
            host::Contact contact = host::AddContact();
            for (int i = 0; i < kRounds; ++i) {
                std::string name = "S" + std::to_string(t) + "_" + std::to_string(i);
                std::string value = std::to_string(i * 7 + t);
                hostcalls::WriteText(contact, "Test", name.c_str(), value.c_str());
                if (hostcalls::ReadText(contact, "Test", name.c_str()) != value) ++wrong;
                Call("Miranda/Thread/Push");
                Call("Miranda/Thread/Pop");
            }
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_EQ(standin::Contacts().size(), static_cast<size_t>(kThreads));
    EXPECT_EQ(standin::ThreadPushes(), kThreads * kRounds);
    EXPECT_EQ(standin::ThreadPops(), kThreads * kRounds);
    EXPECT_EQ(standin::OutstandingVariants(), 0);
}

}  // namespace
