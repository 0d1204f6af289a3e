// A gateway's credit as the plug-in keeps it: read after a send (on the
// send's thread) or on the user's word (on a worker thread), shown in the
// send dialog's status line and on the Credit page, kept in the settings
// with the time it was read, and checked against the gateway's "CreditLow".
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace credit {

// One reading: the value cut from the provider's reply and its unit ("" for
// none); `known` is false when the reply did not say.
struct Reading {
    bool known = false;
    std::string value;  // "12.40"
    std::string unit;   // "EUR"
};

// "12.40 EUR", "12.40" without a unit, "unknown" when not known.
std::string Text(const Reading& reading);
// The send dialog's status line after a send: "Message sent successfully"
// with " (credit: 12.40 EUR)" when the credit is known.
std::string SentStatus(const Reading& reading);

// A figure as a number: an optional sign, digits, one '.' or ',' and more
// digits, blanks around; none for anything else (then no "CreditLow" check).
std::optional<double> ParseAmount(const std::string& text);

// Whether a reading of `current` has just fallen below `low`: true only
// when the last known reading before it (`previous`, none for no reading)
// was not below already, so a notice comes once per crossing.
bool FellBelow(std::optional<double> previous, double current, double low);

// --- the engine's side (a seam: tests put their own) ---------------------------

// Reads the credit of the gateway file `path` (a run of its [Credit]
// section); none when the file has no such section. Runs on the caller's
// thread; `abortFlag` (may be null) stops it.
using Reader = std::function<std::optional<Reading>(const std::string& path, std::atomic<int>* abortFlag)>;
// Null puts the engine's back.
void SetReader(Reader reader);
std::optional<Reading> Read(const std::string& path, std::atomic<int>* abortFlag);

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
void Record(const std::string& name, const std::string& path, const Reading& reading);

// --- reading again from the Credit page -------------------------------------------

// Reads every gateway of the catalogue that has a credit section, on a
// thread of its own, recording each; then calls `done` on that thread.
// false when a reading is under way already or no thread could be started.
bool ReadAllInBackground(std::function<void()> done);
// Whether a background reading runs; at unload: stops it and waits for its end.
bool ReadingInBackground();
void StopBackgroundReading();

}  // namespace credit
