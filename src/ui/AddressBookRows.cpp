#include "ui/AddressBookRows.h"

#include <atomic>
#include <cstring>

#include "shell/HostLink.h"
#include "shell/Settings.h"
#include "catalogue/Catalogue.h"
#include "script/profile/NumberedKeys.h"
#include "shell/Text.h"
#include "ui/PhoneBook.h"
#include "ui/SendDialogLogic.h"

namespace addressbook {
namespace {

constexpr const char* kPhoneModule = phonebook::kContactModule;  // marks hidden phone contacts, holds their names
constexpr const char* kNumberedModule = phonebook::kPhoneModule;
constexpr const char* kNumberedStem = phonebook::kPhoneSettingStem;
constexpr int kLastNumberedIndex = 255;

std::atomic<int> g_sortDirection{1};

std::string NumberedName(int index) { return profile::NumberedName(kNumberedStem, index); }

// The index of a "MyPhone%d" name, or -1 for any other name.
int NumberedIndex(const std::string& setting) {
    size_t stem = std::strlen(kNumberedStem);
    if (setting.compare(0, stem, kNumberedStem) != 0 || setting.size() == stem || setting.size() > stem + 4) return -1;
    int n = 0;
    for (size_t i = stem; i < setting.size(); ++i) {
        if (setting[i] < '0' || setting[i] > '9') return -1;
        n = n * 10 + (setting[i] - '0');
    }
    return n;
}

void TakeEntry(const PhoneEntry& entry, Row& row) {
    row.prefix = entry.prefix.value_or("");
    row.number = entry.number.value_or("");
}

void TakeLocation(const PhoneEntry& entry, Row& row) {
    row.locationModule = entry.location ? entry.location->module : "";
    row.locationSetting = entry.location ? entry.location->setting : "";
}

int CompareNoCase(const std::string& a, const std::string& b) {
    size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        unsigned char x = static_cast<unsigned char>(text::FoldAscii(a[i]));
        unsigned char y = static_cast<unsigned char>(text::FoldAscii(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

}  // namespace

const char* const kColumnTitles[kColumnCount] = {LPGEN("First name"), LPGEN("Last name"), LPGEN("Prefix"),
                                                 LPGEN("Number")};

bool IsPhoneContact(host::Contact contact) {
    std::optional<std::string> protocol = settings::ReadText("p", contact, "Protocol");
    return protocol && *protocol == kPhoneModule;
}

void ReadContactNames(host::Contact contact, Row& row) {
    std::optional<std::string> protocol = settings::ReadText("p", contact, "Protocol");
    if (!protocol) return;
    const char* module = protocol->c_str();
    row.firstName = settings::ReadText("FirstName", contact, module);
    if (!row.firstName) row.firstName = settings::ReadText("Nick", contact, module);
    row.lastName = settings::ReadText("LastName", contact, module);
}

RowList ContactRows() {
    RowList rows;
    for (host::Contact c = host::FindFirstContact(); c; c = host::FindNextContact(c)) {
        PhoneEntry entry = ReadPhoneEntry(c);
        if (!entry.Valid()) continue;
        auto row = std::make_unique<Row>();
        ReadContactNames(c, *row);
        row->contact = c;
        TakeEntry(entry, *row);
        TakeLocation(entry, *row);
        rows.push_back(std::move(row));
    }
    return rows;
}

bool ReadWabEntry(wab::Source& source, Row& row) {
    std::optional<wab::EntryTexts> texts = source.ReadEntry(row.wabEntryId);
    if (!texts || !texts->mobile) return false;
    std::string prefix, number;
    if (!SplitPhoneText(*texts->mobile, *CurrentPrefixTable(), &prefix, &number) || number.empty()) return false;
    row.prefix = prefix;
    row.number = number;
    if (texts->surname) row.lastName = texts->surname;
    if (texts->givenName) row.firstName = texts->givenName;
    return true;
}

RowList WabRows(wab::Source& source) {
    RowList rows;
    for (wab::EntryId& id : source.EntryIds()) {
        auto row = std::make_unique<Row>();
        row->wabEntryId = std::move(id);
        if (ReadWabEntry(source, *row)) rows.push_back(std::move(row));
    }
    return rows;
}

int FlipSortDirection() {
    // Only the interface thread clicks headers; atomic all the same.
    int direction = g_sortDirection.load();
    g_sortDirection.store(-direction);
    return -direction;
}

const std::string* CellText(const Row& row, int column) {
    switch (column) {
    case kFirstNameColumn: return row.firstName ? &*row.firstName : nullptr;
    case kLastNameColumn: return row.lastName ? &*row.lastName : nullptr;
    case kPrefixColumn: return &row.prefix;
    case kNumberColumn: return &row.number;
    default: return nullptr;
    }
}

int CompareRows(const Row& a, const Row& b, int column, int direction) {
    if (column < 0 || column >= kColumnCount) return 0;
    static const std::string kEmpty;
    const std::string* x = CellText(a, column);
    const std::string* y = CellText(b, column);
    return CompareNoCase(x ? *x : kEmpty, y ? *y : kEmpty) * direction;
}

int FindPrefixItem(const std::vector<std::string>& items, const std::string& prefix) {
    // A row without prefix matches every item; no gateway offers it, so none is taken.
    if (prefix.empty()) return -1;
    return senddialog::FindItemBeginning(items, prefix, 1);
}

bool CanTake(const Row& row, const std::vector<std::string>& prefixItems) {
    return FindPrefixItem(prefixItems, row.prefix) >= 0;
}

bool CanRemove(const Row& row) { return row.wabEntryId.empty(); }

phone_editor::EditRecord NewEntryRecord() {
    phone_editor::EditRecord record;
    record.firstName = "";
    record.lastName = "";
    return record;
}

bool StoreNewEntry(const phone_editor::EditRecord& confirmed, Row& row) {
    if (!confirmed.phoneText) return false;
    host::Contact contact = AddPhoneContact(std::nullopt, *confirmed.phoneText);
    if (!contact) return false;
    row.contact = contact;
    row.firstName = confirmed.firstName.value_or("");
    row.lastName = confirmed.lastName.value_or("");
    PhoneEntry entry = ReadPhoneEntry(contact);
    TakeEntry(entry, row);
    TakeLocation(entry, row);
    settings::WriteText("FirstName", *row.firstName, contact, kPhoneModule);
    settings::WriteText("LastName", *row.lastName, contact, kPhoneModule);
    return true;
}

phone_editor::EditRecord EditRecordFor(const Row& row) {
    phone_editor::EditRecord record;
    if (IsPhoneContact(row.contact)) {
        record.firstName = row.firstName.value_or("");
        record.lastName = row.lastName.value_or("");
    }
    record.phoneText = settings::ReadText(row.locationSetting.c_str(), row.contact, row.locationModule.c_str());
    return record;
}

void ApplyEdit(const phone_editor::EditRecord& confirmed, Row& row) {
    if (confirmed.firstName) {
        settings::WriteText("FirstName", *confirmed.firstName, row.contact, kPhoneModule);
        row.firstName = confirmed.firstName;
    }
    if (confirmed.lastName) {
        settings::WriteText("LastName", *confirmed.lastName, row.contact, kPhoneModule);
        row.lastName = confirmed.lastName;
    }
    if (confirmed.phoneText) {
        settings::WriteText(row.locationSetting.c_str(), *confirmed.phoneText, row.contact, row.locationModule.c_str());
    }
    TakeEntry(ReadPhoneEntry(row.contact), row);
}

void RemoveContactEntry(const Row& row) {
    if (!row.contact) return;
    if (IsPhoneContact(row.contact)) {
        host::DeleteContact(row.contact);
        return;
    }
    settings::Delete(row.locationSetting.c_str(), row.contact, row.locationModule.c_str());
    if (row.locationModule.compare(0, 8, kNumberedModule) != 0) return;
    int n = NumberedIndex(row.locationSetting);
    if (n < 0 || n >= kLastNumberedIndex) return;
    // Every later setting moves down as it is, a value that is no text too:
    // only a missing one ends the list.
    profile::ReadNumbered(
        {kNumberedStem, n + 1, kLastNumberedIndex},
        [&](const std::string& name) { return settings::ReadValue(name.c_str(), row.contact, kNumberedModule); },
        [&](int k, const std::string& name, const std::optional<settings::Value>& moved) {
            settings::WriteValue(NumberedName(k - 1).c_str(), *moved, row.contact, kNumberedModule);
            settings::Delete(name.c_str(), row.contact, kNumberedModule);
            return true;
        });
}

}  // namespace addressbook
