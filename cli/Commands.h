// The subcommands of parlet, apart from argument parsing.
#pragma once

#include <string>

// Exit codes; --help and docs/cli.md describe them.
constexpr int kExitOk = 0;       // sent whole (run: result 0; check: no errors)
constexpr int kExitFailed = 1;   // nothing sent
constexpr int kExitUsage = 2;    // bad usage, caught before anything was sent
constexpr int kExitPartial = 3;  // sent in part: the rest was not sent, or cut off

// Brings up the stand-in host for one command: its database from
// `settingsFile` (when given; a file that is missing or cannot be read is an
// error), message boxes on standard error. The file is only read.
class HostSession {
public:
    explicit HostSession(std::string settingsFile);
    ~HostSession();
    bool ok() const { return ok_; }

private:
    std::string settingsFile_;
    bool ok_ = true;
};

struct SendOptions {
    std::string gateways, prefix, number, to, message, sender, log;
    std::string charset;  // "": the default (UTF-8; the ANSI code page on Windows)
    int split = 0;
    bool splitGiven = false;
    bool numberParts = false;
    bool verbose = false;
};

struct RunOptions {
    std::string file, prefix, number, message, sender, user, password;
    int account = 0;  // 0: account 1 of the account file, else the [Gateway] account
    bool senderGiven = false, userGiven = false, passwordGiven = false;
};

int SendCommand(const SendOptions& options);
int RunCommand(const RunOptions& options);
int GatewaysCommand(const std::string& folder);
int CheckCommand(const std::string& path);
