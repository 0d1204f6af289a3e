#include "ui/CreditPage.h"

#include "catalogue/Catalogue.h"
#include "script/Inquiry.h"
#include "send/Credit.h"
#include "shell/Clock.h"
#include "shell/HostLink.h"

namespace ui {

std::vector<CreditRow> CreditRows() {
    std::vector<CreditRow> rows;
    for (const GatewayView& g : ListGateways()) {
        if (!script::HasCredit(g.path.c_str())) continue;
        CreditRow row{g.name, host::TranslateString("not read yet"), "-"};
        if (std::optional<credit::Kept> kept = credit::Load(g.name)) {
            script::Credit c;
            c.known = true;
            c.value = kept->value;
            c.unit = kept->unit;
            row.credit = script::CreditText(c);
            row.readAt = forward::LocalDateText(kept->readAt);
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace ui
