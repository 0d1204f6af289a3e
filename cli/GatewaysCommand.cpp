// parlet gateways: a folder's catalogue in the order the gateways are tried.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "CommandSupport.h"
#include "Commands.h"
#include "catalogue/Catalogue.h"
#include "catalogue/PrefixTable.h"
#include "script/profile/Profile.h"

namespace {

class GatewaysCommand : public Command {
public:
    CLI::App* Define(CLI::App& app) override {
        CLI::App* command = app.add_subcommand("gateways", "list the gateways of a folder in the order they are tried");
        command->add_option("folder", folder_, "gateway folder")->required();
        return command;
    }

    int Run() override {
        const std::string& folder = folder_;
        if (!FolderGiven(folder)) return kExitUsage;
        if (LoadCatalogue(folder) != 0) return kExitFailed;
        std::vector<GatewayView> list = ListGateways();
        if (list.empty()) {
            std::printf("no gateways\n");
            return kExitOk;
        }
        struct Row {
            std::string file, name, prefixes;
            bool enabled;
        };
        std::vector<Row> rows;
        int fileWidth = 4, nameWidth = 4;  // at least as wide as the headings
        for (const GatewayView& g : list) {
            Row row{g.name, profile::Read(g.path.c_str(), "Gateway", "Name", 1024), "", g.enabled != 0};
            if (row.name.empty()) row.name = "(no Name)";
            // Exactly the prefixes the catalogue gathered from this file.
            for (const std::string& value : ReadPrefixList(g.path).values) {
                if (!row.prefixes.empty()) row.prefixes += " ";
                row.prefixes += value.substr(0, value.find(';'));
            }
            fileWidth = std::max(fileWidth, static_cast<int>(row.file.size()));
            nameWidth = std::max(nameWidth, static_cast<int>(row.name.size()));
            rows.push_back(std::move(row));
        }
        std::printf("%-4s %-7s %-*s %-*s %s\n", "pos", "enabled", fileWidth, "file", nameWidth, "name", "prefixes");
        int position = 1;
        for (const Row& r : rows) {
            std::printf("%-4d %-7s %-*s %-*s %s\n", position++, r.enabled ? "yes" : "no", fileWidth, r.file.c_str(),
                        nameWidth, r.name.c_str(), r.prefixes.c_str());
        }
        return kExitOk;
    }

private:
    std::string folder_;
};

}  // namespace

std::unique_ptr<Command> MakeGatewaysCommand() { return std::make_unique<GatewaysCommand>(); }
