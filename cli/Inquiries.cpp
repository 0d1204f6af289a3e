#include "Inquiries.h"

#include <CLI/CLI.hpp>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>

#include "CommandSupport.h"
#include "record/Observers.h"
#include "record/Replay.h"
#include "shell/Log.h"
#include "shell/Settings.h"

namespace {

bool ReadRecording(const std::string& path, har::Document* document) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    std::string error;
    if (!in || !har::Parse(bytes.str(), document, &error)) {
        std::fprintf(stderr, "parlet: cannot read the recording %s%s%s\n", path.c_str(), error.empty() ? "" : ": ",
                     error.c_str());
        return false;
    }
    return true;
}

// `ask` answered by the recording's exchanges in order; false when a request
// differs from the one recorded in its place or one is left over.
bool Replayed(const std::string& path, const std::function<void()>& ask) {
    har::Document document;
    if (!ReadRecording(path, &document)) return false;
    bool ours = false, redacted = false;
    for (const har::Page& page : document.pages) {
        ours = ours || page.run.has_value();
        redacted = redacted || (page.run && page.run->redacted);
    }
    record::ReplayCarrier carrier(document.entries, ours, redacted);
    {
        record::Tap tap(&carrier, {});
        record::ObservingRuns observing(&carrier);
        ask();
    }
    if (const record::ReplayStep* first = carrier.FirstDivergence()) {
        std::fprintf(stderr, "parlet: the request %s %s diverged from %s: %s\n", first->method.c_str(),
                     ShownText(first->path, false).c_str(), path.c_str(),
                     first->differences.empty() ? "no recorded answer"
                                                : ShownText(first->differences.front(), false).c_str());
        return false;
    }
    if (carrier.Unused() > 0) {
        std::fprintf(stderr, "parlet: %d recorded exchanges of %s were not asked for\n", carrier.Unused(),
                     path.c_str());
        return false;
    }
    return true;
}

}  // namespace

void AddInquiryOptions(CLI::App* command, InquiryOptions* options) {
    command->add_option("--account", options->account, "account N of the file's account file (default: 1)")
        ->check(CLI::Range(1, 255));
    AddRecordOptions(command, &options->record);
    command->add_option("--replay", options->replay, "answer the requests from a HAR recording, not the network")
        ->check(CLI::ExistingFile);
    command->add_flag("--verbose", options->verbose, "echo the log, reply pages too, on standard error");
}

bool InquiryUsable(const InquiryOptions& options) {
    if (!options.replay.empty() && !options.record.file.empty()) {
        std::fprintf(stderr, "parlet: --replay and --record do not go together\n");
        return false;
    }
    return RecordUsable(options.record);
}

bool Answered(const InquiryOptions& options, const std::function<void()>& ask) {
    if (options.verbose) {
        settings::WriteByte("Verbose", 1);
        logging::SetObserver(EchoLog, nullptr);
    }
    bool ok = true;
    if (!options.replay.empty()) {
        ok = Replayed(options.replay, ask);
    } else {
        Watched watched(options.record, charset::Charset::Default(), {}, {});
        ask();
        ok = watched.Save();
    }
    logging::SetObserver(nullptr, nullptr);
    return ok;
}

script::Delivery WaitForDelivery(const std::string& path, const char* user, const char* password, const std::string& id,
                                 const script::PollSchedule& schedule) {
    script::Delivery state = script::Delivery::kUnknown;
    for (int attempt = 0; attempt < schedule.tries; ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(script::PollDelayMs(schedule, attempt)));
        script::RunDetail detail;
        const int result = script::ReadDelivery(path.c_str(), user, password, id.c_str(), &state, &detail);
        std::fprintf(stderr, "parlet: delivery of %s, try %d: %s%s%s\n", id.c_str(), attempt + 1,
                     script::DeliveryName(state), result == script::result::kSent ? "" : " (",
                     result == script::result::kSent ? "" : (script::ResultLine(result, &detail) + ")").c_str());
        if (state == script::Delivery::kDelivered || state == script::Delivery::kFailed) break;
    }
    return state;
}

script::PollSchedule DeliverySchedule(int firstMs) {
    if (firstMs <= 0) return script::kDeliveryPolls;
    return script::PollSchedule{script::kDeliveryPolls.tries, firstMs, firstMs * 4};
}
