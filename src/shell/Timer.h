// A periodic timer on the calling thread (the host's interface thread): its
// work runs from that thread's message loop, between other messages. One
// timer for the plug-in (the outbox's retries).
#pragma once

namespace timer {

using Work = void (*)();

// Calls `work` every `periodMs` until Stop. On Windows a thread timer
// (SetTimer); elsewhere nothing is started: tests call the work themselves.
void Start(unsigned periodMs, Work work);
void Stop();

// Calls `work` once, as soon as the calling thread's message loop runs again
// (after the host's start-up hooks have all run); a later call replaces a
// work not yet done, and CancelSoon drops it. Elsewhere there is no message
// loop: the work runs at once.
void Soon(Work work);
void CancelSoon();

}  // namespace timer
