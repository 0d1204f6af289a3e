// parlet run: one gateway file run once, every step traced on standard error.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "CommandSupport.h"
#include "Commands.h"
#include "ConsoleControls.h"
#include "Recorded.h"
#include "RunTrace.h"
#include "script/MessageKeys.h"
#include "script/RequestHeaders.h"
#include "script/Extract.h"
#include "script/Runner.h"
#include "script/profile/Profile.h"
#include "send/Split.h"

namespace {

struct RunOptions {
    std::string file, prefix, number, message, sender, user, password;
    int account = 0;  // 0: account 1 of the account file, else the [Gateway] account
    int split = 0;
    bool splitGiven = false, numberParts = false;
    bool senderGiven = false, userGiven = false, passwordGiven = false;
    TraceOptions trace;
    RecordOptions record;
};

class RunCommand : public Command {
public:
    CLI::App* Define(CLI::App& app) override {
        RunOptions& run = options_;
        CLI::App* runCmd = app.add_subcommand("run", "run one gateway file once, tracing every step on standard error");
        runCmd->footer("Exit codes: 0 result 0 (sent), 1 any other result, 2 bad usage.");
        runCmd->add_option("file", run.file, "gateway definition file")->required();
        runCmd->add_option("--prefix", run.prefix, "country prefix, digits")->required();
        runCmd->add_option("--number", run.number, "number without the prefix, digits")->required();
        runCmd->add_option("--message", run.message, "the message")->required();
        runCmd->add_option("--sender", run.sender, "your own number");
        const char* accountHelp =
            "account N of the file's account file (default: account 1, else [Gateway] Username and Password)";
        runCmd->add_option("--account", run.account, accountHelp)->check(CLI::Range(1, 255));
        runCmd->add_option("--user", run.user, "account user name ($User), instead of the file's");
        runCmd->add_option("--pass", run.password, "account password ($Pass), instead of the file's");
        runCmd
            ->add_option("--split", run.split,
                         "split a message longer than MaxChars into at most N parts, as send "
                         "does (default: cut it)")
            ->check(CLI::Range(1, 65535));
        runCmd->add_flag("--number-parts", run.numberParts, "label split parts n/m");
        runCmd->add_flag("--verbose", run.trace.verbose, "show the reply bodies in the trace");
        runCmd->add_option("--pages", run.trace.pagesDir, "write each reply body to a numbered file in DIR");
        runCmd->add_flag("--show-secrets", run.trace.showSecrets,
                         "show the password and tokens in the trace (default: ***)");
        AddRecordOptions(runCmd, &run.record);
        command_ = runCmd;
        return runCmd;
    }

    int Run() override {
        options_.senderGiven = command_->count("--sender") > 0;
        options_.userGiven = command_->count("--user") > 0;
        options_.passwordGiven = command_->count("--pass") > 0;
        options_.splitGiven = command_->count("--split") > 0;
        return RunOnce();
    }

private:
    // The folder for --pages, made when missing; false, with a message, when it cannot be.
    static bool PagesUsable(const std::string& folder) {
        if (folder.empty()) return true;
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        if (std::filesystem::is_directory(folder, ec)) return true;
        std::fprintf(stderr, "parlet: cannot write pages into %s: not a folder\n", folder.c_str());
        return false;
    }

    // The parts a send gives this gateway (MaxChars as MaxCharsUnit counts,
    // --split, --number-parts); says so when the message is longer.
    static MessagePlan PlanRun(const std::string& path, const std::string& message, const charset::Charset& encoding) {
        const int32_t maxChars = profile::ReadNumber(path.c_str(), "Gateway", script::kMaxCharsKey, script::kValueSize);
        const Measure measure(encoding, script::ReadCountUnit(path.c_str()));
        MessagePlan plan = PlanMessage(message, maxChars, measure);
        const size_t length = measure.Length(message);
        if (maxChars <= 0 || length <= static_cast<size_t>(maxChars)) return plan;
        const char* unit = script::CountUnitText(measure.unit);
        std::fprintf(stderr,
                     "parlet: the message is %zu %s, MaxChars is %ld: run sends %zu part(s) of it, as send does",
                     length, unit, static_cast<long>(maxChars), plan.parts.size());
        if (!plan.unsent.empty()) std::fprintf(stderr, "; %zu %s stay unsent", measure.Length(plan.unsent), unit);
        std::fprintf(stderr, "%s\n", plan.noRoom ? "; MaxChars leaves no room for a numbered part" : "");
        return plan;
    }

    int RunOnce() {
        // The texts as the send job would hand them over: in the default
        // charset, the message in the file's Charset, else as UTF-8 to a
        // file with a JSON body.
        const charset::Charset encoding = charset::Charset::Default();
        const RunOptions& options = options_;
        RunOptions o = options;
        std::string path = Absolute(o.file);
        const script::SiteCharset site = script::ReadSiteCharset(path.c_str());
        const charset::Charset sentIn = site.charset                        ? *site.charset
                                        : script::AsksForJson(path.c_str()) ? charset::Charset::Utf8()
                                                                            : encoding;
        if (!Encoded(sentIn, "message", options.message, &o.message) ||
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
        if (!FileGiven(o.file)) return kExitUsage;
        if (!RecordUsable(o.record) || !PagesUsable(o.trace.pagesDir)) return kExitUsage;
        ApplySplitOptions(o.splitGiven, o.split, o.numberParts);
        const MessagePlan plan = PlanRun(path, o.message, sentIn);
        if (plan.parts.empty()) return kExitFailed;
        Credentials account;
        if ((!o.userGiven || !o.passwordGiven) && !ChooseAccount(path, o.account, &account)) return kExitUsage;
        if (o.userGiven) account.user = o.user;
        if (o.passwordGiven) account.password = o.password;

        script::SmsMessage message{};
        message.prefix = o.prefix.c_str();
        message.number = o.number.c_str();
        message.charset = sentIn.name().c_str();
        message.sender = o.senderGiven ? o.sender.c_str() : nullptr;
        script::RunDetail detail;
        int result = 0;
        bool saved = true, paged = true;
        {
            RunTrace trace(stderr, o.trace);
            Watched watched(o.record, sentIn, {&trace}, {&trace});
            // One run per part, as the send job sends them, up to the first that fails.
            for (const PartPlan& part : plan.parts) {
                message.text = part.text.c_str();
                ConsoleProgress progress(stderr);
                result = script::RunGateway(path.c_str(), account.user ? account.user->c_str() : nullptr,
                                            account.password ? account.password->c_str() : nullptr, &message, &progress,
                                            nullptr, &detail);
                progress.Finish();
                if (result != script::result::kSent) break;
            }
            saved = watched.Save();
            paged = trace.PagesWritten();
        }
        std::printf("result %d (%s)\n", result, script::ResultSummary(result, &detail).c_str());
        if (!detail.excerpt.empty()) {
            std::printf("Request%d answered: %s\n", detail.request, ShownText(detail.excerpt, false).c_str());
        }
        if (!saved || !paged) return kExitFailed;
        return result == script::result::kSent ? kExitOk : kExitFailed;
    }

    RunOptions options_;
    CLI::App* command_ = nullptr;
};

}  // namespace

std::unique_ptr<Command> MakeRunCommand() { return std::make_unique<RunCommand>(); }
