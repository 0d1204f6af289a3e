// The subcommands of parlet. Each lives in a file of its own (SendCommand.cpp,
// RunCommand.cpp, ...) and defines its options and its run; main.cpp lists them.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace CLI {
class App;
}

// Exit codes; --help and docs/cli.md describe them.
constexpr int kExitOk = 0;           // sent whole (run: result 0; check: no errors)
constexpr int kExitFailed = 1;       // nothing sent
constexpr int kExitUsage = 2;        // bad usage, caught before anything was sent
constexpr int kExitPartial = 3;      // sent in part: the rest was not sent, or cut off
constexpr int kExitUndelivered = 4;  // send --wait-delivery: sent, but not known to be delivered

class Command {
public:
    virtual ~Command() = default;
    // Adds the subcommand, with its options bound to this object, to `app`.
    virtual CLI::App* Define(CLI::App& app) = 0;
    // Whether the command needs the stand-in host (settings, log, engine).
    virtual bool NeedsHost() const { return true; }
    // Runs once the command line was parsed; gives the exit code.
    virtual int Run() = 0;
};

std::unique_ptr<Command> MakeSendCommand();
std::unique_ptr<Command> MakeRunCommand();
std::unique_ptr<Command> MakeGatewaysCommand();
std::unique_ptr<Command> MakeCheckCommand();
std::unique_ptr<Command> MakeDraftCommand();
std::unique_ptr<Command> MakeQueueCommand();
std::unique_ptr<Command> MakeReplayCommand();
std::unique_ptr<Command> MakeProbeCommand();
std::unique_ptr<Command> MakeCreditCommand();
std::unique_ptr<Command> MakeStatusCommand();
