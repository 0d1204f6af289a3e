// The subcommands of parlet, apart from argument parsing.
#pragma once

#include <string>

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// Brings up the stand-in host for one command: its database from `settingsFile`
// (when given and present), messages boxes on standard error; saves the
// database back when the command ends.
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
    std::string gateways, prefix, number, message, sender, log;
    int split = 0;
    bool splitGiven = false;
    bool numberParts = false;
    bool verbose = false;
};

struct RunOptions {
    std::string file, prefix, number, message, sender, user, password;
    bool senderGiven = false, userGiven = false, passwordGiven = false;
};

int SendCommand(const SendOptions& options);
int RunCommand(const RunOptions& options);
int GatewaysCommand(const std::string& folder);
int CheckCommand(const std::string& path);
