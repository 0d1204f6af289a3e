#include "transport/Failure.h"

#include "shell/Log.h"
#include "shell/Settings.h"
#include "transport/Http.h"

namespace transport {
namespace {

struct ErrorName {
    unsigned long error;
    const char* text;
};

constexpr ErrorName kErrorNames[] = {
    {kErrorNoMemory, "out of memory"},
    {kErrorTimeout, "timed out"},
    {kErrorInternal, "internal error"},
    {kErrorInvalidUrl, "invalid URL"},
    {kErrorUnrecognizedScheme, "unrecognized scheme"},
    {kErrorNameNotResolved, "name not resolved"},
    {kErrorCancelled, "operation cancelled"},
    {kErrorCannotConnect, "cannot connect"},
    {kErrorConnectionAborted, "connection aborted"},
    {kErrorConnectionReset, "connection reset"},
    {kErrorInvalidResponse, "invalid server response"},
    {kErrorSecurityChannel, "security channel error"},
};

// Winsock's numbers for what WinInet names itself.
struct SocketError {
    unsigned long socket;
    unsigned long internet;
};
constexpr SocketError kSocketErrors[] = {
    {10053, kErrorConnectionAborted},  // WSAECONNABORTED
    {10054, kErrorConnectionReset},    // WSAECONNRESET
    {10060, kErrorTimeout},            // WSAETIMEDOUT
    {10061, kErrorCannotConnect},      // WSAECONNREFUSED
};

}  // namespace

unsigned long InternetError(unsigned long error) {
    for (const SocketError& e : kSocketErrors) {
        if (e.socket == error) return e.internet;
    }
    return error;
}

const char* ErrorText(unsigned long error) {
    for (const ErrorName& name : kErrorNames) {
        if (name.error == error) return name.text;
    }
    return "unknown error";
}

void LogFailure(Failure failure, unsigned long error) {
    if (!settings::Verbose()) return;
    switch (failure) {
    case Failure::kTimedOut:
        WriteLog("HTTP exchange failed: timed out (error %lu, %s)\n", kErrorTimeout, ErrorText(kErrorTimeout));
        break;
    case Failure::kHeadersTooLarge:
        WriteLog("HTTP exchange failed: reply too large (headers beyond %d bytes)\n", kMaxHeaderBytes);
        break;
    case Failure::kBodyTooLarge:
        WriteLog("HTTP exchange failed: reply too large (body beyond %d bytes)\n", kMaxBodyBytes);
        break;
    case Failure::kOther:
        WriteLog("HTTP exchange failed: failed (error %lu, %s)\n", InternetError(error),
                 ErrorText(InternetError(error)));
        break;
    }
}

void LogReadFailure(unsigned long error) {
    WriteLog("ERROR: InternetReadFile failed with error 0x%.8X\n", static_cast<unsigned>(InternetError(error)));
}

}  // namespace transport
