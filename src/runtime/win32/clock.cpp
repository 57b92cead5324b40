// Clock setter for Windows: SetLocalTime reads the SYSTEMTIME as local time and refuses
// without the right to change the clock, or for years before 1601.
#include "runtime/win32/clock.h"

#include "runtime/clock.h"

namespace clocktool {

SYSTEMTIME ToSystemTime(const SystemTimeFields& t) {
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(t.year);
    st.wMonth = static_cast<WORD>(t.month);
    st.wDayOfWeek = static_cast<WORD>(t.dayOfWeek);
    st.wDay = static_cast<WORD>(t.day);
    st.wHour = static_cast<WORD>(t.hour);
    st.wMinute = static_cast<WORD>(t.minute);
    st.wSecond = static_cast<WORD>(t.second);
    st.wMilliseconds = static_cast<WORD>(t.milliseconds);
    return st;
}

bool SetLocalClockThrough(const SystemTimeFields& localTime, SetLocalTimeFunction setLocalTime) {
    const SYSTEMTIME st = ToSystemTime(localTime);
    return setLocalTime(&st) != 0;
}

bool SetLocalClock(const SystemTimeFields& localTime) {
    return SetLocalClockThrough(localTime, SetLocalTime);
}

}  // namespace clocktool
