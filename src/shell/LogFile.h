// The log file as the system opens it for appending: every entry goes to
// the end of the file in one unbuffered call (O_APPEND natively,
// FILE_APPEND_DATA on Windows, under a lock there), so an entry that was
// written survives a kill of the process, and entries of processes sharing
// the file never mix.
#pragma once

#include <cstddef>
#include <cstdint>

namespace logfile {

using Handle = intptr_t;
constexpr Handle kNone = -1;

// Opens the file for appending, creating it when missing; kNone on failure.
Handle Open(const char* name);
// Appends the entry whole, in text mode: on Windows each "\n" is written
// as CR LF. false when it could not be written.
bool Append(Handle file, const char* entry, size_t length);
void Close(Handle file);

}  // namespace logfile
