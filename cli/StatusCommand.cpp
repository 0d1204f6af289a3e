// parlet status: the delivery state of a message, as the gateway file's
// [Status] section reads it. Nothing is sent.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <memory>
#include <string>

#include "CommandSupport.h"
#include "Commands.h"
#include "Inquiries.h"
#include "script/Inquiry.h"

namespace {

struct StatusOptions {
    std::string file, id;
    InquiryOptions inquiry;
};

class StatusCommand : public Command {
public:
    CLI::App* Define(CLI::App& app) override {
        CLI::App* command =
            app.add_subcommand("status", "print a message's delivery state: delivered, failed, pending or unknown");
        command->footer(
            "Exit codes: 0 the state was read (delivered, failed or pending), 1 unknown, 2 bad usage.\n"
            "ID is the message id the send's reply named ([Gateway] MessageId). Nothing is sent.");
        command->add_option("file", options_.file, "gateway definition file")->required()->check(CLI::ExistingFile);
        command->add_option("id", options_.id, "the message id")->required();
        AddInquiryOptions(command, &options_.inquiry);
        return command;
    }

    int Run() override {
        if (!InquiryUsable(options_.inquiry)) return kExitUsage;
        if (options_.id.empty() || FieldTooLong("message id", options_.id)) return kExitUsage;
        const std::string path = Absolute(options_.file);
        Credentials account;
        if (!ChooseAccount(path, options_.inquiry.account, &account)) return kExitUsage;
        script::Delivery state = script::Delivery::kUnknown;
        int result = script::result::kSent;
        script::RunDetail detail;
        const bool answered = Answered(options_.inquiry, [&] {
            result = script::ReadDelivery(path.c_str(), account.user ? account.user->c_str() : nullptr,
                                          account.password ? account.password->c_str() : nullptr, options_.id.c_str(),
                                          &state, &detail);
        });
        std::printf("%s\n", script::DeliveryName(state));
        if (result != script::result::kSent) {
            std::fprintf(stderr, "parlet: %s\n", script::ResultLine(result, &detail).c_str());
        }
        return answered && state != script::Delivery::kUnknown ? kExitOk : kExitFailed;
    }

private:
    StatusOptions options_;
};

}  // namespace

std::unique_ptr<Command> MakeStatusCommand() { return std::make_unique<StatusCommand>(); }
