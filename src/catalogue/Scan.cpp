// Filling a gateway list from the gateway folder: every definition file the
// folder lists, unless it asks for a newer plug-in or states its version
// wrongly, then the order of the order file. Each file is read and parsed
// once: a messenger with many gateways pays the scan at every start.
#include <cstdio>
#include <new>
#include <string>

#include "catalogue/CatalogueBuild.h"
#include "catalogue/FolderListing.h"
#include "catalogue/GatewayFolder.h"
#include "catalogue/OrderFile.h"
#include "catalogue/RequiredVersion.h"
#include "script/profile/ProfileFile.h"
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
bool VersionAccepted(const profile::file::Parsed& doc, const char* name) {
    std::string required = profile::file::Value(doc, "Gateway", "RequiresVersion", kVersionValueSize);
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

// One definition file: read once, checked, its prefixes merged.
void AddDefinitionFile(catalogue::GatewayList& list, const std::string& folder, const std::string& name) {
    GatewayRef gateway = catalogue::NewGateway(folder, name.c_str(), 1);
    // A file that vanished or cannot be read reads as empty, as every key
    // of it would through the system's reader.
    profile::file::Parsed doc;
    profile::file::Load(gateway->path.c_str(), doc);
    if (!VersionAccepted(doc, name.c_str())) return;
    MergePrefixes(list.prefixes, ReadGatewayPrefixes(doc, name.c_str()));
    list.gateways.push_back(std::move(gateway));
}

}  // namespace

namespace catalogue {

GatewayRef NewGateway(const std::string& folder, const char* fileName, int enabled) {
    auto gateway = std::make_shared<GatewayInfo>();
    gateway->name = fileName;
    gateway->path = JoinPath(folder, gateway->name);
    gateway->enabled = enabled;
    return gateway;
}

GatewayList ScanFolder(const std::string& folder) {
    GatewayList list;
    if (!platform::FolderExists(folder)) {
        Warn(
            LPGEN("Huston, we got a problem.. The specified gateway-path was not found. Please give me the "
                  "correct path in the options dialog"));
        return list;
    }
    const std::vector<std::string> names = ListDefinitionFiles(folder);
    if (names.empty()) {
        Warn(LPGEN("No Gateway Configfiles found in specified path. Check options"));
        return list;
    }
    for (const std::string& name : names) AddDefinitionFile(list, folder, name);
    ApplyOrderFile(OrderFilePath(folder), list.gateways);
    return list;
}

}  // namespace catalogue
