// parlet: the command-line front end. It drives the real engine over the
// host stand-in, whose settings it keeps in a file between runs.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "Commands.h"

int main(int argc, char** argv) {
    CLI::App app{"parlet: send SMS through the web sites of SMS providers, described by gateway files"};
    app.require_subcommand(1);
    std::string settingsFile;
    app.add_option("--settings", settingsFile,
                   "settings database of the stand-in host (default: $PARLET_SETTINGS, else none)");

    SendOptions send;
    CLI::App* sendCmd = app.add_subcommand("send", "send a message, trying gateway after gateway of a folder");
    sendCmd->add_option("--gateways", send.gateways, "gateway folder")->required()->check(CLI::ExistingDirectory);
    sendCmd->add_option("--prefix", send.prefix, "country prefix, digits")->required();
    sendCmd->add_option("--number", send.number, "number without the prefix")->required();
    sendCmd->add_option("--message", send.message, "the message")->required();
    sendCmd->add_option("--sender", send.sender, "your own number (the $Sender of gateway files)");
    sendCmd->add_option("--split", send.split, "split a long message into at most N parts (default: cut it)")
        ->check(CLI::Range(1, 65535));
    sendCmd->add_flag("--number-parts", send.numberParts, "label split parts n/m");
    sendCmd->add_option("--log", send.log, "write the log to FILE");
    sendCmd->add_flag("--verbose", send.verbose, "log reply pages too, and echo the log on standard error");

    RunOptions run;
    CLI::App* runCmd = app.add_subcommand("run", "run one gateway file once, tracing every step on standard error");
    runCmd->add_option("file", run.file, "gateway definition file")->required()->check(CLI::ExistingFile);
    runCmd->add_option("--prefix", run.prefix, "country prefix, digits")->required();
    runCmd->add_option("--number", run.number, "number without the prefix")->required();
    runCmd->add_option("--message", run.message, "the message")->required();
    runCmd->add_option("--sender", run.sender, "your own number");
    runCmd->add_option("--user", run.user, "account user name ($User)");
    runCmd->add_option("--pass", run.password, "account password ($Pass)");

    std::string folder;
    CLI::App* gatewaysCmd = app.add_subcommand("gateways", "list the gateways of a folder in the order they are tried");
    gatewaysCmd->add_option("dir", folder, "gateway folder")->required()->check(CLI::ExistingDirectory);

    std::string checkPath;
    CLI::App* checkCmd = app.add_subcommand("check", "check gateway and account files for mistakes");
    checkCmd->add_option("path", checkPath, "a gateway folder or one file")->required();

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return kExitUsage;
    }

    if (settingsFile.empty()) {
        const char* env = std::getenv("PARLET_SETTINGS");
        if (env) settingsFile = env;
    }
    if (*checkCmd) return CheckCommand(checkPath);
    HostSession session(settingsFile);
    if (!session.ok()) return kExitUsage;
    if (*sendCmd) {
        send.splitGiven = sendCmd->count("--split") > 0;
        return SendCommand(send);
    }
    if (*runCmd) {
        run.senderGiven = runCmd->count("--sender") > 0;
        run.userGiven = runCmd->count("--user") > 0;
        run.passwordGiven = runCmd->count("--pass") > 0;
        return RunCommand(run);
    }
    return GatewaysCommand(folder);
}
