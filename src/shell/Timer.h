// Periodic timers on the calling thread (the host's interface thread): their
// work runs from that thread's message loop, between other messages. One
// timer for each job of the plug-in that waits (a slot each).
#pragma once

namespace timer {

using Work = void (*)();

enum class Slot {
    kOutbox,    // the outbox's retries
    kDelivery,  // the asks for delivery reports
    kCount
};

// Calls `work` every `periodMs` until Stop. On Windows a thread timer
// (SetTimer); elsewhere nothing is started: tests call the work themselves.
void Start(Slot slot, unsigned periodMs, Work work);
void Stop(Slot slot);

// Calls `work` once, as soon as the calling thread's message loop runs again
// (after the host's start-up hooks have all run); a later call replaces a
// work not yet done, and CancelSoon drops it. Elsewhere there is no message
// loop: the work runs at once.
void Soon(Work work);
void CancelSoon();

}  // namespace timer
