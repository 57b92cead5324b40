// Date-time values in the OLE Automation date format, and setting the local clock.
//
// A DateTime is days since 30 December 1899 with the time of day as the fraction,
// always read as local time. Valid from 1 January 100 to 31 December 9999.
#pragma once

#include <optional>

#include "runtime/text.h"

namespace clocktool {

struct DateTime {
    double value = 0.0;
    friend bool operator==(const DateTime&, const DateTime&) = default;
};

inline constexpr double kMinDateTime = -657434.0;     // 1 January 100, 00:00:00
inline constexpr double kMaxDateTime = 2958465.0;     // 31 December 9999, 00:00:00
inline constexpr DateTime kDateTimeFailure{kMinDateTime};

struct CalendarFields {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    friend bool operator==(const CalendarFields&, const CalendarFields&) = default;
};

// The eight fields handed to the clock setter, in SYSTEMTIME order.
struct SystemTimeFields {
    int year = 0, month = 0, dayOfWeek = 0, day = 0, hour = 0, minute = 0, second = 0, milliseconds = 0;
    friend bool operator==(const SystemTimeFields&, const SystemTimeFields&) = default;
};

// The proleptic Gregorian calendar, for years from 1 on.
bool IsLeapYear(int year);
int DaysInMonth(int year, int month);               // month 1..12
int DayOfWeek(int year, int month, int day);        // 0 = Sunday; a valid date

DateTime ClampDateTime(DateTime value);                              // a NaN becomes the lower end
CalendarFields ClampCalendarFields(CalendarFields fields);           // each field on its own, no carry
DateTime DateTimeFromFields(const CalendarFields& fields);           // fields must be valid
// The fields of the nearest whole second (milliseconds 0) with the weekday; the value
// must lie in the valid range.
SystemTimeFields DateTimeToFields(DateTime value);
Text FoldFullWidth(const Text& text);

// Reads year, month, day and optionally hour, minute, second from a text such as
// "2077年7月7日07时07分7秒" or "2077-07-07 07:07:07" (full-width forms folded first).
// Returns the failure value for anything else; a DateTime comes back unchanged.
DateTime ToDateTime(const Text& text);
DateTime ToDateTime(DateTime value);
// Left-out fields are 1 (date) or 0 (time); out-of-range fields are clamped, never carried.
DateTime MakeDateTime(std::optional<int> year = {}, std::optional<int> month = {}, std::optional<int> day = {},
                      std::optional<int> hour = {}, std::optional<int> minute = {}, std::optional<int> second = {});
// Unit codes 1..8 (others clamped): year, quarter, month (calendar: the day is kept or
// cut to the month's end), week, day, hour, minute, second (timeline: not clamped).
DateTime AddToDateTime(DateTime value, int unit, int amount);

using ClockSetter = bool (*)(const SystemTimeFields& localTime);
// Sets the local clock to the value (clamped, rounded to the nearest second). Returns
// false when the platform refuses. The setter defaults to the platform's (runtime/clock.h).
bool SetCurrentTime(DateTime value, ClockSetter setter = nullptr);

}  // namespace clocktool
