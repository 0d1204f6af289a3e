// Building a gateway list from a folder, aside from the live catalogue. The
// scan (Scan.cpp) only reads the folder and its files; the catalogue
// (Catalogue.cpp) calls it and swaps its list in, never the other way.
#pragma once

#include <string>
#include <vector>

#include "catalogue/Catalogue.h"

namespace catalogue {

struct GatewayList {
    std::vector<GatewayRef> gateways;
    PrefixTable prefixes;
};

// A gateway node for `fileName` of `folder`.
GatewayRef NewGateway(const std::string& folder, const char* fileName, int enabled);

// Every definition file of `folder` that passes the version check, each read
// and parsed once, with its prefixes gathered, in the order of the order
// file; the user is told about a missing folder, a folder without
// definition files and refused files. May throw std::bad_alloc.
GatewayList ScanFolder(const std::string& folder);

}  // namespace catalogue
