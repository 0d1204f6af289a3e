// The address book's rows and what the dialog does with them: which
// contacts give rows and under which names, the Windows Address Book's
// rows, the sort order, when OK and Remove apply, and adding, editing and
// removing entries in the host's database. The dialog is a thin view.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "shell/HostRecords.h"
#include "ui/PhoneEditor.h"
#include "ui/WabSource.h"

namespace addressbook {

struct Row {
    std::optional<std::string> firstName;
    std::optional<std::string> lastName;
    std::string prefix;
    std::string number;
    std::string locationModule;  // where the phone text lives (contact rows)
    std::string locationSetting;
    host::Contact contact = nullptr;  // null for address book rows
    wab::EntryId wabEntryId;          // empty for contact rows
};
using RowList = std::vector<std::unique_ptr<Row>>;

enum Column { kFirstNameColumn, kLastNameColumn, kPrefixColumn, kNumberColumn, kColumnCount };
extern const char* const kColumnTitles[kColumnCount];

// One row per host contact with a usable phone entry, in database order.
RowList ContactRows();
// Names from the contact's protocol module: "FirstName" (else "Nick") and "LastName".
void ReadContactNames(host::Contact contact, Row& row);
// A hidden phone contact of this plug-in: "Protocol"/"p" is exactly "ZUVE_ROV".
bool IsPhoneContact(host::Contact contact);

// Fills a row from its address book entry: the mobile number split into
// prefix and number, then surname and given name where present. False
// (row untouched) when the entry has no usable mobile number.
bool ReadWabEntry(wab::Source& source, Row& row);
// One row per address book entry with a usable mobile number.
RowList WabRows(wab::Source& source);

// One sort direction for all columns and every opening, +1 when the
// plug-in loads; a header click negates it before sorting.
int FlipSortDirection();
// Case-insensitive comparison of one column's texts (absent = empty),
// times the direction.
int CompareRows(const Row& a, const Row& b, int column, int direction);
const std::string* CellText(const Row& row, int column);

// The prefix box's search: the first item whose text begins with the
// prefix (ASCII letters without regard to case), from the second item on
// and ending with the first; -1 when none does (or the prefix is empty).
int FindPrefixItem(const std::vector<std::string>& items, const std::string& prefix);
bool CanTake(const Row& row, const std::vector<std::string>& prefixItems);
bool CanRemove(const Row& row);

// Add: the editor's record for a new entry (both names editable, no number).
phone_editor::EditRecord NewEntryRecord();
// Stores a confirmed new entry as a hidden phone contact with its names
// and fills the row. False when the host made no contact: nothing stored.
bool StoreNewEntry(const phone_editor::EditRecord& confirmed, Row& row);

// Edit of a contact row: names only for hidden phone contacts; the number
// is the text of the row's setting.
phone_editor::EditRecord EditRecordFor(const Row& row);
// Writes a confirmed edit back where it came from and refreshes the row.
void ApplyEdit(const phone_editor::EditRecord& confirmed, Row& row);

// Remove of a contact row: the whole hidden contact, or the one setting
// (closing the gap among "MyPhone%d").
void RemoveContactEntry(const Row& row);

}  // namespace addressbook
