#include "ui/SendDialogLogic.h"

#include <algorithm>

#include "shell/HostLink.h"
#include "ui/PhoneBook.h"

namespace senddialog {
namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool BeginsNoCase(const std::string& text, const std::string& start) {
    if (start.size() > text.size()) return false;
    for (size_t i = 0; i < start.size(); ++i)
        if (Lower(text[i]) != Lower(start[i])) return false;
    return true;
}

}  // namespace

std::vector<PrefixItem> PrefixItems(const PrefixTable& table) {
    std::vector<PrefixItem> items;
    for (size_t i = 0; i < table.Count(); ++i)
        items.push_back({std::string(table.Entry(i)) + " - " + table.Description(i), table.Entry(i)});
    return items;
}

int FindItemBeginning(const std::vector<std::string>& shown, const std::string& text, size_t start) {
    for (size_t n = 0; n < shown.size(); ++n) {
        size_t i = (start + n) % shown.size();
        if (BeginsNoCase(shown[i], text)) return static_cast<int>(i);
    }
    return -1;
}

int InitialPrefixIndex(const std::vector<PrefixItem>& items, const SendDialogRequest* request,
                       const std::optional<std::string>& lastSelected) {
    int index = 0;
    if (request && request->entry && request->entry->prefix) {
        for (size_t i = 0; i < items.size(); ++i)
            if (*request->entry->prefix == items[i].prefix) index = static_cast<int>(i);
    }
    if (!request && index == 0 && lastSelected) {
        // A prefix that another begins (43 and 436) is found by the search
        // as the longer one: an item with exactly the saved prefix wins.
        for (size_t i = 0; i < items.size(); ++i)
            if (*lastSelected == items[i].prefix) return static_cast<int>(i);
        std::vector<std::string> shown;
        for (const PrefixItem& item : items) shown.push_back(item.shown);
        index = std::max(0, FindItemBeginning(shown, *lastSelected, 1));
    }
    return index;
}

std::vector<std::string> NumbersForPrefix(const std::string& prefix) {
    std::vector<std::string> numbers;
    for (host::Contact c = host::FindFirstContact(); c; c = host::FindNextContact(c)) {
        PhoneEntry entry = ReadPhoneEntry(c);
        if (entry.Valid() && entry.prefix && *entry.prefix == prefix) numbers.push_back(*entry.number);
        FreePhoneEntry(entry);
    }
    return numbers;
}

bool ShouldStoreNumber(const char* selectedPrefix, const std::string& typed, const std::vector<std::string>& listed) {
    if (!selectedPrefix || typed.empty()) return false;
    for (const std::string& number : listed)
        if (BeginsNoCase(number, typed)) return false;
    return true;
}

}  // namespace senddialog
