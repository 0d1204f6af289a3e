// Building a gateway list aside from the live catalogue (used by the scan).
#pragma once

#include <string>
#include <vector>

#include "catalogue/Catalogue.h"

namespace catalogue {

struct GatewayList {
    std::vector<GatewayRef> gateways;
    PrefixTable prefixes;
};

// Appends the gateway `fileName` of `folder` and gathers its prefixes.
// May throw std::bad_alloc; callers turn it into -1.
void AppendGateway(GatewayList& list, const std::string& folder, const char* fileName, int enabled);

// Makes `list` the catalogue's contents. 0; -1 when there is no catalogue.
int InstallGatewayList(GatewayList&& list);
// Whether CreateCatalogue has run since the last FreeCatalogue.
bool CataloguePresent();

}  // namespace catalogue
