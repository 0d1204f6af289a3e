// parlet replay: a gateway file run against a recording instead of the
// network, each request compared with the one recorded in its place.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "CommandSupport.h"
#include "Commands.h"
#include "record/Observers.h"
#include "record/Recording.h"
#include "record/Replay.h"
#include "script/RequestHeaders.h"
#include "script/Runner.h"
#include "shell/FileReplace.h"

namespace {

struct ReplayOptions {
    std::string target, recording, prefix, number, message;
    int account = 0;
    bool update = false;
};

// Stand-ins for the number and message of a redacted recording: any will do,
// since the live run is redacted the same way before it is compared.
constexpr const char* kStandInNumber = "5550100";
constexpr const char* kStandInMessage = "replayed message";

bool ReadWhole(const std::string& path, std::string* text) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    if (!in) return false;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    *text = bytes.str();
    return !in.bad();
}

// What one replay found.
struct Outcome {
    int exitCode = kExitOk;
    bool diverged = false;
};

class Replay {
public:
    Replay(const ReplayOptions& options, std::string ini, std::string har)
        : options_(options), ini_(std::move(ini)), har_(std::move(har)) {}

    Outcome Run() {
        std::string text, error;
        if (!ReadWhole(har_, &text)) return Bad("cannot read the recording " + har_);
        if (!har::Parse(text, &document_, &error)) return Bad(har_ + ": " + error);
        if (!ChoosePage()) return Outcome{kExitUsage, false};
        script::SmsMessage message{};
        if (!ChooseTexts(&message) || !ChooseCredentials()) return Outcome{kExitUsage, false};

        record::ReplayCarrier carrier(entries_, page_ != nullptr, page_ && page_->run->redacted);
        script::RunDetail detail;
        int result = 0;
        {
            record::Tap tap(&carrier, {});
            record::ObservingRuns observing(&carrier);
            result = script::RunGateway(ini_.c_str(), user_ ? user_->c_str() : nullptr,
                                        password_ ? password_->c_str() : nullptr, &message, nullptr, nullptr, &detail);
        }
        return Report(carrier, result, detail);
    }

private:
    Outcome Bad(const std::string& why) {
        std::fprintf(stderr, "parlet: %s\n", why.c_str());
        return Outcome{kExitUsage, false};
    }

    // The page of this gateway file (the first run of it); a browser's
    // export, without runs of ours, is replayed whole.
    bool ChoosePage() {
        const std::string name = record::FileName(ini_);
        std::string held;
        for (const har::Page& p : document_.pages) {
            if (!p.run) continue;
            if (p.run->file == name) {
                page_ = &p;
                break;
            }
            held += (held.empty() ? "" : ", ") + p.run->file;
        }
        if (!page_ && !held.empty()) {
            // A recording of one run goes with the file whatever its name now.
            const har::Page* only = nullptr;
            int runs = 0;
            for (const har::Page& p : document_.pages) {
                if (p.run && ++runs == 1) only = &p;
            }
            if (runs != 1) {
                Bad(har_ + " holds no run of " + name + " (it holds runs of " + held + ")");
                return false;
            }
            page_ = only;
            std::fprintf(stderr, "parlet: replaying the run of %s recorded in %s\n", page_->run->file.c_str(),
                         har_.c_str());
        }
        for (size_t i = 0; i < document_.entries.size(); ++i) {
            if (!page_ || document_.entries[i].pageref == page_->id) {
                entries_.push_back(document_.entries[i]);
                entryIndex_.push_back(i);
            }
        }
        if (entries_.empty()) {
            Bad(har_ + " holds no exchange" + (page_ ? " of " + name : std::string()));
            return false;
        }
        return true;
    }

    // Prefix, number and message: the options, else the recorded ones, in
    // the recording's charset, so both builds send the same bytes.
    bool ChooseTexts(script::SmsMessage* message) {
        const har::RunRecord* run = page_ ? &*page_->run : nullptr;
        const bool given = !options_.prefix.empty() && !options_.number.empty() && !options_.message.empty();
        if (!run && !given) {
            Bad(har_ + " does not say what the run sent: give --prefix, --number and --message");
            return false;
        }
        std::string prefix = options_.prefix, number = options_.number, text = options_.message;
        if (run) {
            if (prefix.empty()) prefix = run->prefix;
            if (number.empty()) number = run->redacted ? kStandInNumber : run->number;
            if (text.empty()) text = run->redacted ? kStandInMessage : run->message;
            if (run->sender) sender_ = *run->sender;
        }
        if (run && !run->charset.empty()) {
            encoding_ = charset::Charset::Find(run->charset);
        } else if (script::AsksForJson(ini_.c_str())) {
            encoding_ = charset::Charset::Utf8();  // as run and send give a JSON body the message
        }
        if (!encoding_) {
            Bad(har_ + ": the recorded charset " + run->charset + " is unknown here");
            return false;
        }
        const std::string sender = sender_;
        if (!Encoded(*encoding_, "prefix", prefix, &prefix_) || !Encoded(*encoding_, "number", number, &number_) ||
            !Encoded(*encoding_, "message", text, &message_) || !Encoded(*encoding_, "sender", sender, &sender_)) {
            return false;
        }
        if (!MessageUsable(message_) || !DestinationUsable(prefix_, number_)) return false;
        message->prefix = prefix_.c_str();
        message->number = number_.c_str();
        message->text = message_.c_str();
        message->sender = run && run->sender ? sender_.c_str() : nullptr;
        message->charset = encoding_->name().c_str();
        return true;
    }

    // --account K; else the recorded account; else the file's, as run takes it.
    bool ChooseCredentials() {
        const har::RunRecord* run = page_ ? &*page_->run : nullptr;
        if (options_.account == 0 && run && !run->redacted && (run->user || run->password)) {
            std::string user, password;
            if (!Encoded(*encoding_, "user", run->user.value_or(""), &user) ||
                !Encoded(*encoding_, "password", run->password.value_or(""), &password)) {
                return false;
            }
            if (run->user) user_ = user;
            if (run->password) password_ = password;
            return true;
        }
        Credentials account;
        if (!ChooseAccount(ini_, options_.account, &account)) return false;
        user_ = account.user;
        password_ = account.password;
        return true;
    }

    Outcome Report(const record::ReplayCarrier& carrier, int result, const script::RunDetail& detail) {
        int n = 0;
        for (const record::ReplayStep& s : carrier.Steps()) {
            std::string where = "Request" + std::to_string(s.section);
            if (!page_ && s.entry > 0) where += ", entry " + std::to_string(s.entry);
            std::printf("%d %s %s (%s): ", ++n, s.method.c_str(), ShownText(s.path, false).c_str(), where.c_str());
            if (s.entry == 0 || !s.differences.empty()) {
                std::string line;
                for (const std::string& d : s.differences) line += (line.empty() ? "" : "; ") + d;
                if (!s.why.empty()) line += " (" + s.why + ")";
                std::printf("%s\n", ShownText(line, false).c_str());
            } else {
                std::printf("as recorded, %d\n", s.status);
            }
        }
        const int recorded = page_ ? page_->run->result : script::result::kSent;
        std::printf("result %d (%s)", result, script::ResultSummary(result, &detail).c_str());
        if (result == recorded) {
            std::printf(", as recorded\n");
        } else {
            std::printf("; recorded: %d (%s)\n", recorded, script::DescribeResult(recorded).name);
        }

        const record::ReplayStep* first = carrier.FirstDivergence();
        const bool leftOver = page_ && carrier.Unused() > 0;
        Outcome outcome;
        outcome.diverged = first || leftOver || result != recorded;
        if (!outcome.diverged) return outcome;
        outcome.exitCode = kExitFailed;
        const std::string name = record::FileName(ini_);
        if (first) {
            const int at = static_cast<int>(first - carrier.Steps().data()) + 1;
            std::fprintf(stderr, "parlet: %s diverged at request %d (Request%d): %s\n", name.c_str(), at,
                         first->section, ShownText(first->differences.front(), false).c_str());
        } else if (leftOver) {
            std::fprintf(stderr, "parlet: %s made %zu requests; the recording holds %zu\n", name.c_str(),
                         carrier.Steps().size(), entries_.size());
        } else {
            std::fprintf(stderr, "parlet: %s ended with result %d; the recording with %d\n", name.c_str(), result,
                         recorded);
        }
        if (options_.update) outcome.exitCode = Update(carrier, result);
        return outcome;
    }

    // The live requests in place of the recorded ones, the run's result in
    // place of the recorded one; entries the run no longer reaches dropped.
    int Update(const record::ReplayCarrier& carrier, int result) {
        for (const record::ReplayStep& s : carrier.Steps()) {
            if (s.entry == 0) {
                std::fprintf(stderr,
                             "parlet: cannot update %s: the run made requests it holds no answer to; record it "
                             "again\n",
                             har_.c_str());
                return kExitFailed;
            }
        }
        har::Document updated = document_;
        std::vector<bool> keep(updated.entries.size(), true);
        if (page_) {
            for (size_t i : entryIndex_) keep[i] = false;
        }
        for (const record::ReplayStep& s : carrier.Steps()) {
            const size_t i = entryIndex_[static_cast<size_t>(s.entry - 1)];
            updated.entries[i].request = s.live;
            keep[i] = true;
        }
        std::vector<har::Entry> entries;
        for (size_t i = 0; i < updated.entries.size(); ++i) {
            if (keep[i]) entries.push_back(std::move(updated.entries[i]));
        }
        updated.entries = std::move(entries);
        for (har::Page& p : updated.pages) {
            if (page_ && p.id == page_->id) {
                p.run->file = record::FileName(ini_);
                p.run->result = result;
                p.run->resultName = script::DescribeResult(result).name;
            }
        }
        if (!files::ReplaceWhole(har_, har::Format(updated), files::InPlace::kNever)) {
            std::fprintf(stderr, "parlet: cannot write %s\n", har_.c_str());
            return kExitFailed;
        }
        std::fprintf(stderr, "parlet: %s updated with the run's %zu requests\n", har_.c_str(), carrier.Steps().size());
        return kExitOk;
    }

    const ReplayOptions& options_;
    std::string ini_, har_;
    har::Document document_;
    const har::Page* page_ = nullptr;
    std::vector<har::Entry> entries_;
    std::vector<size_t> entryIndex_;  // each of entries_ in the document
    std::optional<charset::Charset> encoding_ = charset::Charset::Default();
    std::string prefix_, number_, message_, sender_;
    std::optional<std::string> user_, password_;
};

class ReplayCommand : public Command {
public:
    CLI::App* Define(CLI::App& app) override {
        ReplayOptions& o = options_;
        CLI::App* command =
            app.add_subcommand("replay",
                               "run a gateway file against a recording instead of the network, comparing each request");
        command->footer(
            "Exit codes: 0 every request as recorded and the recorded result, 1 the run diverged, 2 bad usage or a "
            "bad recording.\nA folder replays each FILE.ini that has FILE.har beside it.");
        command->add_option("file", o.target, "gateway definition file, or a folder of them")
            ->required()
            ->check(CLI::ExistingPath);
        command->add_option("recording", o.recording, "the HAR recording (for a folder: FILE.har beside FILE.ini)");
        command->add_option("--prefix", o.prefix, "country prefix (default: the recorded one)");
        command->add_option("--number", o.number, "number without the prefix (default: the recorded one)");
        command->add_option("--message", o.message, "the message (default: the recorded one)");
        command->add_option("--account", o.account, "account N of the file's account file (default: the recorded one)")
            ->check(CLI::Range(1, 255));
        command->add_flag("--update", o.update, "write the run's requests and result into the recording");
        return command;
    }

    int Run() override {
        std::error_code ec;
        if (!std::filesystem::is_directory(options_.target, ec)) {
            if (options_.recording.empty()) {
                std::fprintf(stderr, "parlet replay: give the recording: parlet replay FILE.ini REC.har\n");
                return kExitUsage;
            }
            return Replay(options_, Absolute(options_.target), options_.recording).Run().exitCode;
        }
        if (!options_.recording.empty() || !options_.prefix.empty() || !options_.number.empty() ||
            !options_.message.empty() || options_.account != 0) {
            std::fprintf(stderr,
                         "parlet replay: a folder takes no recording, --prefix, --number, --message or "
                         "--account: each FILE.ini is replayed against FILE.har\n");
            return kExitUsage;
        }
        return ReplayFolder();
    }

private:
    int ReplayFolder() {
        std::vector<std::filesystem::path> files;
        for (const auto& item : std::filesystem::directory_iterator(options_.target)) {
            if (item.path().extension() == ".ini") files.push_back(item.path());
        }
        std::sort(files.begin(), files.end());
        int exitCode = kExitOk, same = 0, diverged = 0, bad = 0;
        std::string without;
        for (const std::filesystem::path& ini : files) {
            std::filesystem::path har = ini;
            har.replace_extension(".har");
            std::error_code ec;
            if (!std::filesystem::exists(har, ec)) {
                without += (without.empty() ? "" : ", ") + ini.filename().string();
                continue;
            }
            std::printf("== %s\n", ini.filename().string().c_str());
            std::fflush(stdout);
            const Outcome outcome = Replay(options_, Absolute(ini.string()), har.string()).Run();
            std::fflush(stdout);
            if (outcome.exitCode == kExitUsage) {
                ++bad;
            } else if (outcome.diverged) {
                ++diverged;
            } else {
                ++same;
            }
            exitCode = std::max(exitCode, outcome.exitCode);
        }
        std::printf("%d replayed: %d as recorded, %d diverged, %d bad recordings", same + diverged + bad, same,
                    diverged, bad);
        if (!without.empty()) std::printf("; without a recording: %s", without.c_str());
        std::printf("\n");
        return exitCode;
    }

    ReplayOptions options_;
};

}  // namespace

std::unique_ptr<Command> MakeReplayCommand() { return std::make_unique<ReplayCommand>(); }
