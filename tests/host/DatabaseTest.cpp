#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "HostCalls.h"
#include "shell/HostLink.h"

using hostcalls::Call;
using hostcalls::Ptr;

namespace {

class DatabaseTest : public ::testing::Test {
protected:
    void SetUp() override { standin::Reset(); }
};

std::vector<host::Contact> Walk() {
    std::vector<host::Contact> seen;
    for (host::Contact c = host::FindFirstContact(); c; c = host::FindNextContact(c)) {
        seen.push_back(c);
        if (seen.size() > 1000) break;   // a walk that never ends is a fault, not a hang
    }
    return seen;
}

TEST_F(DatabaseTest, NumbersKeepTheirTypeAndWidth) {
    struct Case {
        uint8_t type;
        uint32_t value;
    };
    const Case cases[] = {{host::kDbByte, 0}, {host::kDbByte, 255}, {host::kDbWord, 65535}, {host::kDbWord, 2},
                          {host::kDbDword, 0xFFFFFFFFu}, {host::kDbDword, 1004}};
    host::Contact contact = standin::AddContact();
    int n = 0;
    for (const Case& c : cases) {
        for (host::Contact where : {static_cast<host::Contact>(nullptr), contact}) {
            std::string name = "N" + std::to_string(n++);
            host::DbVariant in{};
            in.type = c.type;
            if (c.type == host::kDbByte) in.bVal = static_cast<uint8_t>(c.value);
            if (c.type == host::kDbWord) in.wVal = static_cast<uint16_t>(c.value);
            if (c.type == host::kDbDword) in.dVal = c.value;
            ASSERT_EQ(hostcalls::Write(where, "Parlet-Plugin", name.c_str(), in), 0);

            host::DbVariant out;
            ASSERT_EQ(hostcalls::Get(where, "Parlet-Plugin", name.c_str(), out), 0) << name;
            EXPECT_EQ(out.type, c.type) << name;
            uint32_t got = c.type == host::kDbByte ? out.bVal : c.type == host::kDbWord ? out.wVal : out.dVal;
            EXPECT_EQ(got, c.value) << name;
            auto direct = standin::GetSetting(where, "Parlet-Plugin", name.c_str());
            ASSERT_TRUE(direct.has_value());
            EXPECT_EQ(direct->type, c.type);
            EXPECT_EQ(direct->number, c.value);
        }
    }
}

TEST_F(DatabaseTest, AbsentIsNotEmpty) {
    host::DbVariant v;
    EXPECT_NE(hostcalls::Get(nullptr, "Parlet-Plugin", "Trigger", v), 0);
    ASSERT_EQ(hostcalls::WriteText(nullptr, "Parlet-Plugin", "Trigger", ""), 0);
    ASSERT_EQ(hostcalls::Get(nullptr, "Parlet-Plugin", "Trigger", v), 0);
    EXPECT_EQ(v.type, host::kDbText);
    ASSERT_NE(v.pszVal, nullptr);
    EXPECT_STREQ(v.pszVal, "");
    hostcalls::Free(v);
    EXPECT_EQ(hostcalls::Delete(nullptr, "Parlet-Plugin", "Trigger"), 0);
    EXPECT_NE(hostcalls::Get(nullptr, "Parlet-Plugin", "Trigger", v), 0);
    EXPECT_NE(hostcalls::Delete(nullptr, "Parlet-Plugin", "Trigger"), 0) << "deleting what is absent fails";
}

TEST_F(DatabaseTest, GlobalContactAndModuleAreSeparateNamespaces) {
    host::Contact a = standin::AddContact();
    host::Contact b = standin::AddContact();
    hostcalls::WriteText(nullptr, "Parlet-Plugin", "X", "global");
    hostcalls::WriteText(a, "Parlet-Plugin", "X", "a");
    hostcalls::WriteText(a, "ZUVE_ROV", "X", "a-other-module");
    EXPECT_EQ(hostcalls::ReadText(nullptr, "Parlet-Plugin", "X"), "global");
    EXPECT_EQ(hostcalls::ReadText(a, "Parlet-Plugin", "X"), "a");
    EXPECT_EQ(hostcalls::ReadText(a, "ZUVE_ROV", "X"), "a-other-module");
    EXPECT_EQ(hostcalls::ReadText(b, "Parlet-Plugin", "X"), "<absent>");
    EXPECT_EQ(hostcalls::ReadText(nullptr, "parlet-plugin", "X"), "<absent>") << "names are exact";
}

TEST_F(DatabaseTest, TextsAreHeapCopiesReleasedByFreeVariant) {
    standin::SetText(nullptr, "M", "T", "hello");
    host::DbVariant v1, v2;
    ASSERT_EQ(hostcalls::Get(nullptr, "M", "T", v1), 0);
    ASSERT_EQ(hostcalls::Get(nullptr, "M", "T", v2), 0);
    EXPECT_NE(v1.pszVal, v2.pszVal) << "each read is a copy of its own";
    EXPECT_EQ(v1.cchVal, 5);
    v1.pszVal[0] = 'J';   // the caller's copy: the database is untouched
    EXPECT_EQ(standin::GetSetting(nullptr, "M", "T")->text, "hello");
    EXPECT_EQ(standin::OutstandingVariants(), 2);
    EXPECT_EQ(hostcalls::Free(v1), 0);
    EXPECT_EQ(v1.pszVal, nullptr);
    EXPECT_EQ(hostcalls::Free(v1), 0) << "a released value may be released again";
    EXPECT_EQ(standin::OutstandingVariants(), 1);
    hostcalls::Free(v2);
    EXPECT_EQ(standin::OutstandingVariants(), 0);

    char foreign[] = "not the host's";
    host::DbVariant f{};
    f.type = host::kDbText;
    f.pszVal = foreign;
    hostcalls::Free(f);
    EXPECT_EQ(standin::ForeignFrees(), 1);
    EXPECT_STREQ(foreign, "not the host's");

    host::DbVariant number{};
    number.type = host::kDbDword;
    EXPECT_EQ(hostcalls::Free(number), 0) << "numbers need no release";
    EXPECT_EQ(standin::ForeignFrees(), 1);
}

TEST_F(DatabaseTest, BadWritesAndReadsAreRefused) {
    host::DbVariant v{};
    v.type = 3;
    EXPECT_NE(hostcalls::Write(nullptr, "M", "Odd", v), 0) << "no such type";
    v.type = host::kDbText;
    v.pszVal = nullptr;
    EXPECT_NE(hostcalls::Write(nullptr, "M", "NullText", v), 0);
    EXPECT_NE(hostcalls::WriteText(nullptr, nullptr, "X", "x"), 0);
    EXPECT_NE(hostcalls::WriteText(nullptr, "M", nullptr, "x"), 0);
    EXPECT_NE(hostcalls::WriteText(reinterpret_cast<host::Contact>(999), "M", "X", "x"), 0) << "no such contact";
    EXPECT_FALSE(standin::GetSetting(nullptr, "M", "Odd").has_value());
    EXPECT_FALSE(standin::GetSetting(nullptr, "M", "NullText").has_value());
    EXPECT_NE(Call("DB/Contact/GetSetting", 0, 0), 0);
    host::DbGetSetting noValue{"M", "X", nullptr};
    EXPECT_NE(Call("DB/Contact/GetSetting", 0, Ptr(&noValue)), 0);
    EXPECT_NE(Call("DB/Contact/WriteSetting", 0, 0), 0);
    EXPECT_NE(Call("DB/Contact/DeleteSetting", 0, 0), 0);
    EXPECT_NE(Call("DB/Contact/FreeVariant", 0, 0), 0);
}

TEST_F(DatabaseTest, FindFirstNextKeepDatabaseOrderAfterDeletes) {
    EXPECT_EQ(host::FindFirstContact(), nullptr);
    std::vector<host::Contact> c;
    for (int i = 0; i < 5; ++i) c.push_back(host::AddContact());
    for (auto h : c) EXPECT_NE(h, nullptr);
    EXPECT_EQ(Walk(), c);
    EXPECT_EQ(Call("DB/Contact/GetCount"), 5);

    EXPECT_EQ(host::DeleteContact(c[1]), 0);
    EXPECT_EQ(host::DeleteContact(c[3]), 0);
    EXPECT_NE(host::DeleteContact(c[3]), 0) << "already gone";
    EXPECT_NE(host::DeleteContact(nullptr), 0) << "the global settings are no contact";
    EXPECT_EQ(Walk(), (std::vector<host::Contact>{c[0], c[2], c[4]}));

    host::Contact later = host::AddContact();
    EXPECT_EQ(Walk(), (std::vector<host::Contact>{c[0], c[2], c[4], later})) << "new contacts come last";
    for (auto h : c) EXPECT_NE(h, later) << "a deleted contact's handle is not reused";
    EXPECT_EQ(standin::Contacts(), Walk());
}

TEST_F(DatabaseTest, AWalkMayDeleteTheContactItStandsOn) {
    std::vector<host::Contact> c;
    for (int i = 0; i < 4; ++i) c.push_back(standin::AddContact());
    std::vector<host::Contact> seen;
    for (host::Contact h = host::FindFirstContact(); h && seen.size() < 10; h = host::FindNextContact(h)) {
        seen.push_back(h);
        if (h == c[0] || h == c[2]) host::DeleteContact(h);
    }
    EXPECT_EQ(seen, c);
    EXPECT_EQ(Walk(), (std::vector<host::Contact>{c[1], c[3]}));
}

TEST_F(DatabaseTest, DeletingAContactTakesItsSettingsOnly) {
    host::Contact a = standin::AddContact();
    host::Contact b = standin::AddContact();
    standin::SetByte(a, "CList", "Hidden", 1);
    standin::SetText(a, "UserInfo", "MyPhone0", "+43 (650) 1234567 SMS");
    standin::SetByte(b, "CList", "Hidden", 1);
    standin::SetByte(nullptr, "CList", "Hidden", 1);
    ASSERT_TRUE(standin::DeleteContact(a));
    EXPECT_FALSE(standin::GetSetting(a, "CList", "Hidden").has_value());
    EXPECT_FALSE(standin::GetSetting(a, "UserInfo", "MyPhone0").has_value());
    EXPECT_TRUE(standin::GetSetting(b, "CList", "Hidden").has_value());
    EXPECT_TRUE(standin::GetSetting(nullptr, "CList", "Hidden").has_value());
}

std::vector<host::Word> g_added, g_deleted;
std::string g_textSeenOnDelete;
host::Word OnAdded(host::Word w, host::Word) {
    g_added.push_back(w);
    return 0;
}
host::Word OnDeleted(host::Word w, host::Word) {
    g_deleted.push_back(w);
    g_textSeenOnDelete = hostcalls::ReadText(reinterpret_cast<host::Contact>(w), "M", "T");
    return 0;
}

TEST_F(DatabaseTest, AddThroughTheMainThreadAndEventsAroundContacts) {
    g_added.clear();
    g_deleted.clear();
    standin::Link()->HookEvent("DB/Contact/Added", OnAdded);
    standin::Link()->HookEvent("DB/Contact/Deleted", OnDeleted);
    host::Contact c = host::AddContact();   // CallServiceSync, as the plug-in calls it
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(g_added, std::vector<host::Word>{Ptr(c)});
    standin::SetText(c, "M", "T", "still here");
    EXPECT_EQ(host::DeleteContact(c), 0);
    EXPECT_EQ(g_deleted, std::vector<host::Word>{Ptr(c)});
    EXPECT_EQ(g_textSeenOnDelete, "still here") << "modules hear of a deletion before it happens";
}

}  // namespace
