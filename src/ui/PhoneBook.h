// The phone book: numbers kept in the host's contact database. A stored
// number is a hidden contact whose "UserInfo"/"MyPhone0" holds a phone text
// such as "+43 (650) 1234567 SMS"; the numbers other contacts publish
// ("Cellular" of their protocol, "MyPhone0", "MyPhone1", ...) count too.
#pragma once

#include <optional>
#include <string>

#include "catalogue/PrefixTable.h"
#include "shell/HostRecords.h"

namespace phonebook {

constexpr const char* kContactModule = "ZUVE_ROV";  // marks our hidden contacts, holds their names
constexpr const char* kPhoneModule = "UserInfo";
constexpr const char* kPhoneSettingStem = "MyPhone";  // "MyPhone0", "MyPhone1", ...
constexpr const char* kCellularSetting = "Cellular";
constexpr size_t kMaxPhoneText = 63;
// Every phone text ends in this suffix.
constexpr const char* kPhoneSuffix = " SMS";
constexpr size_t kPhoneSuffixLength = 4;

}  // namespace phonebook

// Where a phone text was read from: module and setting name.
struct PhoneLocation {
    std::string module;
    std::string setting;
};

// One phone book entry; every part may be absent. An entry is valid when it
// has a number.
struct PhoneEntry {
    std::optional<std::string> prefix;  // country and area digits, e.g. 43650
    std::optional<std::string> number;  // subscriber digits, e.g. 1234567
    std::optional<PhoneLocation> location;
    std::optional<std::string> reserved;  // never set by ReadPhoneEntry; free for callers

    bool Valid() const { return number.has_value(); }
};

// Removes, in place, every character that is not a decimal digit.
void KeepDigits(std::string& text);

// Whether a setting's value is a phone text: longer than four characters
// and ending in " SMS".
bool IsPhoneText(const std::string& text);

// Splits a phone text into prefix and number. With a ')' the digits before
// the first one are the prefix and the digits after it the number (either
// may be empty). Without, the first entry of `table` (in table order, not
// the longest) that begins the digits is the prefix. False when neither
// applies.
bool SplitPhoneText(const std::string& text, const PrefixTable& table, std::string* prefix, std::string* number);

// The contact's first usable phone text: its base protocol's "Cellular",
// then "UserInfo"/"MyPhone0", "MyPhone1", ... up to the first absent one.
// An entry with nothing set when there is none. Splits with the current
// prefix table.
PhoneEntry ReadPhoneEntry(host::Contact contact);
PhoneEntry ReadPhoneEntry(host::Contact contact, const PrefixTable& table);

// The phone text AddPhoneContact stores: "+CC (AREA) NUMBER SMS", the
// country being the prefix's first two characters; without a prefix the
// number unchanged. Cut to 63 characters.
std::string MakePhoneText(const std::optional<std::string>& prefix, const std::string& number);

// Creates a hidden phone contact (on the host's main thread). The new
// contact, or 0 when the host made none (then nothing is written).
host::Contact AddPhoneContact(const std::optional<std::string>& prefix, const std::string& number);

// The contact whose phone entry has exactly this prefix and number:
// `preferred` when its entry has them, else the first such contact in
// database order; 0 when none has.
host::Contact FindPhoneContact(const std::string& prefix, const std::string& number, host::Contact preferred = nullptr);

// Empties the entry: prefix, number, location and reserved.
void FreePhoneEntry(PhoneEntry& entry);
