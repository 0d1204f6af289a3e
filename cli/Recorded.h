// --record FILE and --redact, as parlet run, send and probe take them: the
// command's exchanges saved as a HAR recording when it ends.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "record/Observers.h"
#include "record/Recording.h"
#include "record/Tap.h"

namespace CLI {
class App;
}

struct RecordOptions {
    std::string file;
    bool redact = false;
};

void AddRecordOptions(CLI::App* command, RecordOptions* options);

// The recording's folder must be there before anything is sent; false,
// with a message, when it is not.
bool RecordUsable(const RecordOptions& options);

// The seams of one command: its exchanges go through the real carrier to
// `exchanges` (and the recording, when asked for), its runs are seen by
// `runs` (and the recording). Saves the recording when it ends.
class Watched {
public:
    Watched(const RecordOptions& options, const charset::Charset& encoding,
            std::vector<record::ExchangeObserver*> exchanges, std::vector<script::RunObserver*> runs);
    ~Watched();
    Watched(const Watched&) = delete;
    Watched& operator=(const Watched&) = delete;

    // Writes the recording (when asked for) and says where; false, with a
    // message, when it cannot be written.
    bool Save();

private:
    RecordOptions options_;
    std::unique_ptr<record::Recording> recording_;
    record::NetworkCarrier network_;
    std::unique_ptr<record::RunObservers> runs_;
    std::unique_ptr<record::ObservingRuns> observing_;
    std::unique_ptr<record::Tap> tap_;
};
