// What the Outbox options page shows and saves, apart from its window: the
// outbox's settings as fields, and the kept messages as rows of the list.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "send/Outbox.h"

namespace ui {

struct OutboxFields {
    bool queueFailed = false;  // "QueueFailed"
    std::string retryMinutes;  // "QueueRetryMinutes", digits
    std::string maxTries;      // "QueueMaxTries", digits
    std::string queuedMsg;     // "QueuedMsg"
    bool logHistory = false;   // "LogHistory"
};

// The fields as the settings give them, defaults for absent ones.
OutboxFields LoadOutboxFields();
// Writes the five settings; number boxes are read as the General page reads them.
void SaveOutboxFields(const OutboxFields& fields);

// One row of the list: the message's id and its cells.
struct OutboxRow {
    uint32_t id;
    std::string number;   // prefix, blank, number
    std::string words;    // the first words of the text, on one line, in the ANSI code page
    std::string tries;    // tries made
    std::string nextTry;  // "now", "in N min", or "-" when it waits for the user
    std::string state;    // translated: "queued", "sending", "state unknown", "given up"
};
std::vector<OutboxRow> OutboxRows(const outbox::Contents& contents, uint32_t now);

// The text's first words, line breaks as blanks, cut to about `limit` bytes
// at a blank (or a character) with "..." after.
std::string FirstWords(const std::string& text, size_t limit);

}  // namespace ui
