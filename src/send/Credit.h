// A gateway's credit as the plug-in keeps it: read after a send (on the
// send's thread) or on the user's word (on a worker thread), shown in the
// send dialog's status line and on the Credit page, kept in the settings
// with the time it was read, and checked against the gateway's "CreditLow".
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "script/ProviderFacts.h"
#include "script/Runner.h"

namespace credit {

// The send dialog's status line after a send: "Message sent successfully"
// with " (credit: 12.40 EUR)" when the credit is known.
std::string SentStatus(const script::Credit& credit);

// Whether a reading of `current` has just fallen below `low`: true only
// when the last known reading before it (`previous`, none for no reading)
// was not below already, so a notice comes once per crossing.
bool FellBelow(std::optional<double> previous, double current, double low);

// --- the engine's side (a seam: tests put their own) ---------------------------

// Reads a gateway's credit on the caller's thread (script::ReadCredit).
using Reader = int (*)(const char* path, const char* user, const char* password, script::Credit* credit,
                       script::RunDetail* detail, std::atomic<int>* abortFlag);
// Null puts the engine's back.
void SetReader(Reader reader);
// The credit of the gateway file `path`, read now with the account given
// (null for none); none when the file tells no credit. Never sends a message.
std::optional<script::Credit> Read(const std::string& path, const char* user, const char* password,
                                   std::atomic<int>* abortFlag);

// --- what the plug-in keeps -------------------------------------------------------

// The last known credit of gateway `name` (its file name) and when it was
// read (seconds on the plug-in's clock).
struct Kept {
    std::string value;
    std::string unit;
    uint32_t readAt = 0;
};
std::optional<Kept> Load(const std::string& name);

// A reading of gateway `name` (file `path`): a known one is kept with the
// time and checked against the file's "CreditLow" (a notice when it falls
// below); every reading is logged. Any thread.
void Record(const std::string& name, const std::string& path, const script::Credit& credit);

// --- reading again from the Credit page -------------------------------------------

// Reads every gateway of the catalogue that tells a credit, with its first
// account, on a thread of its own, recording each; then calls done(context)
// on that thread. false when a reading is under way already or no thread
// could be started.
using Done = void (*)(void* context);
bool ReadAllInBackground(Done done, void* context);
// Whether a background reading runs; at unload: stops it and waits for its end.
bool ReadingInBackground();
void StopBackgroundReading();

}  // namespace credit
