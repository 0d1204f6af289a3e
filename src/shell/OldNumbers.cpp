#include "shell/OldNumbers.h"

#include "script/profile/NumberedKeys.h"
#include "shell/Settings.h"
#include "ui/PhoneBook.h"

namespace plugin {
namespace {

constexpr int kMaxIndex = 65535;

}  // namespace

void MoveOldLastNumbers() {
    // The list may start at 0 or at 1; past that, a gap ends it.
    profile::ForEachNumbered({"LastPrefix", 0, kMaxIndex - 1}, [](int i, const std::string& prefixName) {
        const std::string numberName = profile::NumberedName("LastNumber", i);
        std::optional<std::string> prefix = settings::ReadText(prefixName.c_str());
        if (!prefix) return i == 0;
        std::optional<std::string> number = settings::ReadText(numberName.c_str());
        if (!number) {
            settings::Delete(prefixName.c_str());
            return true;
        }
        if (!FindPhoneContact(*prefix, *number) && !AddPhoneContact(*prefix, *number)) return true;
        settings::Delete(numberName.c_str());
        settings::Delete(prefixName.c_str());
        return true;
    });
}

}  // namespace plugin
