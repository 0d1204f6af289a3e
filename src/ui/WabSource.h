// The Windows Address Book as the address book dialog needs it: the entry
// identifiers of the personal address book, three texts of an entry, and
// the platform's own details window. One source is opened per dialog and
// held until it closes (Edit of an entry needs it); destroying it releases
// every object and unloads the library.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace wab {

using EntryId = std::vector<uint8_t>;

// Each text is present only when the entry holds it as one 8-bit text.
struct EntryTexts {
    std::optional<std::string> mobile;
    std::optional<std::string> surname;
    std::optional<std::string> givenName;
};

class Source {
public:
    virtual ~Source() = default;
    // The personal address book's entries; empty when any step is refused.
    virtual std::vector<EntryId> EntryIds() = 0;
    // Nothing when the entry cannot be opened.
    virtual std::optional<EntryTexts> ReadEntry(const EntryId& id) = 0;
    // The details window, owned by `owner`; true when it ended normally.
    virtual bool ShowDetails(void* owner, const EntryId& id) = 0;
};

// The library named by the registry (else "wab32.dll"), loaded and opened;
// null when it is missing or refuses to open. Always null off Windows.
std::unique_ptr<Source> OpenAddressBook();

}  // namespace wab
