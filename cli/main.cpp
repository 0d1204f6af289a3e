// parlet: the command-line front end. It drives the real engine over the
// host stand-in, whose settings it reads from a file.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Arguments.h"
#include "CommandSupport.h"
#include "Commands.h"
#include "Usage.h"

namespace {

// Every command of parlet, in the order --help lists them.
std::vector<std::unique_ptr<Command>> AllCommands() {
    std::vector<std::unique_ptr<Command>> commands;
    commands.push_back(MakeSendCommand());
    commands.push_back(MakeRunCommand());
    commands.push_back(MakeReplayCommand());
    commands.push_back(MakeProbeCommand());
    commands.push_back(MakeCreditCommand());
    commands.push_back(MakeStatusCommand());
    commands.push_back(MakeGatewaysCommand());
    commands.push_back(MakeCheckCommand());
    commands.push_back(MakeDraftCommand());
    commands.push_back(MakeQueueCommand());
    return commands;
}

// The command line's subcommands, each beside the command it runs.
struct Defined {
    CLI::App* app;
    Command* command;
};

std::vector<Defined> DefineCommandLine(CLI::App& app, const std::vector<std::unique_ptr<Command>>& commands,
                                       std::string* settingsFile) {
    // A path is a path on both builds: no "/option" on Windows.
    app.allow_windows_style_options(false);
    app.require_subcommand(1);
    app.set_version_flag("--version", usage::VersionText());
    app.footer(usage::kExitCodes);
    app.add_option("--settings", *settingsFile,
                   "settings database of the stand-in host (default: $PARLET_SETTINGS, else none)");
    std::vector<Defined> defined;
    for (const std::unique_ptr<Command>& command : commands) defined.push_back({command->Define(app), command.get()});
    return defined;
}

// An option the command does not know is named as such, with the nearest
// one: the parser itself would first complain about a required option that
// the misspelt one was meant to be ("--message is required" for --mesage).
bool OptionsKnown(CLI::App& app, int argc, char** argv) {
    const std::string word = usage::CommandWord(argc, argv);
    CLI::App* command = nullptr;
    for (CLI::App* sub : app.get_subcommands([](CLI::App*) { return true; })) {
        if (sub->get_name() == word) command = sub;
    }
    if (!command) return true;
    std::vector<std::string> names;
    for (const CLI::Option* option : command->get_options()) {
        for (const std::string& name : option->get_lnames()) names.push_back("--" + name);
    }
    bool after = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--") break;
        after = after || arg == word;
        if (!after || arg.size() < 3 || arg.compare(0, 2, "--") != 0) continue;
        const std::string name = arg.substr(0, arg.find('='));
        if (command->get_option_no_throw(name) || app.get_option_no_throw(name)) continue;
        const std::string near = usage::Nearest(name, names);
        const std::string hint = near.empty() ? std::string() : "; did you mean " + near + "?";
        std::fprintf(stderr, "parlet %s: unknown option %s%s\n", word.c_str(), name.c_str(), hint.c_str());
        return false;
    }
    return true;
}

// Parses the command line. Returns the exit code when the program ends here
// (help, --version, bad usage), nothing when a command is to run.
std::optional<int> ParseCommandLine(CLI::App& app, int argc, char** argv) {
    std::vector<std::string> commands;
    for (const CLI::App* sub : app.get_subcommands([](CLI::App*) { return true; })) commands.push_back(sub->get_name());
    if (!usage::CommandKnown(argc, argv, commands) || !OptionsKnown(app, argc, argv)) return kExitUsage;
    // Text options as UTF-8, also on Windows.
    const std::vector<std::string> arguments = cli::CommandLineArguments(argc, argv);
    std::vector<const char*> pointers;
    for (const std::string& a : arguments) pointers.push_back(a.c_str());
    try {
        app.parse(static_cast<int>(pointers.size()), pointers.data());
    } catch (const CLI::ParseError& e) {
        // Help and --version exit 0; every other parse error is bad usage.
        return app.exit(e) == 0 ? kExitOk : kExitUsage;
    }
    return std::nullopt;
}

int RunGivenCommand(const std::vector<Defined>& defined, std::string settingsFile) {
    if (settingsFile.empty()) {
        const char* env = std::getenv("PARLET_SETTINGS");
        if (env) settingsFile = env;
    }
    for (const Defined& d : defined) {
        if (!*d.app) continue;
        if (!d.command->NeedsHost()) return d.command->Run();
        HostSession session(settingsFile);
        if (!session.ok()) return kExitUsage;
        return d.command->Run();
    }
    return kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"parlet: send SMS through the web sites of SMS providers, described by gateway files"};
    const std::vector<std::unique_ptr<Command>> commands = AllCommands();
    std::string settingsFile;
    const std::vector<Defined> defined = DefineCommandLine(app, commands, &settingsFile);
    if (std::optional<int> exitCode = ParseCommandLine(app, argc, argv)) return *exitCode;
    return RunGivenCommand(defined, settingsFile);
}
