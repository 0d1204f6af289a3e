#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <string>

#include "HostCalls.h"
#include "shell/HostLink.h"
#include "shell/Notice.h"
#include "shell/UserMessage.h"

using hostcalls::Call;
using hostcalls::Ptr;

namespace {

class ClistUtilsTest : public ::testing::Test {
protected:
    void SetUp() override { standin::Reset(); }
};

host::MenuItem Item(const char* name, uint32_t flags, int position, const char* service) {
    host::MenuItem item{};
    item.cbSize = sizeof(host::MenuItem);
    item.name = const_cast<char*>(name);
    item.flags = flags;
    item.position = position;
    item.icon = reinterpret_cast<void*>(0x106);
    item.service = service;
    return item;
}

TEST_F(ClistUtilsTest, MenuItemsAreRecordedAndFlagsModified) {
    host::MenuItem main = Item("&Send SMS...", 0, -2147483647, "Parlet/Send");
    host::MenuItem contactItem = Item("&Parlet Message", 0, -2000070000, "RodaDID/MenuCommand");
    host::Word h1 = Call("CList/AddMainMenuItem", 0, Ptr(&main));
    host::Word h2 = Call("CList/AddContactMenuItem", 0, Ptr(&contactItem));
    ASSERT_NE(h1, 0);
    ASSERT_NE(h2, 0);
    EXPECT_NE(h1, h2);

    auto items = standin::MenuItems();
    ASSERT_EQ(items.size(), 2u);
    EXPECT_FALSE(items[0].contactMenu);
    EXPECT_EQ(items[0].name, "&Send SMS...");
    EXPECT_EQ(items[0].position, -2147483647);
    EXPECT_EQ(items[0].service, "Parlet/Send");
    EXPECT_EQ(items[0].icon, reinterpret_cast<void*>(0x106));
    EXPECT_TRUE(items[1].contactMenu);
    EXPECT_EQ(items[1].service, "RodaDID/MenuCommand");

    // Only the flags change: name and icon stay, though the record's are empty.
    host::MenuItem hide{};
    hide.cbSize = 40;
    hide.flags = host::kMenuModifyFlags | host::kMenuFlagHidden;
    EXPECT_EQ(Call("CList/ModifyMenuItem", h2, Ptr(&hide)), 0);
    items = standin::MenuItems();
    EXPECT_EQ(items[1].flags, host::kMenuFlagHidden);
    EXPECT_EQ(items[1].name, "&Parlet Message");
    EXPECT_EQ(items[1].icon, reinterpret_cast<void*>(0x106));
    EXPECT_EQ(items[0].flags, 0u) << "the other item is untouched";

    host::MenuItem show{};
    show.cbSize = 40;
    show.flags = host::kMenuModifyFlags;
    EXPECT_EQ(Call("CList/ModifyMenuItem", h2, Ptr(&show)), 0);
    EXPECT_EQ(standin::MenuItems()[1].flags, 0u);

    EXPECT_NE(Call("CList/ModifyMenuItem", 0, Ptr(&show)), 0);
    EXPECT_NE(Call("CList/ModifyMenuItem", 99, Ptr(&show)), 0);
    EXPECT_NE(Call("CList/ModifyMenuItem", h2, 0), 0);
    host::MenuItem badSize = show;
    badSize.cbSize = 12;
    EXPECT_NE(Call("CList/ModifyMenuItem", h2, Ptr(&badSize)), 0);
    EXPECT_EQ(Call("CList/AddMainMenuItem", 0, Ptr(&badSize)), 0) << "no handle for a record of the wrong size";
    EXPECT_EQ(standin::MenuItems().size(), 2u);
}

TEST_F(ClistUtilsTest, OptionsPagesAreRecorded) {
    host::OptionsPage page{};
    page.cbSize = 60;
    page.title = const_cast<char*>("Gateway order");
    page.dialogTemplate = reinterpret_cast<char*>(static_cast<uintptr_t>(112));
    page.group = const_cast<char*>("Parlet-Plugin");
    page.dialogProc = reinterpret_cast<void*>(0x1234);
    if (sizeof(void*) != 4) page.cbSize = sizeof(host::OptionsPage);
    EXPECT_EQ(Call("Opt/AddPage", 77, Ptr(&page)), 0);
    host::OptionsPage noTitle = page;
    noTitle.title = nullptr;
    EXPECT_NE(Call("Opt/AddPage", 77, Ptr(&noTitle)), 0);
    EXPECT_NE(Call("Opt/AddPage", 77, 0), 0);

    ASSERT_EQ(standin::OptionsPageCount(), 1);
    auto pages = standin::OptionsPages();
    EXPECT_EQ(pages[0].dialog, 77);
    EXPECT_EQ(pages[0].title, "Gateway order");
    EXPECT_EQ(pages[0].group, "Parlet-Plugin");
    EXPECT_EQ(pages[0].templateId, 112);
    EXPECT_EQ(pages[0].dialogProc, reinterpret_cast<void*>(0x1234));
}

TEST_F(ClistUtilsTest, TranslationIsIdentityUnlessMarked) {
    const char* text = "&Parlet Message";
    EXPECT_EQ(Call("LangPack/TranslateString", 0, Ptr(text)), Ptr(text));
    EXPECT_EQ(host::TranslateString(text), text);
    EXPECT_EQ(Call("LangPack/TranslateString", 0, 0), 0);

    standin::SetTranslationMarking(true);
    EXPECT_EQ(host::TranslateString(text), "[T]&Parlet Message");
    auto marked = reinterpret_cast<const char*>(Call("LangPack/TranslateString", 0, Ptr(text)));
    EXPECT_STREQ(marked, "[T]&Parlet Message");
    EXPECT_STREQ(text, "&Parlet Message") << "the caller's text is not touched";
    standin::Reset();
    EXPECT_EQ(host::TranslateString(text), text) << "Reset ends marking";

    void* window = testwindow::Make();
    host::TranslateDialogRequest request{16, 0, window, nullptr};
    if (sizeof(void*) != 4) request.cbSize = sizeof request;
    EXPECT_EQ(Call("LangPack/TranslateDialog", 0, Ptr(&request)), 0);
    EXPECT_NE(Call("LangPack/TranslateDialog", 0, 0), 0);
    EXPECT_EQ(standin::TranslatedDialogs(), std::vector<void*>{window});
    testwindow::Destroy(window);
}

TEST_F(ClistUtilsTest, CountryListIsAWholeListOfDiallingCodes) {
    int count = 0;
    host::CountryListEntry* list = nullptr;
    ASSERT_EQ(Call("Utils/GetCountryList", Ptr(&count), Ptr(&list)), 0);
    ASSERT_NE(list, nullptr);
    EXPECT_GE(count, 200);

    std::set<std::string> names;
    std::multimap<std::string, int> codes;
    int sentinels = 0;
    for (int i = 0; i < count; ++i) {
        ASSERT_NE(list[i].name, nullptr) << i;
        EXPECT_TRUE(names.insert(list[i].name).second) << "twice: " << list[i].name;
        if (list[i].id == 0 || list[i].id == 0xFFFF) {
            ++sentinels;
            continue;
        }
        // The phone number editor reads at most three digits of a code.
        EXPECT_GE(list[i].id, 1) << list[i].name;
        EXPECT_LE(list[i].id, 999) << list[i].name;
        codes.emplace(list[i].name, list[i].id);
    }
    EXPECT_EQ(sentinels, 2) << "the host's entries for no country";
    const std::pair<const char*, int> known[] = {{"Austria", 43},        {"Germany", 49}, {"United States", 1},
                                                 {"Canada", 1},          {"Russia", 7},   {"Kazakhstan", 7},
                                                 {"United Kingdom", 44}, {"India", 91},   {"Switzerland", 41},
                                                 {"Brazil", 55},         {"Japan", 81},   {"South Africa", 27}};
    for (const auto& k : known) {
        auto it = codes.find(k.first);
        ASSERT_NE(it, codes.end()) << k.first;
        EXPECT_EQ(it->second, k.second) << k.first;
    }
    EXPECT_NE(Call("Utils/GetCountryList", 0, Ptr(&list)), 0);
    EXPECT_NE(Call("Utils/GetCountryList", Ptr(&count), 0), 0);
}

host::WindowPositionRequest Position(void* window, const char* prefix) {
    return host::WindowPositionRequest{window, nullptr, "ZUVE_ROV", prefix};
}

TEST_F(ClistUtilsTest, WindowPositionsAreKeptUnderTheirPrefix) {
    void* window = testwindow::Make();
    ASSERT_NE(window, nullptr);
    standin::SetWindowRect(window, {40, 50, 300, 200});
    auto request = Position(window, "SMSdlg");
    ASSERT_EQ(Call("Utils/SaveWindowPos", 0, Ptr(&request)), 0);
    const std::pair<const char*, uint32_t> stored[] = {{"SMSdlgx", 40},
                                                       {"SMSdlgy", 50},
                                                       {"SMSdlgwidth", 300},
                                                       {"SMSdlgheight", 200}};
    for (const auto& s : stored) {
        auto setting = standin::GetSetting(nullptr, "ZUVE_ROV", s.first);
        ASSERT_TRUE(setting.has_value()) << s.first;
        EXPECT_EQ(setting->type, host::kDbDword) << s.first;
        EXPECT_EQ(setting->number, s.second) << s.first;
    }

    standin::SetWindowRect(window, {5, 6, 120, 90});
    ASSERT_EQ(Call("Utils/RestoreWindowPos", 0, Ptr(&request)), 0);
    auto rect = standin::WindowRectOf(window);
    ASSERT_TRUE(rect.has_value());
    EXPECT_EQ(rect->x, 40);
    EXPECT_EQ(rect->y, 50);
    EXPECT_EQ(rect->width, 300);
    EXPECT_EQ(rect->height, 200);

    standin::SetWindowRect(window, {5, 6, 120, 90});
    ASSERT_EQ(Call("Utils/RestoreWindowPos", host::kRestoreNoMove, Ptr(&request)), 0);
    rect = standin::WindowRectOf(window);
    EXPECT_EQ(rect->x, 5) << "no move";
    EXPECT_EQ(rect->width, 300);

    auto unknown = Position(window, "AddrBook");
    EXPECT_NE(Call("Utils/RestoreWindowPos", 0, Ptr(&unknown)), 0) << "nothing kept under this prefix";
    standin::SetDword(nullptr, "ZUVE_ROV", "AddrBookx", 1);
    standin::SetDword(nullptr, "ZUVE_ROV", "AddrBooky", 1);
    standin::SetDword(nullptr, "ZUVE_ROV", "AddrBookwidth", 0xFFFFFF00u);  // -256
    standin::SetDword(nullptr, "ZUVE_ROV", "AddrBookheight", 100);
    EXPECT_NE(Call("Utils/RestoreWindowPos", 0, Ptr(&unknown)), 0) << "a negative width is refused";
    EXPECT_EQ(standin::WindowRectOf(window)->width, 300);

    auto noModule = request;
    noModule.module = nullptr;
    EXPECT_NE(Call("Utils/SaveWindowPos", 0, Ptr(&noModule)), 0);
    EXPECT_NE(Call("Utils/SaveWindowPos", 0, 0), 0);
    testwindow::Destroy(window);
}

struct NoticeCatcher {
    int boxes = 0;
    int beeps = 0;
};

TEST_F(ClistUtilsTest, PopupServiceIsSwitchedPerTest) {
    NoticeCatcher caught;
    usermsg::Interceptor interceptor{[](const char*, void* c) { ++static_cast<NoticeCatcher*>(c)->boxes; },
                                     [](void* c) { ++static_cast<NoticeCatcher*>(c)->beeps; }, &caught};
    usermsg::SetInterceptor(&interceptor);

    EXPECT_EQ(standin::Link()->ServiceExists("PopUp/AddPopUpEx"), 0) << "off after Reset";
    ShowNotice("no popups here");
    EXPECT_EQ(caught.boxes, 1);

    standin::SetPopupService(true);
    ASSERT_EQ(standin::Link()->ServiceExists("PopUp/AddPopUpEx"), 1);
    ShowNotice("Gateway folder not found");
    EXPECT_EQ(caught.beeps, 1);
    EXPECT_EQ(caught.boxes, 1);
    auto popups = standin::Popups();
    ASSERT_EQ(popups.size(), 1u);
    EXPECT_EQ(popups[0].title, "Parlet-Plugin");
    EXPECT_EQ(popups[0].text, "Gateway folder not found");
    EXPECT_EQ(popups[0].seconds, -1);
    EXPECT_TRUE(popups[0].spareClear);

    // A record whose text fills the field without a terminating zero.
    host::PopupData full{};
    std::memset(full.text, 'x', sizeof full.text);
    full.spare[15] = 1;
    EXPECT_EQ(Call("PopUp/AddPopUpEx", Ptr(&full), 0), 1);
    EXPECT_FALSE(standin::Popups().back().spareClear);
    EXPECT_EQ(standin::Popups().back().text.size(), sizeof full.text);
    EXPECT_FALSE(standin::Popups().back().hasIcon);

    standin::SetPopupService(true, -1);
    ShowNotice("refused");
    EXPECT_EQ(caught.boxes, 2) << "a refused popup falls back to the box";
    EXPECT_EQ(standin::Popups().size(), 2u);

    standin::SetPopupService(false);
    EXPECT_EQ(standin::Link()->ServiceExists("PopUp/AddPopUpEx"), 0);
    usermsg::SetInterceptor(nullptr);
}

}  // namespace
