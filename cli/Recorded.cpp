#include "Recorded.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <filesystem>

void AddRecordOptions(CLI::App* command, RecordOptions* options) {
    command->add_option("--record", options->file, "save every exchange in FILE, a HAR recording");
    command->add_flag("--redact", options->redact,
                      "keep the user, password, number, message and tokens out of the recording ($User, $Pass, ...)");
}

bool RecordUsable(const RecordOptions& options) {
    if (options.file.empty()) {
        if (options.redact) std::fprintf(stderr, "parlet: --redact belongs to --record\n");
        return !options.redact;
    }
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::absolute(options.file, ec).parent_path();
    if (ec || !std::filesystem::is_directory(folder, ec)) {
        std::fprintf(stderr, "parlet: cannot record into %s: no such folder\n", options.file.c_str());
        return false;
    }
    if (std::filesystem::is_directory(options.file, ec)) {
        std::fprintf(stderr, "parlet: cannot record into %s: it is a folder\n", options.file.c_str());
        return false;
    }
    return true;
}

Watched::Watched(const RecordOptions& options, const charset::Charset& encoding,
                 std::vector<record::ExchangeObserver*> exchanges, std::vector<script::RunObserver*> runs)
    : options_(options) {
    if (!options.file.empty()) {
        recording_ = std::make_unique<record::Recording>(encoding, options.redact);
        exchanges.push_back(recording_.get());
        runs.push_back(recording_.get());
    }
    runs_ = std::make_unique<record::RunObservers>(std::move(runs));
    observing_ = std::make_unique<record::ObservingRuns>(runs_.get());
    tap_ = std::make_unique<record::Tap>(&network_, std::move(exchanges));
}

Watched::~Watched() = default;

bool Watched::Save() {
    if (!recording_) return true;
    std::string error;
    if (!recording_->Save(options_.file, &error)) {
        std::fprintf(stderr, "parlet: %s\n", error.c_str());
        return false;
    }
    const har::Document document = recording_->Document();
    const size_t runs = document.pages.size();
    std::fprintf(stderr, "parlet: recorded %zu exchanges (%zu run%s) in %s\n", document.entries.size(), runs,
                 runs == 1 ? "" : "s", options_.file.c_str());
    if (!options_.redact) {
        std::fprintf(stderr,
                     "parlet: %s holds the account's password (and user, number, message, tokens); --redact keeps "
                     "them out\n",
                     options_.file.c_str());
    }
    return true;
}
