// The Windows Address Book path for real, under Wine: registry, LoadLibrary,
// "WABOpen" and the COM calls, against our own test library.
#include <gtest/gtest.h>

#include <windows.h>

#include "WabFixture_win.h"
#include "ui/WabSource.h"

namespace {

const char* kEntries =
    "+43 (650) 1234567\tBerg\tAnna\n"
    "-\tNoMobile\tNina\n"
    "!number\tWrongType\tWilma\n"
    "+49 171 555\t-\t-\n";

TEST(WabSource, ListsReadsReleasesUnloadsAndOpensAgain) {
    TestAddressBook book;
    book.SetEntries(kEntries);
    HMODULE mine = LoadLibraryA(book.Path().c_str());   // keeps the counters readable after close
    ASSERT_TRUE(mine);
    LONG opensBefore = ReadWabCounts(mine).opens;
    {
        std::unique_ptr<wab::Source> source = wab::OpenAddressBook();
        ASSERT_TRUE(source);
        std::vector<wab::EntryId> ids = source->EntryIds();
        ASSERT_EQ(ids.size(), 4u);
        struct Expected {
            const char *mobile, *surname, *given;   // null: absent
        } expected[] = {{"+43 (650) 1234567", "Berg", "Anna"},
                        {nullptr, "NoMobile", "Nina"},
                        {nullptr, "WrongType", "Wilma"},
                        {"+49 171 555", nullptr, nullptr}};
        for (size_t i = 0; i < ids.size(); ++i) {
            std::optional<wab::EntryTexts> t = source->ReadEntry(ids[i]);
            ASSERT_TRUE(t) << i;
            auto same = [](const std::optional<std::string>& got, const char* want) {
                return want ? got && *got == want : !got;
            };
            EXPECT_TRUE(same(t->mobile, expected[i].mobile)) << i;
            EXPECT_TRUE(same(t->surname, expected[i].surname)) << i;
            EXPECT_TRUE(same(t->givenName, expected[i].given)) << i;
        }
        EXPECT_FALSE(source->ReadEntry({'E', 99, 0, 0})) << "an unknown entry cannot be opened";
        WabCounts held = ReadWabCounts(mine);
        EXPECT_EQ(held.objects, 2) << "only the address book and the WAB object stay open";
        EXPECT_EQ(held.buffers, 0) << "every buffer handed out was freed";
        EXPECT_EQ(held.opens, opensBefore + 1);
    }
    WabCounts closed = ReadWabCounts(mine);
    EXPECT_EQ(closed.objects, 0);
    EXPECT_EQ(closed.buffers, 0);
    FreeLibrary(mine);

    // Without our own hold, closing unloads the library; it opens again.
    for (int opening = 0; opening < 2; ++opening) {
        std::unique_ptr<wab::Source> source = wab::OpenAddressBook();
        ASSERT_TRUE(source && GetModuleHandleA(book.Path().c_str())) << opening;
        EXPECT_EQ(source->EntryIds().size(), 4u) << opening;
        source.reset();
        EXPECT_FALSE(GetModuleHandleA(book.Path().c_str())) << "unloaded after opening " << opening;
    }
}

TEST(WabSource, RefusalsGiveNoEntriesAndLeakNothing) {
    TestAddressBook book;
    book.SetEntries(kEntries);
    HMODULE mine = LoadLibraryA(book.Path().c_str());
    ASSERT_TRUE(mine);
    SetEnvironmentVariableA("PARLET_WAB_REFUSE", "open");
    EXPECT_FALSE(wab::OpenAddressBook());
    for (const char* step : {"pab", "table", "rows"}) {
        SetEnvironmentVariableA("PARLET_WAB_REFUSE", step);
        std::unique_ptr<wab::Source> source = wab::OpenAddressBook();
        ASSERT_TRUE(source) << step;
        EXPECT_TRUE(source->EntryIds().empty()) << step;
        source.reset();
        WabCounts c = ReadWabCounts(mine);
        EXPECT_EQ(c.objects, 0) << step;
        EXPECT_EQ(c.buffers, 0) << step;
    }
    FreeLibrary(mine);
    EXPECT_FALSE(GetModuleHandleA(book.Path().c_str()));

    TestAddressBook::PointAt(TestAddressBook::Folder() + "no-such-library.dll");
    EXPECT_FALSE(wab::OpenAddressBook());
    TestAddressBook::PointAt(TestAddressBook::Folder() + "wab_tests.exe");   // loads, but has no "WABOpen"
    EXPECT_FALSE(wab::OpenAddressBook());
}

TEST(WabSource, DetailsWindowEndsNormallyOrIsCancelled) {
    TestAddressBook book;
    book.SetEntries(kEntries);
    HMODULE mine = LoadLibraryA(book.Path().c_str());
    std::unique_ptr<wab::Source> source = wab::OpenAddressBook();
    ASSERT_TRUE(source);
    std::vector<wab::EntryId> ids = source->EntryIds();
    ASSERT_EQ(ids.size(), 4u);
    HWND owner = GetDesktopWindow();
    EXPECT_FALSE(source->ShowDetails(owner, ids[1]));
    EXPECT_EQ(ReadWabCounts(mine).detailsOwner, owner);
    SetEnvironmentVariableA("PARLET_WAB_DETAILS", "+43 (664) 7654321");
    EXPECT_TRUE(source->ShowDetails(owner, ids[1]));
    EXPECT_EQ(*source->ReadEntry(ids[1])->mobile, "+43 (664) 7654321");
    source.reset();
    FreeLibrary(mine);
}

}  // namespace
