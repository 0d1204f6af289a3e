// parlet draft: a gateway file drafted from a browser's recording (HAR) of
// one SMS sent by hand on the provider's site.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "Commands.h"
#include "draft/Draft.h"
#include "record/Har.h"
#include "shell/FileReplace.h"

namespace {

bool AllDigits(const std::string& s) { return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos; }

std::string BaseName(const std::string& path) { return path.substr(path.find_last_of("/\\") + 1); }

// Line ends as the platform's text files have them: standard output is a
// text stream, which turns "\n" into CR LF on Windows.
std::string TextLines(const std::string& crlf) {
    std::string out;
    for (size_t at = 0; at < crlf.size(); ++at) {
        if (crlf[at] == '\r' && at + 1 < crlf.size() && crlf[at + 1] == '\n') continue;
        out += crlf[at];
    }
    return out;
}

class DraftCommand : public Command {
public:
    CLI::App* Define(CLI::App& app) override {
        CLI::App* command = app.add_subcommand(
            "draft", "draft a gateway file from a browser's recording (HAR) of one SMS sent by hand on the site");
        command->footer(
            "Exit codes: 0 drafted (guesses marked \"; check:\" and listed on standard error), 2 bad usage or a "
            "recording no file can be drafted from.");
        command->add_option("recording", recording_, "the HAR file the browser saved")->required();
        command->add_option("--prefix", given_.prefix, "the country prefix of the number sent to, digits")->required();
        command->add_option("--number", given_.number, "the number sent to, without the prefix, digits")->required();
        command->add_option("--message", given_.message, "the message sent, as typed")->required();
        command->add_option("--user", user_, "the account's user name typed on the site");
        command->add_option("--password,--pass", password_, "the account's password typed on the site");
        command->add_option("-o,--output", output_,
                            "write the file here (whole, or not at all), not to standard output");
        command_ = command;
        return command;
    }

    bool NeedsHost() const override { return false; }

    int Run() override {
        if (!AllDigits(given_.prefix) || !AllDigits(given_.number)) {
            std::fprintf(stderr, "parlet: --prefix and --number take digits only\n");
            return kExitUsage;
        }
        if (given_.message.empty()) {
            std::fprintf(stderr, "parlet: --message is empty\n");
            return kExitUsage;
        }
        if (command_->count("--user")) given_.user = user_;
        if (command_->count("--password")) given_.password = password_;
        given_.source = BaseName(recording_);

        std::string text, error;
        har::Document document;
        if (!ReadFile(recording_, &text)) {
            std::fprintf(stderr, "parlet: %s: cannot be read\n", recording_.c_str());
            return kExitUsage;
        }
        if (!har::Parse(text, &document, &error)) {
            std::fprintf(stderr, "parlet: %s: %s\n", recording_.c_str(), error.c_str());
            return kExitUsage;
        }
        draft::Draft result;
        if (!draft::DraftGateway(document, given_, &result, &error)) {
            std::fprintf(stderr, "parlet: %s: %s\n", recording_.c_str(), error.c_str());
            return kExitUsage;
        }
        for (const std::string& check : result.checks) std::fprintf(stderr, "parlet: check: %s\n", check.c_str());
        if (!output_.empty()) {
            if (!files::ReplaceWhole(output_, result.text)) {
                std::fprintf(stderr, "parlet: %s: cannot be written\n", output_.c_str());
                return kExitUsage;
            }
            std::fprintf(stderr, "parlet: wrote %s\n", output_.c_str());
            return kExitOk;
        }
        const std::string lines = TextLines(result.text);
        std::fwrite(lines.data(), 1, lines.size(), stdout);
        return kExitOk;
    }

private:
    static bool ReadFile(const std::string& path, std::string* text) {
        std::ifstream in(path, std::ios::binary);
        if (!in) return false;
        std::ostringstream bytes;
        bytes << in.rdbuf();
        *text = bytes.str();
        return !in.bad();
    }

    std::string recording_, user_, password_, output_;
    draft::Given given_;
    CLI::App* command_ = nullptr;
};

}  // namespace

std::unique_ptr<Command> MakeDraftCommand() { return std::make_unique<DraftCommand>(); }
