// What the send dialog decides, apart from its windows: the prefix list and
// its first selection, the numbers listed for a prefix, and when a typed
// number joins the phone book.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/PrefixTable.h"
#include "ui/SendDialog.h"

namespace senddialog {

// One item of the prefix list: the text shown ("43 - Austria") and the
// table entry it carries, which reads as the prefix alone. The pointer
// lives as long as the table.
struct PrefixItem {
    std::string shown;
    const char* prefix;
};
std::vector<PrefixItem> PrefixItems(const PrefixTable& table);

// The first item, from `start` on and wrapping round to the items before
// it, whose shown text begins with `text` (ASCII letters in either case);
// -1 when none does.
int FindItemBeginning(const std::vector<std::string>& shown, const std::string& text, size_t start);

// The item selected when the dialog opens: the one whose prefix equals the
// request's exactly; with no request, the one whose prefix equals the last
// selected prefix exactly, else the one the list's search finds for it
// (starting at the second item); else the first.
int InitialPrefixIndex(const std::vector<PrefixItem>& items, const SendDialogRequest* request,
                       const std::optional<std::string>& lastSelected);

// The numbers of every contact whose phone entry has exactly this prefix,
// in contact order (the list sorts them itself).
std::vector<std::string> NumbersForPrefix(const std::string& prefix);

// Whether Send stores the typed number as a new phone entry: when a prefix
// is selected, the number is not empty, and no listed number begins with it
// (ASCII letters in either case).
bool ShouldStoreNumber(const char* selectedPrefix, const std::string& typed, const std::vector<std::string>& listed);

// Status texts of the dialog itself.
constexpr const char* kAborting = "Aborting... (This may take some time)";
constexpr const char* kNoGateway = "There is no Gateway .ini file in the given path, so I cannot send SMS.";

}  // namespace senddialog
