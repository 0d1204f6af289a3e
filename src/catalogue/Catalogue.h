// The gateway catalogue: the gateways of the gateway folder in the order in
// which a send tries them, and the table of prefixes they support.
//
// Send jobs read and rotate the list on their own threads while the options
// pages rebuild and reorder it on the interface thread. So every operation
// takes the catalogue's one lock, and gateways are shared nodes: a job keeps
// the GatewayRef of the gateway it is trying, which stays valid whatever
// happens to the list meanwhile. A scan builds its list aside and swaps it
// in whole, so nobody sees a half-built catalogue.
#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/PrefixTable.h"

struct GatewayInfo {
    std::string name;             // the file name as the folder listing gave it, e.g. abc.ini
    std::string path;             // GatewayFolder, the separator and name
    std::atomic<int> enabled{1};  // 0: the send job skips the gateway
};
using GatewayRef = std::shared_ptr<GatewayInfo>;

// A new, empty catalogue (a present one is emptied). 0; -1 out of memory.
int CreateCatalogue();
// Appends the gateway `fileName` of GatewayFolder and gathers its prefixes.
// 0; -1 when there is no catalogue or memory runs out (nothing is added).
int AddGateway(const char* fileName, int enabled);
// Drops the list and the prefix table; the catalogue is absent until the
// next CreateCatalogue. Gateways a job still holds stay valid.
void FreeCatalogue();
int CountGateways();
// The first gateway becomes the last. 0; -1 with fewer than two gateways.
int RotateGateways();
// Moves `gateway` to the end of the list, wherever it stands. Preferred by a
// job that failed with a gateway: another job's rotation since it took the
// first gateway cannot make it move someone else's. 0; -1 when the gateway
// is not (or no longer) in the list.
int MoveGatewayToEnd(const GatewayRef& gateway);
// The first gateway, or none when the list is empty.
GatewayRef FirstGateway();
// The gateway whose name equals `name` exactly, or none. `position` (may be
// null) receives its index; its predecessor is the one before, or the head.
GatewayRef FindGateway(const char* name, size_t* position = nullptr);

// Fills the catalogue from GatewayFolder and the order file: see Scan.cpp.
// 0 when done (also when the folder is missing or empty); -1 when there is
// no catalogue or memory runs out.
int ScanGateways();
// Free, create and scan as one step: jobs running meanwhile see either the
// old list or the new one, never an empty catalogue in between.
int RebuildCatalogue();

// The prefix table as it stands; the snapshot stays valid (and unchanged)
// for as long as the caller keeps it, across rebuilds. Never null.
std::shared_ptr<const PrefixTable> CurrentPrefixTable();

// --- for the Gateway order page -----------------------------------------------
struct GatewayView {
    GatewayRef gateway;
    std::string name;
    std::string path;
    int enabled;
};
// The list in order, as it stands.
std::vector<GatewayView> ListGateways();

struct GatewayPlacement {
    GatewayRef gateway;
    int enabled;
};
// Relinks the list: the placed gateways come first in the given order with
// the given flags; gateways of the list that are not placed follow in their
// order; placed gateways no longer in the list (a rebuild came between) and
// repeated placements are ignored. 0; -1 when there is no catalogue.
int ReorderGateways(const std::vector<GatewayPlacement>& order);
// 0; -1 when the gateway is not in the list.
int SetGatewayEnabled(const GatewayRef& gateway, int enabled);
