// The outbox's workers for torture.sh (OutboxTorture.cpp).
#pragma once

#include <string>

namespace torture {

// Changes the outbox FILE ROUNDS times (0: until killed): adds a message,
// marks one as being sent, drops the oldest, each change a whole new file,
// checked after each; "started" after the first.
int OutboxChanges(const std::string& file, long rounds, unsigned seed);
// Every message whole (its text is its id's pattern) and the file sound;
// prints the number of messages.
int OutboxCheck(const std::string& file);
// Keeps one message in FOLDER's outbox and starts the plug-in's retries:
// prints "sending" once the gateway has the request, and then hangs in it
// until killed.
int RetryHang(const std::string& folder);
// The next start after that kill: the message is in state unknown, the user
// was told, and a week of retries sends nothing. Prints what it found.
int StartAfterKill(const std::string& folder);

}  // namespace torture
