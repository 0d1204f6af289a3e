#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <string>
#include <vector>

#include "StandIn.h"
#include "TempDir.h"
#include "catalogue/Catalogue.h"
#include "shell/Forwarding.h"
#include "shell/HostLink.h"
#include "shell/Lifecycle.h"
#include "shell/Log.h"
#include "shell/Notice.h"
#include "shell/Settings.h"
#include "shell/UserMessage.h"
#include "ui/SendDialog.h"

namespace {

const char* const kEvents[] = {"Miranda/System/ModulesLoaded", "Opt/Initialise", "CList/StatusModeChange",
                               "CList/PreBuildContactMenu"};

std::vector<SendDialogRequest> g_opened;
int RecordOpening(const SendDialogRequest* request) {
    g_opened.push_back(request ? *request : SendDialogRequest{});
    if (!request) g_opened.back().replyContact = reinterpret_cast<host::Contact>(-1);  // marks "no request"
    return 0;
}

class LifecycleTest : public ::testing::Test {
protected:
    void SetUp() override {
        standin::Reset();
        logging::ResetForTests();
        static const usermsg::Interceptor kQuiet = {[](const char*, void*) {}, nullptr, nullptr};
        usermsg::SetInterceptor(&kQuiet);
        testutil::WriteFile(dir.file("at.ini"),
                            "[Gateway]\r\nName=AT\r\nPrefix1=43650;Austria\r\nPrefix2=49;Germany\r\n");
        settings::WriteText("GatewayPath", dir.path().string());
        g_opened.clear();
        SetSendDialogOpener(RecordOpening);
    }
    void TearDown() override {
        SetSendDialogOpener(nullptr);
        usermsg::SetInterceptor(nullptr);
        EXPECT_EQ(standin::OutstandingVariants(), 0);
    }
    void Start() {
        ASSERT_EQ(plugin::Load(standin::Link()), 0);
        standin::NotifyEvent("Miranda/System/ModulesLoaded", 0, 0);
    }
    static std::string Text(host::Contact contact, const char* module, const char* name) {
        auto s = standin::GetSetting(contact, module, name);
        return s ? s->text : "(absent)";
    }
    testutil::TempDir dir;
};

TEST_F(LifecycleTest, StartsRegistersAndShutsDownInOrder) {
    settings::WriteText("SuccessMsg", "mine");
    settings::WriteByte("Active", 1);
    standin::SetTranslationMarking(true);
    host::Contact existing = standin::AddContact();
    Start();

    EXPECT_EQ(CountGateways(), 1);
    for (const char* event : kEvents) EXPECT_EQ(standin::HookCount(event), 1) << event;
    EXPECT_EQ(Text(nullptr, "Parlet-Plugin", "SuccessMsg"), "mine");
    EXPECT_EQ(Text(nullptr, "Parlet-Plugin", "FailureMsg"), settings::kDefaultFailureMsg);
    EXPECT_NE(Text(nullptr, "Parlet-Plugin", "FloodMsg").find("%d minutes"), std::string::npos);
    EXPECT_EQ(standin::RegisteredModules(), (std::vector<std::string>{"Parlet", "ZUVE_ROV"}));
    char name[8] = "xxxxxxx";
    EXPECT_EQ(host::CallService("ZUVE_ROV/GetName", sizeof name, reinterpret_cast<host::Word>(name)), 0);
    EXPECT_STREQ(name, "Parlet ") << "cut to the buffer, zero included";
    EXPECT_EQ(host::CallService("ZUVE_ROV/GetCaps", 2, 0), 0) << "no status mode: in no status menu";
    EXPECT_EQ(standin::NetlibUsersOpen(), 1);
    for (const char* s : {"Parlet/Send", "RodaDID/MenuCommand", "Parlet/RecvMessage"})
        EXPECT_TRUE(host::ServiceExists(s)) << s;
    auto items = standin::MenuItems();
    ASSERT_EQ(items.size(), 2u);
    EXPECT_FALSE(items[0].contactMenu);
    EXPECT_EQ(items[0].name, "&Send SMS...");
    EXPECT_EQ(items[0].position, -2147483647);
    EXPECT_EQ(items[0].service, "Parlet/Send");
    EXPECT_TRUE(items[1].contactMenu);
    EXPECT_EQ(items[1].name, "[T]&Parlet Message");
    EXPECT_EQ(items[1].position, -2000070000);
    EXPECT_EQ(items[1].service, "RodaDID/MenuCommand");
    EXPECT_EQ(plugin::ForwardingActive(), 1);
    // The filter module sits in the existing contact's chain and passes messages on.
    standin::DeliverMessage(existing, "hello");
    ASSERT_EQ(standin::ReceivedMessages().size(), 1u);

    plugin::SetForwardingActive(0);
    EXPECT_EQ(plugin::Unload(), 0);
    EXPECT_EQ(standin::GetSetting(nullptr, "Parlet-Plugin", "Active")->number, 0u);
    for (const char* event : kEvents) EXPECT_EQ(standin::HookCount(event), 0) << event;
    EXPECT_EQ(standin::NetlibUsersOpen(), 0);
    EXPECT_EQ(CountGateways(), 0);
    EXPECT_FALSE(host::ServiceExists("Parlet/Send"));

    // A second load after the unload works as the first did.
    Start();
    EXPECT_TRUE(host::ServiceExists("Parlet/Send"));
    EXPECT_EQ(plugin::ForwardingActive(), 0);
    plugin::Unload();
}

// A contact the host adds while it runs is relayed at once; after Unload
// the plug-in no longer hears of new contacts.
TEST_F(LifecycleTest, ContactsTheHostAddsWhileRunningAreRelayed) {
    settings::WriteText("SenderNumber", "43650 1234567");
    Start();
    plugin::SetForwardingActive(1);
    auto added = reinterpret_cast<host::Contact>(host::CallService("DB/Contact/Add", 0, 0));
    ASSERT_NE(added, nullptr);
    standin::DeliverMessage(added, "[SMS] from a new buddy");
    ASSERT_EQ(g_opened.size(), 1u);
    EXPECT_EQ(g_opened[0].replyContact, added);
    EXPECT_EQ(standin::ReceivedMessages().size(), 1u) << "passed on after the forward";

    plugin::SetForwardingActive(0);
    plugin::Unload();
    EXPECT_EQ(standin::HookCount("DB/Contact/Added"), 0);
}

TEST_F(LifecycleTest, MenuCommandsOpenTheDialogAndTheContactItemFollowsThePhoneEntry) {
    host::Contact phone = standin::AddContact();
    standin::AddAccount("ICQ");
    standin::SetText(phone, "Protocol", "p", "ICQ");
    standin::SetText(phone, "ICQ", "Cellular", "+43 (650) 1234567 SMS");
    host::Contact plain = standin::AddContact();
    standin::SetText(plain, "UserInfo", "MyPhone0", "+43 650 1234567");  // no " SMS": not a phone text
    Start();

    struct Case {
        host::Contact contact;
        bool hidden;
    } cases[] = {{phone, false}, {plain, true}, {phone, false}};
    for (const Case& c : cases) {
        standin::NotifyEvent("CList/PreBuildContactMenu", reinterpret_cast<host::Word>(c.contact), 0);
        EXPECT_EQ((standin::MenuItems()[1].flags & host::kMenuFlagHidden) != 0, c.hidden);
    }

    EXPECT_EQ(host::CallService("Parlet/Send", 0, 0), 0);
    EXPECT_EQ(host::CallService("RodaDID/MenuCommand", reinterpret_cast<host::Word>(phone), 0), 0);
    EXPECT_EQ(host::CallService("RodaDID/MenuCommand", reinterpret_cast<host::Word>(plain), 0), 0);
    ASSERT_EQ(g_opened.size(), 3u);
    EXPECT_FALSE(g_opened[0].entry);
    ASSERT_TRUE(g_opened[1].entry);
    EXPECT_EQ(g_opened[1].entry->prefix, std::optional<std::string>("43650"));
    EXPECT_EQ(g_opened[1].entry->number, std::optional<std::string>("1234567"));
    EXPECT_FALSE(g_opened[1].entry->presetMessage);
    EXPECT_EQ(g_opened[1].replyContact, nullptr);
    // A contact without an entry still opens the dialog with a request, so
    // the last selected prefix is not restored.
    ASSERT_TRUE(g_opened[2].entry);
    EXPECT_FALSE(g_opened[2].entry->number);
    plugin::Unload();
}

TEST_F(LifecycleTest, OldLastNumbersBecomePhoneContacts) {
    // An existing contact already holds 43650/111.
    host::Contact holder = standin::AddContact();
    standin::SetText(holder, "UserInfo", "MyPhone0", "+43 (650) 111 SMS");
    // Index 0 absent; 1 new; 2 held already; 3 prefix without number; 4 new;
    // 5 absent ends the move, so 6 stays.
    const std::pair<int, std::pair<const char*, const char*>> pairs[] = {
        {1, {"49171", "222"}}, {2, {"43650", "111"}}, {3, {"43", nullptr}}, {4, {"43650", "444"}}, {6, {"49", "666"}}};
    for (const auto& [i, pair] : pairs) {
        settings::WriteText(("LastPrefix" + std::to_string(i)).c_str(), pair.first);
        if (pair.second) settings::WriteText(("LastNumber" + std::to_string(i)).c_str(), pair.second);
    }
    Start();

    std::vector<std::string> phones;
    for (host::Contact c : standin::Contacts()) phones.push_back(Text(c, "UserInfo", "MyPhone0"));
    EXPECT_EQ(phones, (std::vector<std::string>{"+43 (650) 111 SMS", "+49 (171) 222 SMS", "+43 (650) 444 SMS"}));
    for (int i : {1, 2, 3, 4}) {
        EXPECT_FALSE(standin::GetSetting(nullptr, "Parlet-Plugin", ("LastPrefix" + std::to_string(i)).c_str())) << i;
        EXPECT_FALSE(standin::GetSetting(nullptr, "Parlet-Plugin", ("LastNumber" + std::to_string(i)).c_str())) << i;
    }
    EXPECT_EQ(Text(nullptr, "Parlet-Plugin", "LastPrefix6"), "49");
    EXPECT_EQ(standin::GetSetting(standin::Contacts()[1], "CList", "Hidden")->number, 1u);
    // A phone contact has an account, and so the host's windows name it.
    auto shown = host::CallService("CList/GetContactDisplayName", reinterpret_cast<host::Word>(standin::Contacts()[1]), 0);
    EXPECT_STREQ(reinterpret_cast<const char*>(shown), "+49 (171) 222 SMS");
    plugin::Unload();
}

// A notice raised while the host starts waits until every start-up hook
// has run: the popup plug-in takes none before, and a box would stop the start.
TEST_F(LifecycleTest, NoticesOfTheStartWaitUntilItIsOver) {
    static std::vector<std::string> boxes;
    boxes.clear();
    static const usermsg::Interceptor kRecord = {[](const char* text, void*) { boxes.emplace_back(text); },
                                                 [](void*) {}, nullptr};
    usermsg::SetInterceptor(&kRecord);
    testutil::WriteFile(dir.file("at.ini"), "[Gateway]\r\nName=AT\r\nPrefix1=43650;Austria\r\nPrefix2=49\r\n");
    ASSERT_EQ(plugin::Load(standin::Link()), 0);
    EXPECT_TRUE(boxes.empty()) << boxes.front();
    standin::NotifyEvent("Miranda/System/ModulesLoaded", 0, 0);
#ifdef _WIN32
    // There they come from the thread's message loop.
    for (int i = 0; i < 100 && boxes.empty(); ++i) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
        Sleep(10);
    }
#endif
    EXPECT_EQ(boxes, std::vector<std::string>{"Error: No ; seperator in Prefix #2 in Gateway file at.ini"});
    ShowNotice("after the start");
    EXPECT_EQ(boxes.size(), 2u) << "shown at once once the start is over";
    plugin::Unload();
}

}  // namespace
