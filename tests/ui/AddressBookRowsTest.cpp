// The address book's row logic against the stand-in host's database.
#include <gtest/gtest.h>

#include <map>

#include "StandIn.h"
#include "ui/AddressBookRows.h"
#include "ui/PhoneBook.h"

using addressbook::Row;

namespace {

class AddressBookRows : public ::testing::Test {
protected:
    void SetUp() override { standin::Reset(); }

    static std::optional<std::string> Text(host::Contact c, const char* module, const char* name) {
        auto s = standin::GetSetting(c, module, name);
        return s ? std::optional<std::string>(s->text) : std::nullopt;
    }
};

TEST_F(AddressBookRows, ContactsWithANumberGiveRowsNamedByTheirProtocol) {
    host::Contact hidden = AddPhoneContact(std::nullopt, "+43 (650) 1234567 SMS");
    standin::SetText(hidden, "ZUVE_ROV", "FirstName", "Anna");
    standin::SetText(hidden, "ZUVE_ROV", "LastName", "Berg");
    host::Contact nickOnly = standin::AddContact();
    standin::AddAccount("ICQ");
    standin::SetText(nickOnly, "Protocol", "p", "ICQ");
    standin::SetText(nickOnly, "ICQ", "Nick", "bob");
    standin::SetText(nickOnly, "UserInfo", "MyPhone0", "+49 (171) 555 SMS");
    host::Contact noNumber = standin::AddContact();
    standin::SetText(noNumber, "Protocol", "p", "ICQ");
    standin::SetText(noNumber, "UserInfo", "MyPhone0", "+49 (171) 555");   // no suffix: no phone text
    host::Contact noProtocol = standin::AddContact();
    standin::SetText(noProtocol, "UserInfo", "MyPhone0", "+1 (212) 5550100 SMS");

    addressbook::RowList rows = addressbook::ContactRows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0]->contact, hidden);
    EXPECT_EQ(*rows[0]->firstName, "Anna");
    EXPECT_EQ(*rows[0]->lastName, "Berg");
    EXPECT_EQ(rows[0]->prefix, "43650");
    EXPECT_EQ(rows[0]->number, "1234567");
    EXPECT_EQ(*rows[1]->firstName, "bob");
    EXPECT_FALSE(rows[1]->lastName);
    EXPECT_EQ(rows[2]->contact, noProtocol);
    EXPECT_FALSE(rows[2]->firstName || rows[2]->lastName);
    EXPECT_EQ(rows[2]->locationSetting, "MyPhone0");
    for (const auto& r : rows) EXPECT_TRUE(r->wabEntryId.empty() && addressbook::CanRemove(*r));
    EXPECT_EQ(standin::OutstandingVariants(), 0);
}

TEST_F(AddressBookRows, RemovingANumberedPhoneClosesTheGapAndLeavesIndexZero) {
    host::Contact c = standin::AddContact();
    standin::AddAccount("ICQ");
    standin::SetText(c, "Protocol", "p", "ICQ");
    standin::SetText(c, "UserInfo", "MyPhone0", "office");
    standin::SetText(c, "UserInfo", "MyPhone1", "+43 (650) 111 SMS");
    standin::SetText(c, "UserInfo", "MyPhone2", "+43 (650) 222 SMS");
    standin::SetByte(c, "UserInfo", "MyPhone3", 7);   // no text: moved as it is, and no end
    standin::SetText(c, "UserInfo", "MyPhone4", "+43 (650) 444 SMS");
    addressbook::RowList rows = addressbook::ContactRows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0]->number, "111");
    EXPECT_EQ(rows[0]->locationSetting, "MyPhone1");

    addressbook::RemoveContactEntry(*rows[0]);
    EXPECT_EQ(Text(c, "UserInfo", "MyPhone0"), "office");
    EXPECT_EQ(Text(c, "UserInfo", "MyPhone1"), "+43 (650) 222 SMS");
    EXPECT_EQ(standin::GetSetting(c, "UserInfo", "MyPhone2")->type, host::kDbByte);
    EXPECT_EQ(Text(c, "UserInfo", "MyPhone3"), "+43 (650) 444 SMS");
    EXPECT_FALSE(standin::GetSetting(c, "UserInfo", "MyPhone4"));
    // The contact still has a usable number, so it is listed again with it.
    rows = addressbook::ContactRows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0]->number, "222");

    // A hidden phone contact goes whole, names included.
    host::Contact hidden = AddPhoneContact(std::nullopt, "+43 (650) 1234567 SMS");
    standin::SetText(hidden, "ZUVE_ROV", "FirstName", "Anna");
    rows = addressbook::ContactRows();
    ASSERT_EQ(rows.size(), 2u);
    addressbook::RemoveContactEntry(*rows[1]);
    EXPECT_EQ(standin::Contacts(), std::vector<host::Contact>{c});
    EXPECT_FALSE(standin::GetSetting(hidden, "ZUVE_ROV", "FirstName"));
    EXPECT_EQ(standin::OutstandingVariants(), 0);
}

// Edit writes the number back where it came from and only a hidden phone
// contact's names; Add stores a hidden contact with both names.
TEST_F(AddressBookRows, EditAndAddWriteWhereTheEntryLives) {
    host::Contact icq = standin::AddContact();
    standin::AddAccount("ICQ");
    standin::SetText(icq, "Protocol", "p", "ICQ");
    standin::SetText(icq, "ICQ", "FirstName", "Carl");
    standin::SetText(icq, "ICQ", "Cellular", "+43 (650) 7654321 SMS");
    addressbook::RowList rows = addressbook::ContactRows();
    ASSERT_EQ(rows.size(), 1u);
    phone_editor::EditRecord record = addressbook::EditRecordFor(*rows[0]);
    EXPECT_FALSE(record.firstName || record.lastName) << "an ordinary contact's names are not editable";
    EXPECT_EQ(record.phoneText, "+43 (650) 7654321 SMS");
    record.phoneText = "+43 (660) 1111111 SMS";
    addressbook::ApplyEdit(record, *rows[0]);
    EXPECT_EQ(Text(icq, "ICQ", "Cellular"), "+43 (660) 1111111 SMS");
    EXPECT_EQ(rows[0]->prefix + "|" + rows[0]->number, "43660|1111111");
    EXPECT_EQ(*rows[0]->firstName, "Carl");
    EXPECT_FALSE(standin::GetSetting(icq, "ZUVE_ROV", "FirstName") || standin::GetSetting(icq, "ZUVE_ROV", "LastName"));

    phone_editor::EditRecord added = addressbook::NewEntryRecord();
    EXPECT_TRUE(added.firstName == "" && added.lastName == "" && !added.phoneText);
    added.firstName = "Eva";
    added.lastName = "Eck";
    added.phoneText = "+43 (650) 1234567 SMS";
    Row row;
    ASSERT_TRUE(addressbook::StoreNewEntry(added, row));
    EXPECT_EQ(*row.firstName + " " + *row.lastName + " " + row.prefix + "|" + row.number, "Eva Eck 43650|1234567");
    EXPECT_EQ(Text(row.contact, "ZUVE_ROV", "LastName"), "Eck");
    EXPECT_EQ(addressbook::EditRecordFor(row).lastName, "Eck") << "a hidden contact's names are editable";
    EXPECT_EQ(standin::OutstandingVariants(), 0);
}

TEST(AddressBookOrder, RowsCompareByOneColumnWithoutRegardToCase) {
    Row a, b;
    a.firstName = "anna";
    b.firstName = "Bert";
    a.prefix = "43";
    b.prefix = "43";
    a.number = "9";
    b.number = "10";
    b.lastName = "Zett";   // a has none: compares as empty
    const struct {
        int column, direction, sign;
    } cases[] = {
        {addressbook::kFirstNameColumn, 1, -1}, {addressbook::kFirstNameColumn, -1, 1},
        {addressbook::kLastNameColumn, 1, -1},  {addressbook::kPrefixColumn, 1, 0},
        {addressbook::kNumberColumn, 1, 1},     // texts, not numbers: "9" after "10"
        {7, 1, 0},
    };
    for (const auto& c : cases) {
        int r = addressbook::CompareRows(a, b, c.column, c.direction);
        EXPECT_EQ((r > 0) - (r < 0), c.sign) << c.column << " " << c.direction;
    }
    b.firstName = "ANNA";
    EXPECT_EQ(addressbook::CompareRows(a, b, addressbook::kFirstNameColumn, 1), 0);
    // One direction, negated by every click.
    int first = addressbook::FlipSortDirection();
    EXPECT_EQ(addressbook::FlipSortDirection(), -first);
    EXPECT_EQ(addressbook::FlipSortDirection(), first);
}

TEST(AddressBookOrder, OkNeedsAnOfferedPrefixFoundAsThePrefixBoxFindsIt) {
    const std::vector<std::string> items = {"43650 - first", "49 - Germany", "43650 - second", "4917 - D2"};
    const struct {
        const char* prefix;
        int found;
    } cases[] = {
        {"43650", 2},   // the search starts at the second item
        {"49", 1},
        {"4917", 3},
        {"4365", 2},    // the row's prefix begins an item's text
        {"436501", -1},
        {"", -1},       // a row without prefix is offered by no gateway
    };
    for (const auto& c : cases) {
        EXPECT_EQ(addressbook::FindPrefixItem(items, c.prefix), c.found) << c.prefix;
        Row r;
        r.prefix = c.prefix;
        EXPECT_EQ(addressbook::CanTake(r, items), c.found >= 0) << c.prefix;
    }
    EXPECT_EQ(addressbook::FindPrefixItem({"43 - Austria"}, "43"), 0) << "ending with the first item";
    EXPECT_EQ(addressbook::FindPrefixItem({"A1 - x", "a1 - y"}, "A1"), 1) << "without regard to case";
    EXPECT_EQ(addressbook::FindPrefixItem({}, "43"), -1);
}

// An address book played in memory.
class FakeWab : public wab::Source {
public:
    std::map<wab::EntryId, wab::EntryTexts> entries;
    std::vector<wab::EntryId> EntryIds() override {
        std::vector<wab::EntryId> ids;
        for (auto& e : entries) ids.push_back(e.first);
        return ids;
    }
    std::optional<wab::EntryTexts> ReadEntry(const wab::EntryId& id) override {
        auto it = entries.find(id);
        return it == entries.end() ? std::nullopt : std::optional<wab::EntryTexts>(it->second);
    }
    bool ShowDetails(void*, const wab::EntryId&) override { return false; }
};

TEST_F(AddressBookRows, AddressBookEntriesWithAUsableMobileGiveRows) {
    FakeWab source;
    source.entries[{1}] = {std::string("+43 (650) 1234567"), std::string("Berg"), std::string("Anna")};
    source.entries[{2}] = {std::nullopt, std::string("NoMobile"), std::nullopt};
    source.entries[{3}] = {std::string("+43 (650)"), std::nullopt, std::nullopt};   // prefix but no number
    source.entries[{4}] = {std::string("+43 650 12345"), std::nullopt, std::nullopt};   // no bracket, no prefix table
    source.entries[{5}] = {std::string("+49 (171) 555"), std::nullopt, std::nullopt};
    addressbook::RowList rows = addressbook::WabRows(source);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0]->wabEntryId, wab::EntryId{1});
    EXPECT_EQ(*rows[0]->firstName, "Anna");
    EXPECT_EQ(*rows[0]->lastName, "Berg");
    EXPECT_EQ(rows[0]->prefix, "43650");
    EXPECT_EQ(rows[0]->number, "1234567");
    EXPECT_FALSE(rows[1]->firstName || rows[1]->lastName);
    EXPECT_EQ(rows[1]->contact, nullptr);
    EXPECT_FALSE(addressbook::CanRemove(*rows[1]));

    // Reading again after an edit elsewhere replaces number and names; a
    // name the entry no longer has is left as it was.
    source.entries[{1}] = {std::string("+43 (664) 7"), std::nullopt, std::string("Anne")};
    ASSERT_TRUE(addressbook::ReadWabEntry(source, *rows[0]));
    EXPECT_EQ(rows[0]->number, "7");
    EXPECT_EQ(*rows[0]->firstName, "Anne");
    EXPECT_EQ(*rows[0]->lastName, "Berg");
    source.entries.erase({1});
    EXPECT_FALSE(addressbook::ReadWabEntry(source, *rows[0]));
    EXPECT_EQ(rows[0]->number, "7") << "a failed read leaves the row";
}

}  // namespace
