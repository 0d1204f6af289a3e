// The clock the relay, the outbox and the history share: seconds since
// 1 January 1970 UTC, as the 32-bit value that "LastSendTime" keeps. Tests
// put a clock of their own in its place. (Its namespace is the relay's, who
// kept it first.)
#pragma once

#include <cstdint>
#include <string>

namespace forward {

using ClockSource = uint32_t (*)();

uint32_t Now();
// Null gives the system's clock back.
void SetClock(ClockSource source);

// The system's clock (one file per platform).
uint32_t SystemNow();

// A time of this clock in the local time zone: "14:02", and with the date
// "2026-12-08 14:02".
std::string LocalClockText(uint32_t at);
std::string LocalDateText(uint32_t at);

}  // namespace forward
