#include "ui/PhoneBook.h"

#include <algorithm>
#include <climits>

#include "catalogue/Catalogue.h"
#include "script/profile/NumberedKeys.h"
#include "shell/HostLink.h"
#include "shell/Settings.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Splits one setting's value; the entry when it gives a number.
std::optional<PhoneEntry> EntryFrom(const std::optional<std::string>& value, const PrefixTable& table,
                                    const char* module, const char* setting) {
    if (!value || !IsPhoneText(*value)) return std::nullopt;
    std::string prefix, number;
    // A split without digits after the prefix gives no number.
    if (!SplitPhoneText(*value, table, &prefix, &number) || number.empty()) return std::nullopt;
    PhoneEntry entry;
    entry.prefix = std::move(prefix);
    entry.number = std::move(number);
    entry.location = PhoneLocation{module, setting};
    return entry;
}

}  // namespace

void KeepDigits(std::string& text) {
    text.erase(std::remove_if(text.begin(), text.end(), [](char c) { return !IsDigit(c); }), text.end());
}

bool IsPhoneText(const std::string& text) {
    const size_t n = phonebook::kPhoneSuffixLength;
    return text.size() > n && text.compare(text.size() - n, n, phonebook::kPhoneSuffix) == 0;
}

bool SplitPhoneText(const std::string& text, const PrefixTable& table, std::string* prefix, std::string* number) {
    size_t bracket = text.find(')');
    if (bracket != std::string::npos) {
        *prefix = text.substr(0, bracket);
        *number = text.substr(bracket + 1);
        KeepDigits(*prefix);
        KeepDigits(*number);
        return true;
    }
    std::string digits = text;
    KeepDigits(digits);
    for (size_t i = 0; i < table.Count(); ++i) {
        std::string entry = table.Entry(i);
        if (digits.compare(0, entry.size(), entry) == 0) {
            *prefix = entry;
            *number = digits.substr(entry.size());
            return true;
        }
    }
    return false;
}

PhoneEntry ReadPhoneEntry(host::Contact contact) { return ReadPhoneEntry(contact, *CurrentPrefixTable()); }

PhoneEntry ReadPhoneEntry(host::Contact contact, const PrefixTable& table) {
    host::Word proto = host::CallService("Proto/GetContactBaseProto", reinterpret_cast<host::Word>(contact), 0);
    if (proto != 0 && proto != host::kServiceNotFound) {
        // The protocol name belongs to the host; copy it before reading settings.
        std::string module = reinterpret_cast<const char*>(proto);
        auto value = settings::ReadText(phonebook::kCellularSetting, contact, module.c_str());
        if (auto entry = EntryFrom(value, table, module.c_str(), phonebook::kCellularSetting)) return *entry;
    }
    // Only a missing setting ends the list: a value that is no text (or no
    // phone text) is passed over.
    PhoneEntry found;
    profile::ReadNumbered(
        {phonebook::kPhoneSettingStem, 0, INT_MAX - 1},
        [&](const std::string& name) { return settings::ReadValue(name.c_str(), contact, phonebook::kPhoneModule); },
        [&](int, const std::string& name, const std::optional<settings::Value>& value) {
            if (!value->IsText()) return true;
            auto entry = EntryFrom(value->text, table, phonebook::kPhoneModule, name.c_str());
            if (entry) found = *entry;
            return !entry;
        });
    return found;
}

std::string MakePhoneText(const std::optional<std::string>& prefix, const std::string& number) {
    std::string text;
    if (prefix) {
        std::string country = prefix->substr(0, 2);
        std::string area = prefix->size() > 2 ? prefix->substr(2) : std::string();
        text = "+" + country + " (" + area + ") " + number + phonebook::kPhoneSuffix;
    } else {
        text = number;
    }
    if (text.size() > phonebook::kMaxPhoneText) text.resize(phonebook::kMaxPhoneText);
    return text;
}

host::Contact AddPhoneContact(const std::optional<std::string>& prefix, const std::string& number) {
    host::Contact contact = host::AddContact();
    if (!contact) return nullptr;
    // The protocol first: the host's contact list takes "Hidden" and the
    // name only from a contact whose account it knows.
    settings::WriteText("p", phonebook::kContactModule, contact, "Protocol");
    std::string phone = MakePhoneText(prefix, number);
    settings::WriteText(profile::NumberedName(phonebook::kPhoneSettingStem, 0).c_str(), phone, contact,
                        phonebook::kPhoneModule);
    settings::WriteText("MyHandle", phone, contact, "CList");  // the name the host's windows show
    settings::WriteByte("Hidden", 1, contact, "CList");
    return contact;
}

void FreePhoneEntry(PhoneEntry& entry) { entry = PhoneEntry{}; }

namespace {
bool Holds(host::Contact contact, const std::string& prefix, const std::string& number) {
    PhoneEntry entry = ReadPhoneEntry(contact);
    bool match = entry.Valid() && entry.prefix && *entry.prefix == prefix && *entry.number == number;
    FreePhoneEntry(entry);
    return match;
}
}  // namespace

host::Contact FindPhoneContact(const std::string& prefix, const std::string& number, host::Contact preferred) {
    if (preferred && Holds(preferred, prefix, number)) return preferred;
    for (host::Contact c = host::FindFirstContact(); c; c = host::FindNextContact(c))
        if (Holds(c, prefix, number)) return c;
    return nullptr;
}
