// parlet check: the lint of gateway and account files.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "Commands.h"
#include "Lint.h"

namespace {

class CheckCommand : public Command {
public:
    CLI::App* Define(CLI::App& app) override {
        CLI::App* command = app.add_subcommand("check", "check gateway and account files for mistakes");
        command->footer("Exit codes: 0 no errors (warnings allowed), 1 errors found, 2 bad usage.");
        command->add_option("path", path_, "a gateway folder or one file")->required();
        return command;
    }

    bool NeedsHost() const override { return false; }

    int Run() override {
        const std::string& path = path_;
        std::vector<lint::Finding> findings = lint::CheckPath(path);
        int errors = 0, warnings = 0;
        for (const lint::Finding& f : findings) {
            std::printf("%s\n", lint::Format(f).c_str());
            if (f.severity != lint::Severity::Note) (f.severity == lint::Severity::Error ? errors : warnings)++;
        }
        std::printf("%d error%s, %d warning%s\n", errors, errors == 1 ? "" : "s", warnings, warnings == 1 ? "" : "s");
        return errors > 0 ? kExitFailed : kExitOk;
    }

private:
    std::string path_;
};

}  // namespace

std::unique_ptr<Command> MakeCheckCommand() { return std::make_unique<CheckCommand>(); }
