// Clock setter for Linux and other POSIX systems: the fields are read as local time
// with mktime and the system clock is set with clock_settime (needs CAP_SYS_TIME).
#include "runtime/posix/clock.h"

#include <cerrno>

#include "runtime/clock.h"

namespace clocktool {
namespace {

// The same limits SetLocalTime applies on Windows.
constexpr int kFirstYear = 1601;
constexpr int kLastYear = 30827;

}  // namespace

std::optional<timespec> LocalTimeToTimespec(const SystemTimeFields& t) {
    if (t.year < kFirstYear || t.year > kLastYear || t.month < 1 || t.month > 12 || t.day < 1 ||
        t.day > DaysInMonth(t.year, t.month) || t.hour < 0 || t.hour > 23 || t.minute < 0 || t.minute > 59 ||
        t.second < 0 || t.second > 59 || t.milliseconds < 0 || t.milliseconds > 999) {
        return std::nullopt;
    }
    tm local{};
    local.tm_year = t.year - 1900;
    local.tm_mon = t.month - 1;
    local.tm_mday = t.day;
    local.tm_hour = t.hour;
    local.tm_min = t.minute;
    local.tm_sec = t.second;
    local.tm_isdst = -1;  // let the time zone rules decide whether summer time applies
    errno = 0;
    const time_t seconds = mktime(&local);
    // -1 is also a real moment (one second before 1970 UTC); errno tells them apart.
    if (seconds == static_cast<time_t>(-1) && errno != 0) return std::nullopt;
    return timespec{seconds, static_cast<long>(t.milliseconds) * 1000000L};
}

bool SetLocalClockThrough(const SystemTimeFields& localTime, ClockSetTime settime) {
    const std::optional<timespec> moment = LocalTimeToTimespec(localTime);
    return moment && settime(CLOCK_REALTIME, &*moment) == 0;
}

bool SetLocalClock(const SystemTimeFields& localTime) {
    return SetLocalClockThrough(localTime, clock_settime);
}

}  // namespace clocktool
