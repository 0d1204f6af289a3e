// parlet probe: a gateway file (or a folder's enabled gateways) run against
// the live site up to, not including, the request that sends the message.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "CommandSupport.h"
#include "Commands.h"
#include "Recorded.h"
#include "catalogue/Catalogue.h"
#include "catalogue/PrefixTable.h"
#include "record/Recording.h"
#include "script/Inquiry.h"
#include "script/Runner.h"
#include "script/profile/Profile.h"

namespace {

// What a probe run sends as number and message; the message never leaves.
constexpr const char* kProbeNumber = "1234567";
constexpr const char* kProbeMessage = "parlet probe";

struct ProbeStep {
    int section = 0;
    std::string method, url;
    std::vector<int> statuses;  // the reply and the redirects after it (0: none came)
    std::vector<std::string> cookies;
    std::vector<script::Lookup> lookups;
};

// Sees each probe run: its requests, replies and lookups, and ends it
// before the request that sends.
class ProbeReport : public record::ExchangeObserver, public script::RunObserver {
public:
    void RunStarted(const char*, const char*, const char*, const script::SmsMessage&) override { steps.clear(); }
    void RequestStarted(int section) override {
        steps.push_back(ProbeStep{});
        steps.back().section = section;
    }
    void Sending(const har::Request& request) override {
        if (steps.empty() || !steps.back().method.empty()) return;
        steps.back().method = request.method;
        steps.back().url = request.url;
    }
    void Received(const har::Request&, const har::Response& response, double) override {
        if (steps.empty()) return;
        steps.back().statuses.push_back(response.status);
        for (const har::NameValue& c : response.cookies) steps.back().cookies.push_back(c.name);
    }
    void Looked(int, const script::Lookup& lookup) override {
        if (!steps.empty()) steps.back().lookups.push_back(lookup);
    }
    int StopBefore(const char* path) override {
        stop = script::SendingRequest(path, &guessed);
        return stop;
    }

    std::vector<ProbeStep> steps;
    int stop = 0;
    bool guessed = false;
};

struct Verdict {
    std::string state;  // healthy, broken, untested
    std::string step;   // where it broke, or why nothing was probed
};

std::string StepLine(const ProbeStep& s) {
    std::string line = "Request" + std::to_string(s.section) + " " + s.method + " " + s.url + ":";
    for (size_t i = 0; i < s.statuses.size(); ++i) {
        line += (i ? " -> " : " ") + (s.statuses[i] ? std::to_string(s.statuses[i]) : std::string("no reply"));
    }
    if (!s.cookies.empty()) {
        line += ", cookies";
        for (const std::string& c : s.cookies) line += " " + c;
    }
    for (const script::Lookup& l : s.lookups) {
        line += ", " + l.key + " " + l.text +
                (!l.found     ? " NOT FOUND"
                 : l.ranToEnd ? " RAN TO THE END OF THE PAGE"
                              : " found");
    }
    return line;
}

Verdict Judge(const ProbeReport& report, int result, const script::RunDetail& detail) {
    if (result != script::result::kSent) {
        const std::string where =
            report.steps.empty() ? std::string("[Gateway]") : "Request" + std::to_string(report.steps.back().section);
        return {"broken", where + ": " + script::ResultLine(result, &detail)};
    }
    for (const ProbeStep& s : report.steps) {
        for (const script::Lookup& l : s.lookups) {
            const std::string where = "Request" + std::to_string(s.section) + ": " + l.key + " " + l.text;
            if (!l.found) return {"broken", where + " not found"};
            if (l.ranToEnd) return {"broken", where + " ran to the end of the page (the text after (*) was not found)"};
        }
    }
    if (report.steps.empty()) {
        return {"untested", "Request" + std::to_string(report.stop) + " sends the message: nothing to probe"};
    }
    return {"healthy", ""};
}

struct ProbeOptions {
    std::string target;
    int account = 0;
    RecordOptions record;
};

class ProbeCommand : public Command {
public:
    CLI::App* Define(CLI::App& app) override {
        CLI::App* command =
            app.add_subcommand("probe",
                               "check gateways against their live sites without sending: every request before the one "
                               "that sends the message");
        command->footer(
            "Exit codes: 0 healthy, 1 broken (the file and the step named), 2 bad usage.\nThe request that "
            "sends is the first whose URL or PostString names $Message, or that has Sends=1.");
        command->add_option("file", options_.target, "gateway definition file, or a gateway folder")
            ->required()
            ->check(CLI::ExistingPath);
        command->add_option("--account", options_.account, "account N of each file's account file (default: 1)")
            ->check(CLI::Range(1, 255));
        AddRecordOptions(command, &options_.record);
        return command;
    }

    int Run() override {
        if (!RecordUsable(options_.record)) return kExitUsage;
        std::error_code ec;
        const bool folder = std::filesystem::is_directory(options_.target, ec);
        std::vector<std::string> files;
        if (folder) {
            if (LoadCatalogue(options_.target) != 0) return kExitFailed;
            for (const GatewayView& g : ListGateways()) {
                if (g.enabled) files.push_back(g.path);
            }
        } else {
            files.push_back(Absolute(options_.target));
        }
        ProbeReport report;
        std::vector<std::pair<std::string, Verdict>> verdicts;
        bool saved = true;
        {
            Watched watched(options_.record, charset::Charset::Default(), {&report}, {&report});
            for (const std::string& path : files) {
                std::optional<Verdict> verdict = Probe(path, report, !folder);
                if (!verdict) return kExitUsage;
                verdicts.push_back({record::FileName(path), *verdict});
            }
            saved = watched.Save();
        }
        if (folder) Table(verdicts);
        bool broken = false;
        for (const auto& v : verdicts) broken = broken || v.second.state == "broken";
        return broken || !saved ? kExitFailed : kExitOk;
    }

private:
    // One file's probe; its steps on standard output when `detailed`.
    std::optional<Verdict> Probe(const std::string& path, ProbeReport& report, bool detailed) {
        Credentials account;
        if (!ChooseAccount(path, options_.account, &account)) return std::nullopt;
        const std::vector<std::string> prefixes = ReadPrefixList(path).values;
        const std::string prefix = prefixes.empty() ? "0" : prefixes.front().substr(0, prefixes.front().find(';'));
        script::SmsMessage message{prefix.c_str(), kProbeNumber, kProbeMessage, nullptr};
        script::RunDetail detail;
        const int result = script::RunGateway(path.c_str(), account.user ? account.user->c_str() : nullptr,
                                              account.password ? account.password->c_str() : nullptr, &message, nullptr,
                                              nullptr, &detail);
        Verdict verdict = Judge(report, result, detail);
        const std::optional<script::Credit> credit = ProbeCredit(path, account, detail, &verdict);
        if (detailed) {
            const std::string name = record::FileName(path);
            for (const ProbeStep& s : report.steps) std::printf("  %s\n", ShownText(StepLine(s), false).c_str());
            if (report.stop > 0) {
                std::printf("  Request%d not sent: %s\n", report.stop,
                            report.guessed ? "taken as the request that sends (none names $Message or has Sends=1)"
                                           : "it sends the message");
            }
            if (credit) std::printf("  credit: %s\n", ShownText(script::CreditText(*credit), false).c_str());
            std::printf("%s: %s%s%s\n", name.c_str(), verdict.state.c_str(), verdict.step.empty() ? "" : " at ",
                        ShownText(verdict.step, false).c_str());
        }
        return verdict;
    }

    // A file with [Credit]: the credit, read as parlet credit reads it (its
    // requests never send); an unknown one breaks a probe that was healthy.
    // A credit on a page the probe's own run read (SendPage) is taken from there.
    static std::optional<script::Credit> ProbeCredit(const std::string& path, const Credentials& account,
                                                     const script::RunDetail& probed, Verdict* verdict) {
        if (!script::HasCredit(path.c_str())) return std::nullopt;
        script::Credit credit = probed.credit;
        script::RunDetail detail;
        int result = script::result::kSent;
        if (!credit.known) {
            result = script::ReadCredit(path.c_str(), account.user ? account.user->c_str() : nullptr,
                                        account.password ? account.password->c_str() : nullptr, &credit, &detail);
        }
        if (verdict->state != "broken" && (result != script::result::kSent || !credit.known)) {
            const std::string why = result != script::result::kSent ? script::ResultLine(result, &detail)
                                                                    : std::string("the reply does not show it");
            *verdict = {"broken", std::string("[") + script::kCreditSection + "]: credit unknown: " + why};
        }
        return credit;
    }

    static void Table(const std::vector<std::pair<std::string, Verdict>>& verdicts) {
        int width = 7;
        for (const auto& v : verdicts) width = std::max(width, static_cast<int>(v.first.size()));
        std::printf("%-*s %-8s %s\n", width, "gateway", "state", "step");
        for (const auto& v : verdicts) {
            std::printf("%-*s %-8s %s\n", width, v.first.c_str(), v.second.state.c_str(),
                        v.second.step.empty() ? "-" : ShownText(v.second.step, false).c_str());
        }
    }

    ProbeOptions options_;
};

}  // namespace

std::unique_ptr<Command> MakeProbeCommand() { return std::make_unique<ProbeCommand>(); }
