// The country and network prefixes the gateways support, gathered from the
// "Prefix%d" keys of their definition files ("prefix;description").
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace profile {
namespace file {
struct Parsed;
}
}  // namespace profile

struct PrefixTable {
    static constexpr size_t kMaxEntries = 255;

    // Each entry is "prefix", a zero byte and the description, so its
    // c_str() reads as the prefix alone. Prefixes are unique (exact match).
    std::vector<std::string> entries;

    size_t Count() const { return entries.size(); }
    // The prefix alone; null past the last entry. The pointer lives as long
    // as the table.
    const char* Entry(size_t index) const;
    // The text after the entry's zero byte; null past the last entry.
    const char* Description(size_t index) const;
    // The index of the entry whose prefix equals `prefix`, or -1.
    long Find(const char* prefix, size_t length) const;
};

// "Prefix1", "Prefix2", ... of section "Gateway" of the definition file at
// `path` (each up to 255 characters), up to the first absent one or the
// first without ";", which ends the list. The file is read once, with the
// reader of whole files on every platform.
struct GatewayPrefixList {
    std::vector<std::string> values;  // "prefix;description", in order
    int unseparated = 0;              // the number of the value without ";" that ended it; 0: none
};
GatewayPrefixList ReadPrefixList(const std::string& path);
// The same of a file read already.
GatewayPrefixList ReadPrefixList(const profile::file::Parsed& doc);
// The same, with a value without ";" reported in a notice naming `fileName`.
// Gives the values gathered, in order.
std::vector<std::string> ReadGatewayPrefixes(const profile::file::Parsed& doc, const char* fileName);

// Adds each "prefix;description" value whose prefix the table lacks, its
// first ";" turned into a zero byte; values past 255 entries are dropped.
void MergePrefixes(PrefixTable& table, const std::vector<std::string>& values);
