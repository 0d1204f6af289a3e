// The Gateway order page's work on the catalogue and the order file, apart
// from its window.
#pragma once

#include <string>
#include <vector>

#include "catalogue/Catalogue.h"
#include "ui/OrderList.h"

namespace ui {

// The catalogue's first gateway when the list was last filled. The page
// keeps the list (and any order not yet applied) while that gateway is
// still first. Held as a shared reference, so a gateway of a rebuilt
// catalogue can never pass for it by taking over its memory.
class FillMark {
public:
    // Whether the list must be filled again; records the current first
    // gateway when it must.
    bool TakeFill();
    void Forget() {
        first_.reset();
        filled_ = false;
    }

private:
    GatewayRef first_;
    bool filled_ = false;
};

// One row per gateway of the catalogue, in order: "Name" of the definition
// file's [Gateway] section (at most 255 characters), the file name, the
// enabled flag as the check box.
std::vector<OrderRow> CatalogueRows();

// Apply: the catalogue takes the list's order and check boxes.
int ApplyOrder(const OrderList& list);

// Load: the catalogue is built afresh from the gateway folder and its order
// file.
int ReloadCatalogue();

// Save: writes the list (not the catalogue) to the order file of the
// gateway folder. 0; -1 when the file cannot be written, and then the list,
// the catalogue and the file are as they were. `path` receives the file's
// name for the messages.
int SaveOrder(const OrderList& list, std::string* path);

// The texts Save shows, translated (the failure filled with the file name,
// at most 259 characters).
std::string CannotWriteText(const std::string& path);
std::string SavedText();
std::string InformationCaption();

}  // namespace ui
