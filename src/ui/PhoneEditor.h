// The phone number editor's logic: one number entered either as country,
// area code and subscriber number, or as one full international number,
// the two forms kept in step. The dialog is a thin view over this.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "shell/HostLink.h"
#include "shell/HostRecords.h"

namespace phone_editor {

// Field limits, in characters.
constexpr size_t kNameLimit = 255;
constexpr size_t kAreaLimit = 31;
constexpr size_t kNumberLimit = 63;
constexpr size_t kFullReadLimit = 255;   // what a parse reads of the full number
constexpr size_t kFullCheckLimit = 251;  // what OK reads, so that " SMS" still fits in 255
constexpr size_t kComposeLimit = 95;     // the longest text Compose writes
constexpr size_t kMinimumLength = 7;     // the shortest acceptable full number

constexpr const char* kInvalidCaption = LPGEN("Invalid Phone Number");
constexpr const char* kInvalidText =
    LPGEN("The phone number should start with a + and consist of numbers, spaces, brackets and hyphens only.");

struct Country {
    uint32_t code;
    std::string name;
};

// The host's countries in the host's order, without the two entries that
// stand for no country (codes 0 and 0xFFFF).
std::vector<Country> ListedCountries(const host::CountryListEntry* entries, int count);
// The same, asked of the host through "Utils/GetCountryList".
std::vector<Country> HostCountries();

// The country code a full number starts with: a '+' and a decimal number
// (blanks after the '+' skipped) that ends within the first four
// characters. Gives the code and where it ends, or nothing.
struct LeadingCode {
    long code;
    size_t end;
};
std::optional<LeadingCode> FindLeadingCode(const std::string& full);

// What follows the code: the area digits (from the first digit after the
// code) and the subscriber number (from the first digit after those to the
// end, blanks and hyphens kept). The number is absent when nothing at all
// follows the area digits: the number field then keeps its text.
struct AfterCode {
    std::string area;
    std::optional<std::string> number;
};
AfterCode SplitAfterCode(const std::string& full, size_t codeEnd);

// "+<code> (<area>) <number>", at most kComposeLimit characters. Without a
// country there is no code to write: the text is "(<area>) <number>" with
// no plus sign, so OK refuses it until a country is chosen (and says why),
// and nothing is written when area and number are both empty.
std::string ComposeFullNumber(std::optional<uint32_t> code, const std::string& area, const std::string& number);

// At least seven characters, a leading '+', then only "0123456789 ()-".
bool IsValidFullNumber(const std::string& full);

// The record edited: names absent = not editable (field disabled, text left
// alone); phoneText is the whole stored text with " SMS", absent when new.
struct EditRecord {
    std::optional<std::string> firstName;
    std::optional<std::string> lastName;
    std::optional<std::string> phoneText;
};

enum class Field { FirstName, LastName, Area, Number, Full };

// What the editor needs of its window.
class View {
public:
    virtual ~View() = default;
    virtual std::string Text(Field field, size_t limit) = 0;
    virtual void SetText(Field field, const std::string& text) = 0;
    virtual void SetLimit(Field field, size_t limit) = 0;
    virtual void EnableField(Field field, bool enabled) = 0;
    virtual void EnableOk(bool enabled) = 0;
    // The country list sorts itself by name; items carry their code.
    virtual void AddCountry(const Country& country) = 0;
    virtual int CountryCount() = 0;
    virtual uint32_t CountryCodeAt(int index) = 0;
    virtual int SelectedCountry() = 0;          // -1: none
    virtual void SelectCountry(int index) = 0;  // -1: none
    // A message box owned by the editor, with an OK button.
    virtual void ShowMessage(const std::string& caption, const std::string& text) = 0;
};

class Editor {
public:
    Editor(View& view, EditRecord& record) : view_(view), record_(record) {}

    // Fills the fields from the record and the country list.
    void Open(const std::vector<Country>& countries);
    // The full number is about to change on screen: split it into the
    // three fields (unless the editor itself is writing it).
    void FullNumberChanging();
    // Country, area code or number changed: rewrite the full number.
    void PartsChanged();
    // OK: true when the number was valid and the record now holds the new
    // texts; false after the message box, the record unchanged.
    bool Accept();

    bool Updating() const { return updating_; }

private:
    int LastCountryWithCode(long code);

    View& view_;
    EditRecord& record_;
    bool updating_ = false;  // set while one form is written from the other
};

}  // namespace phone_editor
