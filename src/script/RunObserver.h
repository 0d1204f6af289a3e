// What tools for gateway authors (the trace of parlet run, recordings,
// replay and probe) learn of a run beyond its log: where each run and each
// request starts, every value a page was searched for, found or not, and the
// result. The plug-in sets none; with none set a run behaves as without it.
#pragma once

#include "script/Extract.h"
#include "script/Runner.h"

namespace script {

class RunObserver {
public:
    virtual ~RunObserver() = default;
    // Before the first request, with the account and message the run uses.
    virtual void RunStarted(const char* /*path*/, const char* /*user*/, const char* /*password*/,
                            const SmsMessage& /*message*/) {}
    // After RunStarted, when the run is an inquiry: `section` is "Credit" or
    // "Status", and the sections of `stem` ("Credit1", ...) are its
    // requests (or the send's, "Request1", ..., for a credit shown there).
    virtual void InquiryStarted(const char* /*section*/, const char* /*stem*/) {}
    // Request section `section` (of the run's stem) is about to be built and sent.
    virtual void RequestStarted(int /*section*/) {}
    // A "CustomVar%d" or "Key%d" of `section` was read on its page.
    virtual void Looked(int /*section*/, const Lookup& /*lookup*/) {}
    // The run's result, as RunGateway gives it.
    virtual void RunEnded(int /*result*/) {}
    // A section number from which on nothing is sent: the run ends before
    // that request with the result it has so far (0: no such limit).
    virtual int StopBefore(const char* /*path*/) { return 0; }
};

// The observer of every run from now on (null: none). Set it while no run
// is under way.
void SetRunObserver(RunObserver* observer);

// The key of a request section that marks it as the one sending the message.
constexpr const char* kSendsKey = "Sends";

// The request section of a gateway file that sends the message: the first
// whose "Sends" is a number other than 0, or whose URL or PostString names
// "$Message". When none does, the last request section, and `guessed` is
// set; 0 when the file has no request.
int SendingRequest(const char* path, bool* guessed);

}  // namespace script
