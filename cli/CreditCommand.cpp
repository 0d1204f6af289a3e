// parlet credit: each gateway's credit, as its [Credit] section reads it.
// Nothing is sent.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "CommandSupport.h"
#include "Commands.h"
#include "Inquiries.h"
#include "record/Recording.h"
#include "script/Inquiry.h"
#include "script/profile/Profile.h"

namespace {

struct CreditOptions {
    std::string target = ".";
    InquiryOptions inquiry;
};

// The gateway files to ask: the one named, or the folder's with a [Credit]
// section, by name.
std::vector<std::string> FilesToAsk(const std::string& target) {
    std::error_code ec;
    if (!std::filesystem::is_directory(target, ec)) return {Absolute(target)};
    std::vector<std::string> files;
    for (const auto& item : std::filesystem::directory_iterator(target, ec)) {
        const std::string path = Absolute(item.path().string());
        if (item.path().extension() == ".ini" && script::HasCredit(path.c_str())) files.push_back(path);
    }
    std::sort(files.begin(), files.end());
    return files;
}

class CreditCommand : public Command {
public:
    CLI::App* Define(CLI::App& app) override {
        CLI::App* command =
            app.add_subcommand("credit", "print each gateway's credit, as its [Credit] section reads it");
        command->footer(
            "Exit codes: 0 every credit was read, 1 one was not (unknown, or its requests failed), 2 bad usage.\n"
            "A folder asks each FILE.ini with a [Credit] section. Nothing is sent.");
        command->add_option("file", options_.target, "gateway definition file, or a gateway folder (default: .)")
            ->check(CLI::ExistingPath);
        AddInquiryOptions(command, &options_.inquiry);
        return command;
    }

    int Run() override {
        if (!InquiryUsable(options_.inquiry)) return kExitUsage;
        const std::vector<std::string> files = FilesToAsk(options_.target);
        if (files.empty()) {
            std::fprintf(stderr, "parlet credit: no gateway file in %s has a [Credit] section\n",
                         options_.target.c_str());
            return kExitFailed;
        }
        bool all = true;
        const bool answered = Answered(options_.inquiry, [&] {
            for (const std::string& path : files) all = Ask(path) && all;
        });
        return all && answered ? kExitOk : kExitFailed;
    }

private:
    // One file's credit on standard output; whether it was read.
    bool Ask(const std::string& path) {
        const std::string name = record::FileName(path);
        Credentials account;
        if (!ChooseAccount(path, options_.inquiry.account, &account)) {
            std::printf("%s: unknown (no account %d)\n", name.c_str(), options_.inquiry.account);
            return false;
        }
        script::Credit credit;
        script::RunDetail detail;
        const int result = script::ReadCredit(path.c_str(), account.user ? account.user->c_str() : nullptr,
                                              account.password ? account.password->c_str() : nullptr, &credit, &detail);
        std::string line = name + ": " + script::CreditText(credit);
        double mark = 0;
        if (script::CreditIsLow(path.c_str(), credit) && script::CreditLowMark(path.c_str(), &mark)) {
            line += " (below CreditLow " +
                    profile::Read(path.c_str(), script::kCreditSection, script::kCreditLowKey, script::kValueSize) +
                    ")";
        }
        if (result != script::result::kSent) line += " (" + script::ResultLine(result, &detail) + ")";
        std::printf("%s\n", ShownText(line, false).c_str());
        std::fflush(stdout);
        return result == script::result::kSent && credit.known;
    }

    CreditOptions options_;
};

}  // namespace

std::unique_ptr<Command> MakeCreditCommand() { return std::make_unique<CreditCommand>(); }
