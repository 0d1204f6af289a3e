#include "catalogue/PrefixTable.h"

#include <cstdio>
#include <cstring>

#include "script/Extract.h"
#include "script/profile/NumberedKeys.h"
#include "script/profile/ProfileFile.h"
#include "shell/Notice.h"

namespace {
constexpr size_t kNoticeSize = 256;
}  // namespace

const char* PrefixTable::Entry(size_t index) const { return index < entries.size() ? entries[index].c_str() : nullptr; }

const char* PrefixTable::Description(size_t index) const {
    if (index >= entries.size()) return nullptr;
    const std::string& entry = entries[index];
    return entry.c_str() + std::strlen(entry.c_str()) + 1;  // std::string keeps a zero after the end
}

long PrefixTable::Find(const char* prefix, size_t length) const {
    for (size_t i = 0; i < entries.size(); ++i) {
        const char* own = entries[i].c_str();
        if (std::strlen(own) == length && std::memcmp(own, prefix, length) == 0) return static_cast<long>(i);
    }
    return -1;
}

namespace {

GatewayPrefixList ReadPrefixes(const profile::file::Parsed& doc) {
    GatewayPrefixList list;
    profile::ReadNumbered(
        {"Prefix"},
        [&](const std::string& key) {
            return profile::file::Value(doc, "Gateway", key.c_str(), script::kPrefixValueSize);
        },
        [&](int n, const std::string&, std::string& value) {
            if (value.find(';') == std::string::npos) {
                list.unseparated = n;
                return false;
            }
            list.values.push_back(std::move(value));
            return true;
        });
    return list;
}

std::vector<std::string> Reported(GatewayPrefixList list, const char* fileName) {
    if (list.unseparated != 0) {
        char notice[kNoticeSize];
        std::snprintf(notice, sizeof notice, "Error: No ; seperator in Prefix #%d in Gateway file %s", list.unseparated,
                      fileName ? fileName : "");
        ShowNotice(notice);
    }
    return std::move(list.values);
}

}  // namespace

GatewayPrefixList ReadPrefixList(const std::string& path) {
    // A file that cannot be read reads as empty, as each of its keys would.
    profile::file::Parsed doc;
    profile::file::Load(path.c_str(), doc);
    return ReadPrefixes(doc);
}

GatewayPrefixList ReadPrefixList(const profile::file::Parsed& doc) { return ReadPrefixes(doc); }

std::vector<std::string> ReadGatewayPrefixes(const profile::file::Parsed& doc, const char* fileName) {
    return Reported(ReadPrefixList(doc), fileName);
}

void MergePrefixes(PrefixTable& table, const std::vector<std::string>& values) {
    for (const std::string& value : values) {
        size_t separator = value.find(';');
        if (separator == std::string::npos) continue;
        // A zero byte inside the value would end the prefix early; compare
        // what the entry will read as.
        size_t length = std::strlen(value.c_str());
        if (length < separator) separator = length;
        if (table.Find(value.c_str(), separator) >= 0) continue;
        if (table.entries.size() >= PrefixTable::kMaxEntries) continue;
        std::string entry = value;
        if (separator < entry.size() && entry[separator] == ';') entry[separator] = '\0';
        table.entries.push_back(std::move(entry));
    }
}
