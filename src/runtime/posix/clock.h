// The POSIX clock setter in two steps, so that the refusal of a moment can be tested
// without ever reaching the real clock.
#pragma once

#include <time.h>

#include <optional>

#include "runtime/datetime.h"

namespace clocktool {

// The moment that local-time fields stand for, in the computer's current time zone,
// with the milliseconds as given. Empty when the fields are not a moment the clock may
// take: out of range, or a year before 1601 (Windows cannot represent those either).
std::optional<timespec> LocalTimeToTimespec(const SystemTimeFields& localTime);

// SetLocalClock with the final call replaceable: `settime` has the shape of
// clock_settime and is reached only for fields that LocalTimeToTimespec accepts.
using ClockSetTime = int (*)(clockid_t clock, const timespec* time);
bool SetLocalClockThrough(const SystemTimeFields& localTime, ClockSetTime settime);

}  // namespace clocktool
