// Clock seam: sets the system clock from local-time fields.
// Implemented once per platform: win32/clock.cpp (SetLocalTime), posix/clock.cpp (mktime and
// clock_settime). Each platform also offers SetLocalClockThrough with the final call injectable.
#pragma once

#include "runtime/datetime.h"

namespace clocktool {

// Reads the fields as local time in the current time zone, milliseconds as given.
// Returns false when the platform refuses (no right to set the clock, or a year before 1601).
bool SetLocalClock(const SystemTimeFields& localTime);

}  // namespace clocktool
