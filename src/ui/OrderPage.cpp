#include "ui/OrderPage.h"

#include "catalogue/GatewayFolder.h"
#include "catalogue/OrderFile.h"
#include "script/profile/Profile.h"
#include "shell/HostLink.h"
#include "shell/Text.h"

namespace ui {
namespace {
constexpr size_t kNameValueSize = 256;
constexpr size_t kMaxPathText = 259;
}  // namespace

bool FillMark::TakeFill() {
    GatewayRef first = FirstGateway();
    if (filled_ && first == first_) return false;
    first_ = std::move(first);
    filled_ = true;
    return true;
}

std::vector<OrderRow> CatalogueRows() {
    std::vector<OrderRow> rows;
    for (const GatewayView& g : ListGateways()) {
        OrderRow row;
        row.gateway = g.gateway;
        row.title = profile::Read(g.path.c_str(), "Gateway", "Name", kNameValueSize);
        row.file = g.name;
        row.checked = g.enabled != 0;
        rows.push_back(std::move(row));
    }
    return rows;
}

int ApplyOrder(const OrderList& list) {
    std::vector<GatewayPlacement> order;
    order.reserve(list.rows.size());
    for (const OrderRow& row : list.rows) order.push_back(GatewayPlacement{row.gateway, row.checked ? 1 : 0});
    return ReorderGateways(order);
}

int ReloadCatalogue() { return RebuildCatalogue(); }

int SaveOrder(const OrderList& list, std::string* path) {
    std::string file = catalogue::OrderFilePath(GatewayFolder());
    if (path) *path = file;
    std::vector<catalogue::OrderLine> lines;
    lines.reserve(list.rows.size());
    for (const OrderRow& row : list.rows) lines.push_back(catalogue::OrderLine{row.checked ? 1 : 0, row.gateway->name});
    return catalogue::WriteOrderFile(file, lines);
}

std::string CannotWriteText(const std::string& path) {
    return text::FillPattern(host::TranslateString("Cannot write to file: %s"), 's', path.substr(0, kMaxPathText),
                             kMaxPathText + 64);
}

std::string SavedText() { return host::TranslateString("Gateway order saved successfully!"); }
std::string InformationCaption() { return host::TranslateString("Information"); }

}  // namespace ui
