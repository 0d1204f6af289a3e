#include "shell/OldNumbers.h"

#include <cstdio>

#include "shell/HostLink.h"
#include "shell/Settings.h"
#include "ui/PhoneBook.h"

namespace plugin {
namespace {

constexpr size_t kNameSize = 16;
constexpr int kMaxIndex = 65535;

bool SomeContactHolds(const std::string& prefix, const std::string& number) {
    for (host::Contact c = host::FindFirstContact(); c; c = host::FindNextContact(c)) {
        PhoneEntry entry = ReadPhoneEntry(c);
        bool match = entry.Valid() && entry.prefix && *entry.prefix == prefix && *entry.number == number;
        FreePhoneEntry(entry);
        if (match) return true;
    }
    return false;
}

}  // namespace

void MoveOldLastNumbers() {
    for (int i = 0; i < kMaxIndex; ++i) {
        char prefixName[kNameSize], numberName[kNameSize];
        std::snprintf(prefixName, sizeof prefixName, "LastPrefix%d", i);
        std::snprintf(numberName, sizeof numberName, "LastNumber%d", i);
        std::optional<std::string> prefix = settings::ReadText(prefixName);
        if (!prefix) {
            if (i == 0) continue;
            return;
        }
        std::optional<std::string> number = settings::ReadText(numberName);
        if (!number) {
            settings::Delete(prefixName);
            continue;
        }
        if (!SomeContactHolds(*prefix, *number) && !AddPhoneContact(*prefix, *number)) continue;
        settings::Delete(numberName);
        settings::Delete(prefixName);
    }
}

}  // namespace plugin
