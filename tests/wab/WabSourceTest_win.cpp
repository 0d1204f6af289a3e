// The Windows Address Book path for real, under Wine: registry, LoadLibrary,
// "WABOpen" and the COM calls, against our own test library (testwab.dll).
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>

#include "TempDir.h"
#include "ui/WabSource.h"

namespace {

std::string Folder() {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string path = self;
    return path.substr(0, path.find_last_of("\\/") + 1);
}

void PointAt(const std::string& library) {
    HKEY key;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\WAB\\DLLPath", 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                    nullptr);
    RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(library.c_str()),
                   static_cast<DWORD>(library.size() + 1));
    RegCloseKey(key);
}

// The registry names our library, which reads these entries (mobile,
// surname, given name; "-" absent, "!" a number instead of a text).
class WabSource : public ::testing::Test {
protected:
    const std::string path = Folder() + "testwab.dll";
    testutil::TempDir dir;
    void SetUp() override {
        PointAt(path);
        std::ofstream(dir.file("entries.txt")) << "+43 (650) 1234567\tBerg\tAnna\n-\tNoMobile\tNina\n"
                                                  "!number\tWrongType\tWilma\n+49 171 555\t-\t-\n";
        SetEnvironmentVariableA("PARLET_WAB_FILE", dir.file("entries.txt").c_str());
    }
    void TearDown() override {
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\WAB\\DLLPath");
        for (const char* name : {"PARLET_WAB_FILE", "PARLET_WAB_REFUSE", "PARLET_WAB_DETAILS"})
            SetEnvironmentVariableA(name, nullptr);
    }
    // What the library counts: live objects, unfreed buffers, opens, the
    // last details window's owner. Needs the library loaded by us too.
    struct Counts {
        LONG objects = -1, buffers = -1, opens = -1;
        HWND owner = nullptr;
    };
    static Counts Read(HMODULE library) {
        Counts c;
        auto fn = reinterpret_cast<void(WINAPI*)(LONG*, LONG*, LONG*, HWND*)>(
            reinterpret_cast<void*>(GetProcAddress(library, "TestWabCounts")));
        if (fn) fn(&c.objects, &c.buffers, &c.opens, &c.owner);
        return c;
    }
};

TEST_F(WabSource, ListsReadsReleasesUnloadsAndOpensAgain) {
    HMODULE mine = LoadLibraryA(path.c_str());   // keeps the counters readable after close
    ASSERT_TRUE(mine);
    LONG opensBefore = Read(mine).opens;
    {
        std::unique_ptr<wab::Source> source = wab::OpenAddressBook();
        ASSERT_TRUE(source);
        std::vector<wab::EntryId> ids = source->EntryIds();
        ASSERT_EQ(ids.size(), 4u);
        const char* expected[4][3] = {{"+43 (650) 1234567", "Berg", "Anna"},
                                      {nullptr, "NoMobile", "Nina"},
                                      {nullptr, "WrongType", "Wilma"},   // not a text: absent
                                      {"+49 171 555", nullptr, nullptr}};
        auto same = [](const std::optional<std::string>& got, const char* want) {
            return want ? got && *got == want : !got;
        };
        for (size_t i = 0; i < ids.size(); ++i) {
            std::optional<wab::EntryTexts> t = source->ReadEntry(ids[i]);
            ASSERT_TRUE(t) << i;
            EXPECT_TRUE(same(t->mobile, expected[i][0]) && same(t->surname, expected[i][1]) &&
                        same(t->givenName, expected[i][2]))
                << i;
        }
        EXPECT_FALSE(source->ReadEntry({'E', 99, 0, 0})) << "an unknown entry cannot be opened";
        Counts held = Read(mine);
        EXPECT_EQ(held.objects, 2) << "only the address book and the WAB object stay open";
        EXPECT_EQ(held.buffers, 0) << "every buffer handed out was freed";
        EXPECT_EQ(held.opens, opensBefore + 1);
    }
    EXPECT_EQ(Read(mine).objects, 0);
    EXPECT_EQ(Read(mine).buffers, 0);
    FreeLibrary(mine);
    // Without our own hold, closing unloads the library; it opens again.
    for (int opening = 0; opening < 2; ++opening) {
        std::unique_ptr<wab::Source> source = wab::OpenAddressBook();
        ASSERT_TRUE(source && GetModuleHandleA(path.c_str())) << opening;
        EXPECT_EQ(source->EntryIds().size(), 4u) << opening;
        source.reset();
        EXPECT_FALSE(GetModuleHandleA(path.c_str())) << "unloaded after opening " << opening;
    }
}

TEST_F(WabSource, RefusalsGiveNoEntriesAndLeakNothing) {
    HMODULE mine = LoadLibraryA(path.c_str());
    ASSERT_TRUE(mine);
    SetEnvironmentVariableA("PARLET_WAB_REFUSE", "open");
    EXPECT_FALSE(wab::OpenAddressBook());
    for (const char* step : {"pab", "table", "rows"}) {
        SetEnvironmentVariableA("PARLET_WAB_REFUSE", step);
        std::unique_ptr<wab::Source> source = wab::OpenAddressBook();
        ASSERT_TRUE(source) << step;
        EXPECT_TRUE(source->EntryIds().empty()) << step;
        source.reset();
        EXPECT_EQ(Read(mine).objects, 0) << step;
        EXPECT_EQ(Read(mine).buffers, 0) << step;
    }
    FreeLibrary(mine);
    EXPECT_FALSE(GetModuleHandleA(path.c_str()));
    PointAt(Folder() + "no-such-library.dll");
    EXPECT_FALSE(wab::OpenAddressBook());
    PointAt(Folder() + "wab_tests.exe");   // loads, but has no "WABOpen"
    EXPECT_FALSE(wab::OpenAddressBook());
}

TEST_F(WabSource, DetailsWindowEndsNormallyOrIsCancelled) {
    HMODULE mine = LoadLibraryA(path.c_str());
    std::unique_ptr<wab::Source> source = wab::OpenAddressBook();
    ASSERT_TRUE(source);
    std::vector<wab::EntryId> ids = source->EntryIds();
    ASSERT_EQ(ids.size(), 4u);
    HWND owner = GetDesktopWindow();
    EXPECT_FALSE(source->ShowDetails(owner, ids[1]));
    EXPECT_EQ(Read(mine).owner, owner);
    SetEnvironmentVariableA("PARLET_WAB_DETAILS", "+43 (664) 7654321");
    EXPECT_TRUE(source->ShowDetails(owner, ids[1]));
    EXPECT_EQ(*source->ReadEntry(ids[1])->mobile, "+43 (664) 7654321");
    source.reset();
    FreeLibrary(mine);
}

}  // namespace
