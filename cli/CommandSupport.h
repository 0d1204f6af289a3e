// What several parlet commands share: the stand-in host for one run, paths,
// charsets and the checks of the texts a user gives.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "shell/Charset.h"

// The send dialog's fields hold this much; longer texts are refused.
constexpr size_t kFieldLimit = 1023;

// Brings up the stand-in host for one command: its database from
// `settingsFile` (when given; a file that is missing or cannot be read is an
// error), message boxes on standard error. The file is only read.
class HostSession {
public:
    explicit HostSession(std::string settingsFile);
    ~HostSession();
    bool ok() const { return ok_; }

private:
    std::string settingsFile_;
    bool ok_ = true;
};

// Log entries on standard error, without their time stamps, as they happen
// (a log observer).
void EchoLog(const char* entry, void*);
// A log entry's text behind its time stamp.
const char* LogText(const char* entry);

// Text bound for the terminal: control bytes as \xNN, so a page or a file
// never drives the terminal; line breaks and tabs stay when `keepBreaks`.
std::string ShownText(const std::string& text, bool keepBreaks);

// The account a run of a gateway file uses: account N (N > 0, else 1) of
// its account file, else the [Gateway] Username and Password, as the send
// job would. Says which on standard error; false when N names no account.
struct Credentials {
    std::optional<std::string> user, password;
};
bool ChooseAccount(const std::string& path, int account, Credentials* credentials);

std::string Absolute(const std::string& path);
// The absolute path without a trailing separator, so that joined paths stay clean.
std::string FolderText(const std::string& folder);

// The text of an option in the charset the provider gets; false, with a
// message naming the first character that does not fit, when it cannot.
bool Encoded(const charset::Charset& encoding, const char* what, const std::string& utf8, std::string* out);
// The charset named by --charset, or the default; none (with a message)
// when the name is unknown.
std::optional<charset::Charset> ChosenCharset(const std::string& name);
using charset::LossyEncoded;

// True, with a message, when `value` does not fit a field of the dialog.
bool FieldTooLong(const char* what, const std::string& value);
// Prefix and number given apart: digits only, caught before any gateway is tried.
bool DestinationUsable(const std::string& prefix, const std::string& number);
bool MessageUsable(const std::string& message);

// Whether the folder or file the user named is there; says so when not.
bool FolderGiven(const std::string& folder);
bool FileGiven(const std::string& path);

// Points the catalogue at `folder` and scans it; -1, with a message, when
// it cannot.
int LoadCatalogue(const std::string& folder);

// --split N (when given) and --number-parts, as the options page would set
// them, for this run: split mode with N parts at most, or cut mode.
void ApplySplitOptions(bool splitGiven, int split, bool numberParts);
