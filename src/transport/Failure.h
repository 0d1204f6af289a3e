// Why an exchange gave no reply, or why a body read failed: one vocabulary
// for both carriers. Reasons are WinInet's error numbers, which the libcurl
// carrier maps its own codes to, so both builds log the same lines.
#pragma once

namespace transport {

// The WinInet error numbers a carrier may report (winerror.h / wininet.h).
constexpr unsigned long kErrorNoMemory = 8;                // ERROR_NOT_ENOUGH_MEMORY
constexpr unsigned long kErrorTimeout = 12002;             // ERROR_INTERNET_TIMEOUT
constexpr unsigned long kErrorInternal = 12004;            // ERROR_INTERNET_INTERNAL_ERROR
constexpr unsigned long kErrorInvalidUrl = 12005;          // ERROR_INTERNET_INVALID_URL
constexpr unsigned long kErrorUnrecognizedScheme = 12006;  // ERROR_INTERNET_UNRECOGNIZED_SCHEME
constexpr unsigned long kErrorNameNotResolved = 12007;     // ERROR_INTERNET_NAME_NOT_RESOLVED
constexpr unsigned long kErrorCancelled = 12017;           // ERROR_INTERNET_OPERATION_CANCELLED
constexpr unsigned long kErrorCannotConnect = 12029;       // ERROR_INTERNET_CANNOT_CONNECT
constexpr unsigned long kErrorConnectionAborted = 12030;   // ERROR_INTERNET_CONNECTION_ABORTED
constexpr unsigned long kErrorConnectionReset = 12031;     // ERROR_INTERNET_CONNECTION_RESET
constexpr unsigned long kErrorInvalidResponse = 12152;     // ERROR_HTTP_INVALID_SERVER_RESPONSE
constexpr unsigned long kErrorSecurityChannel = 12157;     // ERROR_INTERNET_SECURITY_CHANNEL_ERROR

// The WinInet number for a system error that a library passes on as it
// came from the socket (Wine's WinInet gives WSAECONNRESET for a reset
// within the body); other numbers are given back as they are.
unsigned long InternetError(unsigned long error);

// The short text of an error number ("unknown error" for one not listed).
const char* ErrorText(unsigned long error);

// What ended an exchange without a reply.
enum class Failure {
    kTimedOut,         // a time-out or the deadline
    kHeadersTooLarge,  // the header block passed its cap
    kBodyTooLarge,     // the bytes received passed the body cap
    kOther,            // the library's error, by number
};

// "HTTP exchange failed: <what> (<detail>)", only while "Verbose" is on.
// `error` is read for kOther alone.
void LogFailure(Failure failure, unsigned long error = 0);

// "ERROR: InternetReadFile failed with error 0x%.8X": a body read failed.
void LogReadFailure(unsigned long error);

}  // namespace transport
