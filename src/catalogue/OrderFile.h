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
constexpr size_t kMaxOrderPath = 259;  // the order file's whole path

// Lines end as text mode writes them on the platform.
#ifdef _WIN32
constexpr const char* kTextLineEnd = "\r\n";
#else
constexpr const char* kTextLineEnd = "\n";
#endif

std::string OrderFilePath(const std::string& folder);

// Puts the gateways the file names first, in the file's order and with its
// flags; the rest follow in their order. A missing file changes nothing.
// Linear in the file's length and the number of gateways.
void ApplyOrderFile(const std::string& path, std::vector<std::shared_ptr<GatewayInfo>>& gateways);

struct OrderLine {
    int enabled;
    std::string name;
};

// The file's lines as the catalogue reads them, in text mode, without their
// line ends; a line longer than kMaxOrderLine is cut there (`cut` set) and
// the rest of it skipped. False when the file cannot be opened.
struct OrderFileLine {
    std::string text;
    bool cut = false;
};
bool ReadOrderLines(const std::string& path, std::vector<OrderFileLine>* lines);
// The flag ("0" disables, anything else enables) and the name from the third
// character on; false for a line too short to hold both, which is skipped.
bool ParseOrderLine(const std::string& line, OrderLine* entry);

// One "%d;%s" line per entry (flag 1 for any non-zero), each ending in the
// text-mode line end.
std::string OrderFileText(const std::vector<OrderLine>& lines);
// Replaces the file whole with OrderFileText(lines): a failed or interrupted
// write leaves the old order in place. 0; -1 when the file cannot be written
// (a read-only file, a missing folder, a path longer than kMaxOrderPath).
int WriteOrderFile(const std::string& path, const std::vector<OrderLine>& lines);

}  // namespace catalogue
