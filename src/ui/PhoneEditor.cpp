#include "ui/PhoneEditor.h"

#include <climits>

#include "shell/HostLink.h"
#include "ui/PhoneBook.h"

namespace phone_editor {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
// The blanks the C library's number conversion skips.
bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

size_t FirstDigit(const std::string& s, size_t from) {
    while (from < s.size() && !IsDigit(s[from])) ++from;
    return from;
}

}  // namespace

std::vector<Country> ListedCountries(const host::CountryListEntry* entries, int count) {
    std::vector<Country> countries;
    for (int i = 0; entries && i < count; ++i) {
        const host::CountryListEntry& e = entries[i];
        if (e.id == 0 || e.id == 0xFFFF || !e.name) continue;
        countries.push_back({static_cast<uint32_t>(e.id), e.name});
    }
    return countries;
}

std::vector<Country> HostCountries() {
    int count = 0;
    host::CountryListEntry* entries = nullptr;
    host::Word result = host::CallService("Utils/GetCountryList", reinterpret_cast<host::Word>(&count),
                                          reinterpret_cast<host::Word>(&entries));
    if (result != 0) return {};
    return ListedCountries(entries, count);
}

std::optional<LeadingCode> FindLeadingCode(const std::string& full) {
    if (full.empty() || full[0] != '+') return std::nullopt;
    // Read as a signed long integer would be: blanks, a sign, digits.
    size_t i = 1;
    while (i < full.size() && IsBlank(full[i])) ++i;
    bool negative = false;
    if (i < full.size() && (full[i] == '+' || full[i] == '-')) negative = full[i++] == '-';
    size_t digits = i;
    long value = 0;
    for (; i < full.size() && IsDigit(full[i]); ++i)
        value = value > (LONG_MAX - 9) / 10 ? LONG_MAX : value * 10 + (full[i] - '0');
    // Without digits the conversion ends where it began, right after the '+'.
    size_t end = i > digits ? i : 1;
    if (end > 4) return std::nullopt;
    return LeadingCode{negative ? -value : value, end};
}

AfterCode SplitAfterCode(const std::string& full, size_t codeEnd) {
    AfterCode out;
    size_t areaStart = FirstDigit(full, codeEnd);
    size_t areaEnd = areaStart;
    while (areaEnd < full.size() && IsDigit(full[areaEnd])) ++areaEnd;
    out.area = full.substr(areaStart, areaEnd - areaStart);
    if (areaEnd < full.size()) {
        size_t numberStart = FirstDigit(full, areaEnd);
        out.number = full.substr(numberStart);
    }
    return out;
}

std::string ComposeFullNumber(std::optional<uint32_t> code, const std::string& area, const std::string& number) {
    std::string text;
    if (code) {
        text = "+" + std::to_string(*code) + " (" + area + ") " + number;
    } else if (!area.empty() || !number.empty()) {
        text = "(" + area + ") " + number;
    }
    if (text.size() > kComposeLimit) text.resize(kComposeLimit);
    return text;
}

bool IsValidFullNumber(const std::string& full) {
    if (full.size() < kMinimumLength || full[0] != '+') return false;
    for (size_t i = 1; i < full.size(); ++i) {
        char c = full[i];
        if (!IsDigit(c) && c != ' ' && c != '(' && c != ')' && c != '-') return false;
    }
    return true;
}

void Editor::Open(const std::vector<Country>& countries) {
    view_.EnableOk(record_.phoneText && !record_.phoneText->empty());
    view_.EnableField(Field::FirstName, record_.firstName.has_value());
    view_.EnableField(Field::LastName, record_.lastName.has_value());
    view_.SetLimit(Field::FirstName, kNameLimit);
    view_.SetLimit(Field::LastName, kNameLimit);
    view_.SetLimit(Field::Area, kAreaLimit);
    view_.SetLimit(Field::Number, kNumberLimit);
    for (const Country& c : countries) view_.AddCountry(c);
    if (record_.phoneText) {
        // The field shows the number without its " SMS" suffix; writing it
        // runs the parse through the view's change notice.
        std::string shown = *record_.phoneText;
        shown.resize(shown.size() >= phonebook::kPhoneSuffixLength ? shown.size() - phonebook::kPhoneSuffixLength : 0);
        view_.SetText(Field::Full, shown);
    }
    if (record_.firstName) view_.SetText(Field::FirstName, *record_.firstName);
    if (record_.lastName) view_.SetText(Field::LastName, *record_.lastName);
}

int Editor::LastCountryWithCode(long code) {
    for (int i = view_.CountryCount() - 1; i >= 0; --i) {
        if (static_cast<long>(view_.CountryCodeAt(i)) == code) return i;
    }
    return -1;
}

void Editor::FullNumberChanging() {
    if (updating_) return;
    updating_ = true;
    std::string full = view_.Text(Field::Full, kFullReadLimit);
    std::optional<LeadingCode> code = FindLeadingCode(full);
    int country = code ? LastCountryWithCode(code->code) : -1;
    if (country >= 0) {
        view_.SelectCountry(country);
        AfterCode rest = SplitAfterCode(full, code->end);
        if (rest.number) view_.SetText(Field::Number, *rest.number);
        view_.SetText(Field::Area, rest.area);
    } else {
        view_.SelectCountry(-1);
        view_.SetText(Field::Area, "");
        view_.SetText(Field::Number, "");
    }
    updating_ = false;
    view_.EnableOk(!full.empty());
}

void Editor::PartsChanged() {
    if (updating_) return;
    view_.EnableOk(true);
    std::string area = view_.Text(Field::Area, kAreaLimit);
    std::string number = view_.Text(Field::Number, kNumberLimit);
    int selected = view_.SelectedCountry();
    std::optional<uint32_t> code;
    if (selected >= 0) code = view_.CountryCodeAt(selected);
    std::string full = ComposeFullNumber(code, area, number);
    updating_ = true;
    view_.SetText(Field::Full, full);
    updating_ = false;
}

bool Editor::Accept() {
    std::string full = view_.Text(Field::Full, kFullCheckLimit);
    if (!IsValidFullNumber(full)) {
        view_.ShowMessage(host::TranslateString(kInvalidCaption), host::TranslateString(kInvalidText));
        return false;
    }
    record_.phoneText = full + phonebook::kPhoneSuffix;
    if (record_.firstName) record_.firstName = view_.Text(Field::FirstName, kNameLimit);
    if (record_.lastName) record_.lastName = view_.Text(Field::LastName, kNameLimit);
    return true;
}

}  // namespace phone_editor
