// The phone number editor's logic against a window played in memory and
// the stand-in host's country list.
#include <gtest/gtest.h>

#include "FakeEditorView.h"
#include "StandIn.h"
#include "ui/PhoneEditor.h"

using phone_editor::Field;

namespace {

struct Session {
    phone_editor::EditRecord record;
    FakeEditorView view;
    phone_editor::Editor editor{view, record};
    explicit Session(phone_editor::EditRecord r) : record(std::move(r)) {
        standin::Reset();
        view.editor = &editor;
        editor.Open(phone_editor::HostCountries());
    }
};

phone_editor::EditRecord Stored(const char* text) {
    phone_editor::EditRecord r;
    r.firstName = "Anna";
    r.lastName = "Berg";
    r.phoneText = text;
    return r;
}

TEST(PhoneEditor, OpeningAStoredTextFillsBothForms) {
    Session s(Stored("+43 (650) 1234567 SMS"));
    EXPECT_EQ(s.view.texts[Field::Full], "+43 (650) 1234567");
    EXPECT_EQ(s.view.SelectedName(), "Austria");
    EXPECT_EQ(s.view.texts[Field::Area], "650");
    EXPECT_EQ(s.view.texts[Field::Number], "1234567");
    EXPECT_EQ(s.view.texts[Field::FirstName], "Anna");
    EXPECT_TRUE(s.view.okEnabled && s.view.enabled[Field::FirstName] && s.view.enabled[Field::LastName]);
    EXPECT_EQ(s.view.limits, (std::map<Field, size_t>{{Field::FirstName, 255}, {Field::LastName, 255},
                                                      {Field::Area, 31}, {Field::Number, 63}}));
    // Neither of the host's "no country" entries is offered.
    for (const auto& c : s.view.countries) EXPECT_TRUE(c.code != 0 && c.code != 0xFFFF) << c.name;
}

// Typing into the full-number field, from a field that held "keep" as number.
struct ParseCase {
    const char* full;
    const char* country;   // "" = none selected
    const char* area;
    const char* number;
};

TEST(PhoneEditor, TypedFullNumbersSplitIntoTheThreeFields) {
    const ParseCase cases[] = {
        {"+43 650 123 4567", "Austria", "650", "123 4567"},   // blanks kept in the number
        {"+43-650-12-34", "Austria", "650", "12-34"},
        {"+43 (650) 1234567", "Austria", "650", "1234567"},
        {"+43", "Austria", "", "keep"},                     // nothing after the area digits: number kept
        {"+43 650", "Austria", "650", "keep"},
        {"+43 650 ", "Austria", "650", ""},                 // something follows, but no digit
        {"+ 49 171 555", "Germany", "171", "555"},          // blanks after '+' skipped
        {"+4365 01234", "", "", ""},                        // four-digit code: not split
        {"+9999 1", "", "", ""},
        {"+999 1", "", "", ""},                             // no country has 999
        {"0043 650 1", "", "", ""},                         // no plus sign
        {"+", "", "", ""},
    };
    for (const ParseCase& c : cases) {
        Session s(phone_editor::EditRecord{});
        s.view.texts[Field::Number] = "keep";
        s.view.Type(Field::Full, c.full);
        EXPECT_EQ(s.view.SelectedName(), c.country) << c.full;
        EXPECT_EQ(s.view.texts[Field::Area], c.area) << c.full;
        EXPECT_EQ(s.view.texts[Field::Number], c.number) << c.full;
        EXPECT_EQ(s.view.texts[Field::Full], c.full) << "a parse never writes back: " << c.full;
        EXPECT_TRUE(s.view.okEnabled) << c.full;
    }
}

TEST(PhoneEditor, ACodeMustEndWithinTheFirstFourCharacters) {
    const struct {
        const char* full;
        long code;   // -1: no code
    } cases[] = {{"+436 5", 436}, {"+ 43 650", 43}, {"+  43", -1}, {"+4365 0", -1}, {"+-4", -4}, {"+x", 0}, {"43", -1}};
    for (const auto& c : cases) {
        auto code = phone_editor::FindLeadingCode(c.full);
        EXPECT_EQ(code ? code->code : -1, c.code) << c.full;
    }
}

TEST(PhoneEditor, SharedCodesPickTheCountryLastInNameOrder) {
    Session s(phone_editor::EditRecord{});
    s.view.Type(Field::Full, "+1 212 5550100");
    std::string last;
    for (const auto& c : s.view.countries) if (c.code == 1) last = c.name;
    EXPECT_EQ(s.view.SelectedName(), last);
    EXPECT_NE(last, "");
}

TEST(PhoneEditor, ChangingAPartRewritesTheFullNumber) {
    Session s(Stored("+43 (650) 1234567 SMS"));
    s.view.Choose("Germany");
    EXPECT_EQ(s.view.texts[Field::Full], "+49 (650) 1234567");
    s.view.Type(Field::Area, "171");
    EXPECT_EQ(s.view.texts[Field::Full], "+49 (171) 1234567");
    s.view.Type(Field::Number, "99");
    EXPECT_EQ(s.view.texts[Field::Full], "+49 (171) 99");
    // The composed text did not echo back into the parts.
    EXPECT_EQ(s.view.SelectedName(), "Germany");
    EXPECT_EQ(s.view.texts[Field::Area], "171");
    // Emptying the full number clears the parts and disables OK.
    s.view.Type(Field::Full, "");
    EXPECT_FALSE(s.view.okEnabled);
    EXPECT_EQ(s.view.SelectedName(), "");
}

TEST(PhoneEditor, WithoutACountryTheComposedNumberHasNoPlusAndIsRefused) {
    Session s(phone_editor::EditRecord{});
    EXPECT_FALSE(s.view.okEnabled);   // a new entry has no number yet
    s.view.Type(Field::Area, "650");
    EXPECT_TRUE(s.view.okEnabled);
    s.view.Type(Field::Number, "1234567");
    EXPECT_EQ(s.view.texts[Field::Full], "(650) 1234567");
    EXPECT_FALSE(s.editor.Accept());
    s.view.Choose("Austria");
    EXPECT_EQ(s.view.texts[Field::Full], "+43 (650) 1234567");
    EXPECT_TRUE(s.editor.Accept());
    EXPECT_EQ(*s.record.phoneText, "+43 (650) 1234567 SMS");
    EXPECT_EQ(phone_editor::ComposeFullNumber(std::nullopt, "", ""), "");
    EXPECT_EQ(phone_editor::ComposeFullNumber(43u, std::string(40, '1'), std::string(63, '2')).size(), 95u);
}

TEST(PhoneEditor, OkChecksLengthAndCharacters) {
    const struct {
        const char* full;
        bool accepted;
    } cases[] = {
        {"+12345", false},               // six characters
        {"+123456", true},               // seven: '+' and six digits
        {"+43 (650) 12-34", true},
        {"+43/650/1234567", false},
        {"+43.650.1234567", false},
        {"0043 650 1234567", false},     // no plus sign
        {"+4365 0123", true},            // not split, still allowed
        {"+43 650 1234567 x", false},
    };
    for (const auto& c : cases) {
        Session s(Stored("+43 (650) 1234567 SMS"));
        standin::SetTranslationMarking(true);
        s.view.Type(Field::Full, c.full);
        EXPECT_EQ(s.editor.Accept(), c.accepted) << c.full;
        if (c.accepted) {
            EXPECT_EQ(*s.record.phoneText, std::string(c.full) + " SMS");
            EXPECT_TRUE(s.view.messages.empty());
        } else {
            EXPECT_EQ(*s.record.phoneText, "+43 (650) 1234567 SMS") << "record unchanged: " << c.full;
            ASSERT_EQ(s.view.messages.size(), 1u) << c.full;
            EXPECT_EQ(s.view.messages[0],
                      std::string("[T]") + phone_editor::kInvalidCaption + "|[T]" + phone_editor::kInvalidText);
        }
        standin::SetTranslationMarking(false);
    }
    // OK reads at most 251 characters, so that the suffix still fits in 255.
    Session s(Stored("+43 (650) 1234567 SMS"));
    s.view.Type(Field::Full, "+" + std::string(300, '1'));
    ASSERT_TRUE(s.editor.Accept());
    EXPECT_EQ(s.record.phoneText->size(), 255u);
}

TEST(PhoneEditor, NamesChangeOnlyWhereEditable) {
    phone_editor::EditRecord r;
    r.phoneText = "+43 (650) 1234567 SMS";
    Session s(r);
    EXPECT_FALSE(s.view.enabled[Field::FirstName]);
    EXPECT_FALSE(s.view.enabled[Field::LastName]);
    s.view.texts[Field::FirstName] = "ignored";
    ASSERT_TRUE(s.editor.Accept());
    EXPECT_FALSE(s.record.firstName.has_value());
    EXPECT_FALSE(s.record.lastName.has_value());

    Session t(Stored("+43 (650) 1234567 SMS"));
    t.view.texts[Field::FirstName] = "Eva";
    ASSERT_TRUE(t.editor.Accept());
    EXPECT_EQ(*t.record.firstName, "Eva");
    EXPECT_EQ(*t.record.lastName, "Berg");
}

}  // namespace
