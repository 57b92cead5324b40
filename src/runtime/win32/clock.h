// The Windows clock setter with its final call replaceable, so that tests can see the
// SYSTEMTIME without ever reaching the real clock.
#pragma once

#include <windows.h>

#include "runtime/datetime.h"

namespace clocktool {

SYSTEMTIME ToSystemTime(const SystemTimeFields& localTime);

// SetLocalClock with `setLocalTime` in place of the platform's SetLocalTime.
using SetLocalTimeFunction = BOOL(WINAPI*)(const SYSTEMTIME* localTime);
bool SetLocalClockThrough(const SystemTimeFields& localTime, SetLocalTimeFunction setLocalTime);

}  // namespace clocktool
