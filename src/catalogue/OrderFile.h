// The order file "gateways.ord" of the gateway folder: one line per gateway,
// the enabled flag "0" or "1", ";", and the gateway's file name, written in
// text mode.
#pragma once

#include <memory>
#include <string>
#include <vector>

struct GatewayInfo;

namespace catalogue {

constexpr const char* kOrderFileName = "gateways.ord";
constexpr size_t kMaxOrderLine = 259;

std::string OrderFilePath(const std::string& folder);

// Puts the gateways the file names first, in the file's order and with its
// flags; the rest follow in their order. A missing file changes nothing.
// Linear in the file's length and the number of gateways.
void ApplyOrderFile(const std::string& path, std::vector<std::shared_ptr<GatewayInfo>>& gateways);

struct OrderLine {
    int enabled;
    std::string name;
};
// Writes one "%d;%s\n" line per entry (flag 1 for any non-zero), replacing
// the file. 0; -1 when the file cannot be written.
int WriteOrderFile(const std::string& path, const std::vector<OrderLine>& lines);

}  // namespace catalogue
