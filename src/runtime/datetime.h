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

DateTime ClampDateTime(DateTime value);
CalendarFields ClampCalendarFields(CalendarFields fields);
DateTime DateTimeFromFields(const CalendarFields& fields);           // fields must be valid
SystemTimeFields DateTimeToFields(DateTime value);                   // value must be in range; ms 0
Text FoldFullWidth(const Text& text);

DateTime ToDateTime(const Text& text);
DateTime ToDateTime(DateTime value);
DateTime MakeDateTime(std::optional<int> year = {}, std::optional<int> month = {}, std::optional<int> day = {},
                      std::optional<int> hour = {}, std::optional<int> minute = {}, std::optional<int> second = {});
DateTime AddToDateTime(DateTime value, int unit, int amount);

using ClockSetter = bool (*)(const SystemTimeFields& localTime);
// Sets the local clock to the value (clamped, rounded to the nearest second). Returns
// false when the platform refuses. The setter defaults to the platform's (runtime/clock.h).
bool SetCurrentTime(DateTime value, ClockSetter setter = nullptr);

}  // namespace clocktool
