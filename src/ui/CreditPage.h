// What the Credit options page shows, apart from its window: one row for
// each gateway that tells its credit, with the last known figure and when it
// was read.
#pragma once

#include <string>
#include <vector>

namespace ui {

struct CreditRow {
    std::string gateway;  // the file name
    std::string credit;   // "12.40 EUR"; translated "not read yet" before the first reading
    std::string readAt;   // "2026-12-08 14:02" (local time), "-" before the first reading
};

// The gateways of the catalogue, in its order, that have a credit section.
std::vector<CreditRow> CreditRows();

}  // namespace ui
