// parlet run: one gateway file run once, every step traced on standard error.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "CommandSupport.h"
#include "Commands.h"
#include "ConsoleControls.h"
#include "catalogue/Accounts.h"
#include "script/Runner.h"
#include "script/profile/Profile.h"
#include "shell/Log.h"

namespace {

struct RunOptions {
    std::string file, prefix, number, message, sender, user, password;
    int account = 0;  // 0: account 1 of the account file, else the [Gateway] account
    bool senderGiven = false, userGiven = false, passwordGiven = false;
};

// The account a run uses when --user and --pass do not name one: account N
// (--account N, else 1) of the account file, else the [Gateway] account, as
// the send job would. Says which it took; false when --account names none.
bool ChooseAccount(const std::string& path, const RunOptions& o, std::optional<std::string>* user,
                   std::optional<std::string>* password) {
    std::string accountFile = AccountFilePath(path);
    AccountCredentials account;
    int number = o.account > 0 ? o.account : 1;
    if (!accountFile.empty() && ReadAccount(accountFile, number, &account) == 0) {
        *user = account.user;
        *password = account.password;
        std::fprintf(stderr, "parlet: account %d of %s (user %s)\n", number, accountFile.c_str(), account.user.c_str());
        return true;
    }
    if (o.account > 0) {
        std::fprintf(stderr, "parlet: %s has no account %d\n",
                     accountFile.empty() ? "the file has no account file, so it" : accountFile.c_str(), o.account);
        return false;
    }
    std::string name = profile::Read(path.c_str(), "Gateway", "Username", kFieldLimit + 1);
    std::string pass = profile::Read(path.c_str(), "Gateway", "Password", kFieldLimit + 1);
    if (!name.empty()) *user = name;
    if (!pass.empty()) *password = pass;
    if (name.empty()) {
        std::fprintf(stderr, "parlet: no account and no [Gateway] Username: $User and $Pass stay empty\n");
    } else {
        std::fprintf(stderr, "parlet: the [Gateway] Username and Password (user %s)\n", name.c_str());
    }
    return true;
}

class RunCommand : public Command {
public:
    CLI::App* Define(CLI::App& app) override {
        RunOptions& run = options_;
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
        command_ = runCmd;
        return runCmd;
    }

    int Run() override {
        options_.senderGiven = command_->count("--sender") > 0;
        options_.userGiven = command_->count("--user") > 0;
        options_.passwordGiven = command_->count("--pass") > 0;
        return RunOnce();
    }

private:
    int RunOnce() {
        // The texts as the send job would hand them over: in the default charset.
        const charset::Charset encoding = charset::Charset::Default();
        const RunOptions& options = options_;
        RunOptions o = options;
        if (!Encoded(encoding, "message", options.message, &o.message) ||
            !Encoded(encoding, "number", options.number, &o.number) ||
            !Encoded(encoding, "prefix", options.prefix, &o.prefix) ||
            !Encoded(encoding, "sender", options.sender, &o.sender) ||
            !Encoded(encoding, "user", options.user, &o.user) ||
            !Encoded(encoding, "password", options.password, &o.password)) {
            return kExitUsage;
        }
        if (!MessageUsable(o.message) || FieldTooLong("number", o.number) || !DestinationUsable(o.prefix, o.number)) {
            return kExitUsage;
        }
        std::string path = Absolute(o.file);
        std::optional<std::string> user, password;
        if ((!o.userGiven || !o.passwordGiven) && !ChooseAccount(path, o, &user, &password)) return kExitUsage;
        if (o.userGiven) user = o.user;
        if (o.passwordGiven) password = o.password;

        logging::SetObserver(EchoLog, nullptr);
        script::SmsMessage message{};
        message.prefix = o.prefix.c_str();
        message.number = o.number.c_str();
        message.text = o.message.c_str();
        message.sender = o.senderGiven ? o.sender.c_str() : nullptr;
        ConsoleProgress progress(stderr);
        script::RunDetail detail;
        int result = script::RunGateway(path.c_str(), user ? user->c_str() : nullptr,
                                        password ? password->c_str() : nullptr, &message, &progress, nullptr, &detail);
        progress.Finish();
        logging::SetObserver(nullptr, nullptr);
        std::printf("result %d (%s)\n", result, script::ResultSummary(result, &detail).c_str());
        return result == script::result::kSent ? kExitOk : kExitFailed;
    }

    RunOptions options_;
    CLI::App* command_ = nullptr;
};

}  // namespace

std::unique_ptr<Command> MakeRunCommand() { return std::make_unique<RunCommand>(); }
