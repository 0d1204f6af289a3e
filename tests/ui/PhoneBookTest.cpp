#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "StandIn.h"
#include "ui/PhoneBook.h"

namespace {

PrefixTable Table(const std::vector<std::string>& values) {
    PrefixTable table;
    MergePrefixes(table, values);
    return table;
}

TEST(PhoneBook, SplitTakesTheBracketOrTheFirstTablePrefix) {
    const PrefixTable table = Table({"436;A1", "43650;Austria mobile", "49;Germany"});
    struct Case {
        const char* text;
        bool split;
        const char* prefix;
        const char* number;
    } cases[] = {
        {"+43 (650) 1234567 SMS", true, "43650", "1234567"},
        {"+43 () 1234567 SMS", true, "43", "1234567"},
        {"+43 (650) SMS", true, "43650", ""},          // a bracket splits even without a number
        {"x) 12", true, "", "12"},
        {"+43 (6)50) 1 SMS", true, "436", "501"},       // the first bracket counts
        {"+43 650 1234567 SMS", true, "436", "501234567"},  // the first match, not the longest
        {"+49 171 555 SMS", true, "49", "171555"},
        {"+49 SMS", true, "49", ""},
        {"+1 555 SMS", false, "", ""},
        {"SMS", false, "", ""},
    };
    for (const Case& c : cases) {
        std::string prefix = "?", number = "?";
        bool split = SplitPhoneText(c.text, table, &prefix, &number);
        EXPECT_EQ(split, c.split) << c.text;
        if (!c.split) continue;
        EXPECT_EQ(prefix, c.prefix) << c.text;
        EXPECT_EQ(number, c.number) << c.text;
    }
}

TEST(PhoneBook, OnlyTextsLongerThanFourEndingInSmsArePhoneTexts) {
    struct Case {
        const char* text;
        bool phone;
    } cases[] = {{" SMS", false}, {"1 SMS", true}, {"+43 (650) 1 sms", false}, {"+43 (650) 1 SMS ", false},
                 {"+43 (650) 1SMS", false}, {"", false}};
    for (const Case& c : cases) EXPECT_EQ(IsPhoneText(c.text), c.phone) << '"' << c.text << '"';
}

class PhoneBookHost : public ::testing::Test {
protected:
    void SetUp() override { standin::Reset(); }
    void TearDown() override { EXPECT_EQ(standin::OutstandingVariants(), 0); }

    static std::string Describe(const PhoneEntry& e) {
        if (!e.Valid()) return e.prefix || e.location || e.reserved ? "invalid with parts" : "none";
        return e.prefix.value_or("-") + "|" + *e.number + "|" + (e.location ? e.location->module + "/" + e.location->setting : "-");
    }
    const PrefixTable table = Table({"43;Austria", "49;Germany"});
};

TEST_F(PhoneBookHost, ReadTakesTheFirstUsablePhoneText) {
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, std::string>> settings;   // "module/setting", value
        const char* expected;
    } cases[] = {
        {"cellular first", {{"ICQ/Cellular", "+43 (650) 1234567 SMS"}, {"UserInfo/MyPhone0", "+49 (171) 555 SMS"}},
         "43650|1234567|ICQ/Cellular"},
        {"cellular without suffix", {{"ICQ/Cellular", "+43 (650) 1234567"}, {"UserInfo/MyPhone0", "+49 (171) 555 SMS"}},
         "49171|555|UserInfo/MyPhone0"},
        {"first of the numbered", {{"UserInfo/MyPhone0", "+43 (650) 123 SMS"}, {"UserInfo/MyPhone1", "+49 (171) 555 SMS"}},
         "43650|123|UserInfo/MyPhone0"},
        {"a missing setting ends the list", {{"UserInfo/MyPhone1", "+49 (171) 555 SMS"}}, "none"},
        {"unsplittable skipped", {{"ICQ/Cellular", "+1 555 SMS"}, {"UserInfo/MyPhone0", "+7 123 SMS"},
                                   {"UserInfo/MyPhone1", "+49 171 555 SMS"}}, "49|171555|UserInfo/MyPhone1"},
        {"bracket without number skipped", {{"UserInfo/MyPhone0", "+43 (650) SMS"}, {"UserInfo/MyPhone1", "1) 2 SMS"}},
         "1|2|UserInfo/MyPhone1"},
        {"nothing", {{"ICQ/Nick", "+43 (650) 1 SMS"}}, "none"},
        {"a value that is no text is passed over, not an end",
         {{"ICQ/Cellular", "#7"}, {"UserInfo/MyPhone0", "#1"}, {"UserInfo/MyPhone1", "+43 (664) 123 SMS"}},
         "43664|123|UserInfo/MyPhone1"},
    };
    for (const Case& c : cases) {
        host::Contact contact = standin::AddContact();
        standin::AddAccount("ICQ");
        standin::SetText(contact, "Protocol", "p", "ICQ");
        for (const auto& [where, value] : c.settings) {
            size_t slash = where.find('/');
            const std::string module = where.substr(0, slash), name = where.substr(slash + 1);
            if (value[0] == '#')   // "#7": the byte 7
                standin::SetByte(contact, module.c_str(), name.c_str(), static_cast<uint8_t>(std::stoi(value.substr(1))));
            else
                standin::SetText(contact, module.c_str(), name.c_str(), value);
        }
        PhoneEntry entry = ReadPhoneEntry(contact, table);
        EXPECT_EQ(Describe(entry), c.expected) << c.name;
        EXPECT_FALSE(entry.reserved) << c.name;
        FreePhoneEntry(entry);
        EXPECT_EQ(Describe(entry), "none");
    }
}

TEST_F(PhoneBookHost, AddWritesAHiddenContactThatReadsBack) {
    struct Case {
        std::optional<std::string> prefix;
        std::string number;
        std::string stored;
    } cases[] = {
        {"43650", "1234567", "+43 (650) 1234567 SMS"},
        {"43", "1234567", "+43 () 1234567 SMS"},
        {"1212", "555", "+12 (12) 555 SMS"},
        {"4", "555", "+4 () 555 SMS"},
        {std::nullopt, "+43 (1) 2 SMS", "+43 (1) 2 SMS"},
        {"43650", std::string(70, '9'), "+43 (650) " + std::string(53, '9')},
    };
    for (const Case& c : cases) {
        host::Contact contact = AddPhoneContact(c.prefix, c.number);
        ASSERT_NE(contact, nullptr);
        EXPECT_EQ(standin::GetSetting(contact, "UserInfo", "MyPhone0")->text, c.stored);
        EXPECT_EQ(standin::GetSetting(contact, "CList", "Hidden")->number, 1u);
        EXPECT_EQ(standin::GetSetting(contact, "Protocol", "p")->text, "ZUVE_ROV");
        EXPECT_FALSE(standin::GetSetting(contact, "ZUVE_ROV", "Nick"));
        PhoneEntry entry = ReadPhoneEntry(contact, table);
        if (c.stored.size() < 63 && c.prefix) {
            EXPECT_EQ(entry.prefix, c.prefix) << c.stored;
        }
    }
    // Our own contacts name "ZUVE_ROV" as their protocol, which is no account
    // of the host's: it names no base protocol for them, so a "Cellular"
    // there is never read.
    host::Contact first = standin::Contacts().front();
    standin::SetText(first, "ZUVE_ROV", "Cellular", "+49 (171) 7654321 SMS");
    EXPECT_EQ(Describe(ReadPhoneEntry(first, table)), "43650|1234567|UserInfo/MyPhone0");
}

}  // namespace
