#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "StandIn.h"
#include "ui/PhoneBook.h"
#include "ui/SendDialogLogic.h"

namespace {

using senddialog::PrefixItem;

PrefixTable Table() {
    PrefixTable table;
    MergePrefixes(table, {"43;Austria", "436;Austria mobile", "49;Germany", "41;Switzerland"});
    return table;
}

SendDialogRequest WithPrefix(std::optional<std::string> prefix) {
    SendDialogRequest request;
    request.entry.emplace();
    request.entry->prefix = std::move(prefix);
    return request;
}

TEST(SendDialogLogic, PrefixListAndItsFirstSelection) {
    const PrefixTable table = Table();
    std::vector<PrefixItem> items = senddialog::PrefixItems(table);
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[1].shown, "436 - Austria mobile");
    EXPECT_STREQ(items[1].prefix, "436");
    EXPECT_EQ(items[1].prefix, table.Entry(1));   // the table's own entry, as the job reads it

    SendDialogRequest exact = WithPrefix("49"), unknown = WithPrefix("43650"), none = WithPrefix(std::nullopt);
    struct Case {
        const char* name;
        const SendDialogRequest* request;
        std::optional<std::string> last;
        int expected;
    } cases[] = {
        {"request: exact match", &exact, "436", 2},
        {"request: no prefix offered, last ignored", &unknown, "49", 0},
        {"request without prefix, last ignored", &none, "49", 0},
        {"main menu: last prefix", nullptr, "49", 2},
        {"main menu: an exact prefix wins over a longer one the search finds", nullptr, "43", 0},
        {"main menu: search starts at the second item", nullptr, "4", 1},
        {"main menu: and wraps to the first", nullptr, "43 - aus", 0},
        {"main menu: begins-with, any case", nullptr, "4;", 0},
        {"main menu: not found", nullptr, "1", 0},
        {"main menu: nothing saved", nullptr, std::nullopt, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(senddialog::InitialPrefixIndex(items, c.request, c.last), c.expected) << c.name;
    EXPECT_EQ(senddialog::InitialPrefixIndex({}, nullptr, std::string("4")), 0);
}

TEST(SendDialogLogic, ATypedNumberIsStoredOnlyWhenNoListedNumberBeginsWithIt) {
    const std::vector<std::string> listed = {"12345", "555X"};
    struct Case {
        const char* prefix;
        const char* typed;
        bool store;
    } cases[] = {
        {"43", "1234", false}, {"43", "12345", false}, {"43", "123456", true}, {"43", "555x", false},
        {"43", "9", true},     {"43", "", false},      {nullptr, "9", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(senddialog::ShouldStoreNumber(c.prefix, c.typed, listed), c.store) << c.typed;
    EXPECT_FALSE(senddialog::ShouldStoreNumber("43", "", {}));   // never an empty number
}

TEST(SendDialogLogic, NumbersAreListedForTheExactPrefix) {
    standin::Reset();
    const char* phones[] = {"+43 (650) 111 SMS", "+43 () 222 SMS", "+43 (650) 333 SMS", "+43 (650) SMS", "+43 (650) 444"};
    for (const char* phone : phones) standin::SetText(standin::AddContact(), "UserInfo", "MyPhone0", phone);
    EXPECT_EQ(senddialog::NumbersForPrefix("43650"), (std::vector<std::string>{"111", "333"}));
    EXPECT_EQ(senddialog::NumbersForPrefix("43"), std::vector<std::string>{"222"});
    EXPECT_TRUE(senddialog::NumbersForPrefix("4").empty());
    EXPECT_EQ(standin::OutstandingVariants(), 0);
}

}  // namespace
