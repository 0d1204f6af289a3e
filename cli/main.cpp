// parlet: the command-line front end. It drives the real engine over the
// host stand-in, whose settings it reads from a file.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "Arguments.h"
#include "Commands.h"
#include "Usage.h"

namespace {

// Every option of every command, filled in by parsing.
struct Options {
    std::string settingsFile;
    SendOptions send;
    RunOptions run;
    std::string folder;     // gateways
    std::string checkPath;  // check
};

// The subcommands; parsing marks the one given.
struct Subcommands {
    CLI::App* send;
    CLI::App* run;
    CLI::App* gateways;
    CLI::App* check;
};

CLI::App* AddSendCommand(CLI::App& app, SendOptions& send) {
    CLI::App* sendCmd = app.add_subcommand("send", "send a message, trying gateway after gateway of a folder");
    sendCmd->footer(usage::kExitCodes);
    sendCmd->add_option("--gateways", send.gateways, "gateway folder")->required()->check(CLI::ExistingDirectory);
    CLI::Option* to = sendCmd->add_option("--to", send.to,
                                          "full international number (+436501234567, 0043 650 123-4567); "
                                          "the longest prefix a gateway serves is the prefix");
    sendCmd->add_option("--prefix", send.prefix, "country prefix, digits")->excludes(to);
    sendCmd->add_option("--number", send.number, "number without the prefix, digits")->excludes(to);
    sendCmd->add_option("--message", send.message, "the message")->required();
    sendCmd->add_option("--sender", send.sender, "your own number (the $Sender of gateway files)");
    sendCmd->add_option("--split", send.split, "split a long message into at most N parts (default: cut it)")
        ->check(CLI::Range(1, 65535));
    sendCmd->add_flag("--number-parts", send.numberParts, "label split parts n/m");
    sendCmd->add_option("--charset", send.charset,
                        "encoding of the message for the provider, e.g. UTF-8, ISO-8859-2, windows-1250 "
                        "(default: UTF-8; parlet.exe: the ANSI code page)");
    sendCmd->add_option("--log", send.log, "write the log to FILE");
    sendCmd->add_flag("--verbose", send.verbose, "log reply pages too, and echo the log on standard error");
    return sendCmd;
}

CLI::App* AddRunCommand(CLI::App& app, RunOptions& run) {
    CLI::App* runCmd = app.add_subcommand("run", "run one gateway file once, tracing every step on standard error");
    runCmd->footer("Exit codes: 0 result 0 (sent), 1 any other result, 2 bad usage.");
    runCmd->add_option("file", run.file, "gateway definition file")->required()->check(CLI::ExistingFile);
    runCmd->add_option("--prefix", run.prefix, "country prefix, digits")->required();
    runCmd->add_option("--number", run.number, "number without the prefix, digits")->required();
    runCmd->add_option("--message", run.message, "the message")->required();
    runCmd->add_option("--sender", run.sender, "your own number");
    const char* accountHelp =
        "account N of the file's account file (default: account 1, else [Gateway] Username and Password)";
    runCmd->add_option("--account", run.account, accountHelp)->check(CLI::Range(1, 255));
    runCmd->add_option("--user", run.user, "account user name ($User), instead of the file's");
    runCmd->add_option("--pass", run.password, "account password ($Pass), instead of the file's");
    return runCmd;
}

Subcommands DefineCommandLine(CLI::App& app, Options& options) {
    // A path is a path on both builds: no "/option" on Windows.
    app.allow_windows_style_options(false);
    app.require_subcommand(1);
    app.set_version_flag("--version", usage::VersionText());
    app.footer(usage::kExitCodes);
    app.add_option("--settings", options.settingsFile,
                   "settings database of the stand-in host (default: $PARLET_SETTINGS, else none)");

    Subcommands commands{};
    commands.send = AddSendCommand(app, options.send);
    commands.run = AddRunCommand(app, options.run);
    commands.gateways = app.add_subcommand("gateways", "list the gateways of a folder in the order they are tried");
    commands.gateways->add_option("dir", options.folder, "gateway folder")->required()->check(CLI::ExistingDirectory);
    commands.check = app.add_subcommand("check", "check gateway and account files for mistakes");
    commands.check->footer("Exit codes: 0 no errors (warnings allowed), 1 errors found, 2 bad usage.");
    commands.check->add_option("path", options.checkPath, "a gateway folder or one file")->required();
    return commands;
}

// Parses the command line. Returns the exit code when the program ends here
// (help, --version, bad usage), nothing when a command is to run.
std::optional<int> ParseCommandLine(CLI::App& app, int argc, char** argv) {
    std::vector<std::string> commands;
    for (const CLI::App* sub : app.get_subcommands([](CLI::App*) { return true; })) commands.push_back(sub->get_name());
    if (!usage::CommandKnown(argc, argv, commands)) return kExitUsage;
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

// "send" needs a whole number, or a prefix and a number.
bool SendHasDestination(const CLI::App& sendCmd, const SendOptions& send) {
    if (!sendCmd || !send.to.empty() || (sendCmd.count("--prefix") > 0 && sendCmd.count("--number") > 0)) return true;
    std::fprintf(stderr, "parlet send: give --to NUMBER, or --prefix and --number\n");
    return false;
}

int RunGivenCommand(const Subcommands& commands, Options& options) {
    if (options.settingsFile.empty()) {
        const char* env = std::getenv("PARLET_SETTINGS");
        if (env) options.settingsFile = env;
    }
    if (*commands.check) return CheckCommand(options.checkPath);
    HostSession session(options.settingsFile);
    if (!session.ok()) return kExitUsage;
    if (*commands.send) {
        options.send.splitGiven = commands.send->count("--split") > 0;
        return SendCommand(options.send);
    }
    if (*commands.run) {
        options.run.senderGiven = commands.run->count("--sender") > 0;
        options.run.userGiven = commands.run->count("--user") > 0;
        options.run.passwordGiven = commands.run->count("--pass") > 0;
        return RunCommand(options.run);
    }
    return GatewaysCommand(options.folder);
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"parlet: send SMS through the web sites of SMS providers, described by gateway files"};
    Options options;
    const Subcommands commands = DefineCommandLine(app, options);
    if (std::optional<int> exitCode = ParseCommandLine(app, argc, argv)) return *exitCode;
    if (!SendHasDestination(*commands.send, options.send)) return kExitUsage;
    return RunGivenCommand(commands, options);
}
