// Filling the catalogue from the gateway folder: every definition file the
// folder lists, unless it asks for a newer plug-in or states its version
// wrongly, then the order of the order file.
#include <cstdio>
#include <new>
#include <string>

#include "catalogue/Catalogue.h"
#include "catalogue/CatalogueBuild.h"
#include "catalogue/FolderListing.h"
#include "catalogue/GatewayFolder.h"
#include "catalogue/OrderFile.h"
#include "catalogue/RequiredVersion.h"
#include "script/profile/Profile.h"
#include "shell/HostLink.h"
#include "shell/Log.h"
#include "shell/PluginInfo.h"
#include "shell/Text.h"
#include "shell/UserMessage.h"

namespace {

constexpr size_t kMessageLimit = 255;
constexpr const char* kDownloadAddress = "http://parlet.sourceforge.net/";

std::string WithFileName(const std::string& pattern, const char* name) {
    return text::FillPattern(pattern, 's', name, kMessageLimit);
}

void Warn(const char* text) { usermsg::WarningBox(host::TranslateString(text).c_str()); }

// Whether the definition file may join the catalogue; tells the user why not.
bool VersionAccepted(const std::string& path, const char* name) {
    std::string required = profile::Read(path.c_str(), "Gateway", "RequiresVersion", kVersionValueSize);
    if (required.empty()) return true;
    uint32_t version = 0;
    if (ParseRequiredVersion(required.c_str(), &version) != 0) {
        std::string text =
            WithFileName(host::TranslateString(
                             "Warning: The specified Gateway %s has no correct versioning info. It is ignored. "
                             "Please fix the RequiresVersion entry in the .ini file."),
                         name);
        usermsg::WarningBox(text.c_str());
        return false;
    }
    if (version > plugin::kVersion) {
        std::string pattern = host::TranslateString(
            "Warning: The specified Gateway %s is designed for a newer version of the plugin. It is ignored. "
            "Please download the newest plugin version from ");
        pattern += kDownloadAddress;
        pattern += "\n";
        std::string text = WithFileName(pattern, name);
        WriteLog("%s", text.c_str());
        usermsg::WarningBox(text.c_str());
        return false;
    }
    return true;
}

}  // namespace

int ScanGateways() {
    if (!catalogue::CataloguePresent()) return -1;
    try {
        const std::string folder = GatewayFolder();
        catalogue::GatewayList list;
        if (!catalogue::platform::FolderExists(folder)) {
            Warn(
                "Huston, we got a problem.. The specified gateway-path was not found. Please give me the correct "
                "path in the options dialog");
            return catalogue::InstallGatewayList(std::move(list)) == 0 ? 0 : -1;
        }
        std::vector<std::string> names = catalogue::ListDefinitionFiles(folder);
        if (names.empty()) {
            Warn("No Gateway Configfiles found in specified path. Check options");
            return catalogue::InstallGatewayList(std::move(list)) == 0 ? 0 : -1;
        }
        for (const std::string& name : names) {
            if (!VersionAccepted(catalogue::JoinPath(folder, name), name.c_str())) continue;
            catalogue::AppendGateway(list, folder, name.c_str(), 1);
        }
        catalogue::ApplyOrderFile(catalogue::OrderFilePath(folder), list.gateways);
        return catalogue::InstallGatewayList(std::move(list));
    } catch (const std::bad_alloc&) {
        return -1;
    }
}
