#include "catalogue/Catalogue.h"

#include <algorithm>
#include <mutex>
#include <new>
#include <unordered_set>

#include "catalogue/CatalogueBuild.h"
#include "catalogue/GatewayFolder.h"
#include "script/profile/ProfileFile.h"

namespace {

struct LiveCatalogue {
    bool present = false;
    std::vector<GatewayRef> gateways;
    std::shared_ptr<const PrefixTable> prefixes;
};

std::mutex g_mutex;
LiveCatalogue g_catalogue;

std::shared_ptr<const PrefixTable> EmptyTable() {
    static const std::shared_ptr<const PrefixTable> empty = std::make_shared<const PrefixTable>();
    return empty;
}

long IndexOf(const std::vector<GatewayRef>& gateways, const GatewayInfo* gateway) {
    for (size_t i = 0; i < gateways.size(); ++i) {
        if (gateways[i].get() == gateway) return static_cast<long>(i);
    }
    return -1;
}

// Makes `list` the catalogue's contents. 0; -1 when there is no catalogue.
int InstallGatewayList(catalogue::GatewayList&& list) {
    try {
        auto prefixes = std::make_shared<const PrefixTable>(std::move(list.prefixes));
        std::vector<GatewayRef> old;  // released after the lock is let go
        std::lock_guard<std::mutex> lock(g_mutex);
        if (!g_catalogue.present) return -1;
        old.swap(g_catalogue.gateways);
        g_catalogue.gateways = std::move(list.gateways);
        g_catalogue.prefixes = std::move(prefixes);
        return 0;
    } catch (const std::bad_alloc&) {
        return -1;
    }
}

bool CataloguePresent() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_catalogue.present;
}

}  // namespace

int CreateCatalogue() {
    std::vector<GatewayRef> old;
    std::lock_guard<std::mutex> lock(g_mutex);
    old.swap(g_catalogue.gateways);
    g_catalogue.prefixes = EmptyTable();
    g_catalogue.present = true;
    return 0;
}

int AddGateway(const char* fileName, int enabled) {
    if (!fileName || !CataloguePresent()) return -1;
    try {
        GatewayRef gateway = catalogue::NewGateway(GatewayFolder(), fileName, enabled);
        // Reading the file and any notice happen outside the lock.
        profile::file::Parsed doc;
        profile::file::Load(gateway->path.c_str(), doc);
        std::vector<std::string> values = ReadGatewayPrefixes(doc, fileName);
        std::lock_guard<std::mutex> lock(g_mutex);
        if (!g_catalogue.present) return -1;
        auto prefixes = std::make_shared<PrefixTable>(*g_catalogue.prefixes);
        MergePrefixes(*prefixes, values);
        g_catalogue.gateways.push_back(gateway);  // may throw: then nothing has changed
        g_catalogue.prefixes = std::move(prefixes);
        return 0;
    } catch (const std::bad_alloc&) {
        return -1;
    }
}

void FreeCatalogue() {
    std::vector<GatewayRef> old;
    std::lock_guard<std::mutex> lock(g_mutex);
    old.swap(g_catalogue.gateways);
    g_catalogue.prefixes = EmptyTable();
    g_catalogue.present = false;
}

int CountGateways() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return static_cast<int>(g_catalogue.gateways.size());
}

int RotateGateways() {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto& gateways = g_catalogue.gateways;
    if (gateways.size() < 2) return -1;
    std::rotate(gateways.begin(), gateways.begin() + 1, gateways.end());
    return 0;
}

int MoveGatewayToEnd(const GatewayRef& gateway) {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto& gateways = g_catalogue.gateways;
    long index = IndexOf(gateways, gateway.get());
    if (index < 0) return -1;
    std::rotate(gateways.begin() + index, gateways.begin() + index + 1, gateways.end());
    return 0;
}

GatewayRef FirstGateway() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_catalogue.gateways.empty() ? GatewayRef() : g_catalogue.gateways.front();
}

GatewayRef FindGateway(const char* name, size_t* position) {
    if (!name) return GatewayRef();
    std::lock_guard<std::mutex> lock(g_mutex);
    const auto& gateways = g_catalogue.gateways;
    for (size_t i = 0; i < gateways.size(); ++i) {
        if (gateways[i]->name == name) {
            if (position) *position = i;
            return gateways[i];
        }
    }
    return GatewayRef();
}

int ScanGateways() {
    if (!CataloguePresent()) return -1;
    try {
        // The folder is read without the lock; the new list goes in whole.
        return InstallGatewayList(catalogue::ScanFolder(GatewayFolder()));
    } catch (const std::bad_alloc&) {
        return -1;
    }
}

int RebuildCatalogue() {
    if (!CataloguePresent() && CreateCatalogue() != 0) return -1;
    return ScanGateways();
}

std::shared_ptr<const PrefixTable> CurrentPrefixTable() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_catalogue.prefixes ? g_catalogue.prefixes : EmptyTable();
}

std::vector<GatewayView> ListGateways() {
    std::vector<GatewayView> views;
    std::lock_guard<std::mutex> lock(g_mutex);
    views.reserve(g_catalogue.gateways.size());
    for (const GatewayRef& gateway : g_catalogue.gateways) {
        views.push_back(GatewayView{gateway, gateway->name, gateway->path, gateway->enabled.load()});
    }
    return views;
}

int ReorderGateways(const std::vector<GatewayPlacement>& order) {
    try {
        std::lock_guard<std::mutex> lock(g_mutex);
        if (!g_catalogue.present) return -1;
        auto& gateways = g_catalogue.gateways;
        std::unordered_set<const GatewayInfo*> inList, placed;
        for (const GatewayRef& gateway : gateways) inList.insert(gateway.get());

        std::vector<GatewayRef> relinked;
        relinked.reserve(gateways.size());
        std::vector<std::pair<GatewayInfo*, int>> flags;
        for (const GatewayPlacement& placement : order) {
            GatewayInfo* gateway = placement.gateway.get();
            if (!gateway || !inList.count(gateway) || !placed.insert(gateway).second) continue;
            relinked.push_back(placement.gateway);
            flags.emplace_back(gateway, placement.enabled ? 1 : 0);
        }
        for (const GatewayRef& gateway : gateways) {
            if (!placed.count(gateway.get())) relinked.push_back(gateway);
        }
        // Nothing has changed until here, so running out of memory above leaves the list whole.
        for (const auto& flag : flags) flag.first->enabled = flag.second;
        gateways.swap(relinked);
        return 0;
    } catch (const std::bad_alloc&) {
        return -1;
    }
}

int SetGatewayEnabled(const GatewayRef& gateway, int enabled) {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!gateway || IndexOf(g_catalogue.gateways, gateway.get()) < 0) return -1;
    gateway->enabled = enabled ? 1 : 0;
    return 0;
}
