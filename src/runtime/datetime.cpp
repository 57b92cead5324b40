#include "runtime/datetime.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "runtime/clock.h"

namespace clocktool {
namespace {

constexpr double kSecondsPerDay = 86400.0;
constexpr double kHalfSecond = 0.5 / kSecondsPerDay;

// The day count of the calendar formula for 30 December 1899, which is DateTime 0.
constexpr int kDayCountOfEpoch = 693959;

constexpr int kMonthLengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
constexpr int kDaysBeforeMonth[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};

}  // namespace

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    return month == 2 && IsLeapYear(year) ? 29 : kMonthLengths[month - 1];
}

namespace {

// The day count of the calendar formula; years are at least 1 here, so / floors.
std::int64_t DayCount(int year, int month, int day) {
    std::int64_t days = std::int64_t{year} * 365 + year / 4 - year / 100 + year / 400 + kDaysBeforeMonth[month - 1] + day;
    if (IsLeapYear(year) && month <= 2) days -= 1;
    return days;
}

// The weekday of a day number; 30 December 1899 (day 0) was a Saturday, and the offset
// keeps the dividend positive from the year 1 on.
int WeekdayOfDayNumber(std::int64_t dayNumber) {
    return static_cast<int>((dayNumber + 693958) % 7);
}

// The calendar date of a DateTime day number (days from 30 December 1899).
void DateFromDayNumber(std::int64_t dayNumber, SystemTimeFields& fields) {
    const std::int64_t count = dayNumber + kDayCountOfEpoch;
    int year = static_cast<int>(count / 365.2425);
    while (year > 1 && DayCount(year, 1, 1) > count) --year;
    while (DayCount(year + 1, 1, 1) <= count) ++year;
    int dayOfYear = static_cast<int>(count - DayCount(year, 1, 1));  // 0-based
    int month = 1;
    while (month < 12 && dayOfYear >= DaysInMonth(year, month)) {
        dayOfYear -= DaysInMonth(year, month);
        ++month;
    }
    fields.year = year;
    fields.month = month;
    fields.day = dayOfYear + 1;
}

// OLE dates before 30 December 1899 count the time of day forward from a negative
// day number (-1.25 is 29 December, 06:00). On the continuous scale time runs
// forward everywhere, so arithmetic works; the mapping is its own inverse apart from
// which way a whole number is rounded.
double ToContinuous(double value) {
    return value < 0 ? 2 * std::ceil(value) - value : value;
}

double FromContinuous(double value) {
    return value < 0 ? 2 * std::floor(value) - value : value;
}

}  // namespace

int DayOfWeek(int year, int month, int day) {
    return WeekdayOfDayNumber(DayCount(year, month, day) - kDayCountOfEpoch);
}

DateTime ClampDateTime(DateTime value) {
    if (value.value > kMaxDateTime) return DateTime{kMaxDateTime};
    // A NaN is no moment at all; it becomes the lower end, like a value below the range,
    // rather than reaching the calendar arithmetic.
    if (!(value.value >= kMinDateTime)) return DateTime{kMinDateTime};
    return value;
}

CalendarFields ClampCalendarFields(CalendarFields fields) {
    fields.year = std::clamp(fields.year, 100, 9999);
    fields.month = std::clamp(fields.month, 1, 12);
    fields.day = std::clamp(fields.day, 1, 31);
    fields.hour = std::clamp(fields.hour, 0, 23);
    fields.minute = std::clamp(fields.minute, 0, 59);
    fields.second = std::clamp(fields.second, 0, 59);
    fields.day = std::min(fields.day, DaysInMonth(fields.year, fields.month));
    return fields;
}

DateTime DateTimeFromFields(const CalendarFields& fields) {
    const double days = static_cast<double>(DayCount(fields.year, fields.month, fields.day) - kDayCountOfEpoch);
    const double time = (fields.hour * 3600 + fields.minute * 60 + fields.second) / kSecondsPerDay;
    return DateTime{days >= 0 ? days + time : days - time};
}

SystemTimeFields DateTimeToFields(DateTime value) {
    // Round to the nearest second on the continuous scale, so that a moment within half
    // a second of midnight before 1900 rolls into the next day rather than two days back.
    const double rounded = ToContinuous(value.value) + kHalfSecond;
    const double dayNumber = std::floor(rounded);
    // A fraction a hair below 1 can multiply out to a whole 86400 seconds.
    const int seconds = std::min(static_cast<int>(std::floor((rounded - dayNumber) * kSecondsPerDay)), 86399);

    SystemTimeFields fields;
    DateFromDayNumber(static_cast<std::int64_t>(dayNumber), fields);
    fields.hour = seconds / 3600;
    fields.minute = seconds / 60 % 60;
    fields.second = seconds % 60;
    fields.dayOfWeek = WeekdayOfDayNumber(static_cast<std::int64_t>(dayNumber));
    fields.milliseconds = 0;
    return fields;
}

Text FoldFullWidth(const Text& text) {
    const std::string& in = text.bytes();
    std::string out;
    out.reserve(in.size());
    for (std::size_t i = 0; i < in.size(); ++i) {
        const auto lead = static_cast<unsigned char>(in[i]);
        if (lead < 0x80) {
            out += static_cast<char>(lead);
            continue;
        }
        if (i + 1 == in.size()) break;  // a lead byte without its second byte is dropped
        const auto trail = static_cast<unsigned char>(in[++i]);
        if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) {
            out += static_cast<char>(trail - 0x80);  // full-width ASCII form
        } else if (lead == 0xA1 && trail == 0xA1) {
            out += ' ';  // ideographic space
        } else if (lead == 0xA1 && trail == 0xAB) {
            out += '~';
        } else if (lead == 0xA1 && (trail == 0xEE || trail == 0xEF)) {
            out += '*';  // white and black star
        } else {
            out += static_cast<char>(lead);
            out += static_cast<char>(trail);
        }
    }
    return Text(std::move(out));
}

namespace {

struct DateTextField {
    int maxDigits;
    const char* separators;  // single bytes that may follow the field
    const char* unit;        // two GBK bytes that may follow the field instead, or ""
};

// The six fields of a date text, in reading order.
constexpr DateTextField kDateTextFields[6] = {
    {4, "/-:.", "\xC4\xEA"},   // year,   年
    {2, "/-:.", "\xD4\xC2"},   // month,  月
    {2, "/-:. ", "\xC8\xD5"},  // day,    日 (only the day may be followed by a space)
    {2, "/-:.", "\xCA\xB1"},   // hour,   时
    {2, "/-:.", "\xB7\xD6"},   // minute, 分
    {2, "", ""},               // second
};

constexpr std::string_view kSecondUnit = "\xC3\xEB";  // 秒

}  // namespace

DateTime ToDateTime(DateTime value) {
    return value;
}

DateTime ToDateTime(const Text& text) {
    const Text folded = FoldFullWidth(text);
    const std::string_view bytes = folded.view();
    if (bytes.empty()) return kDateTimeFailure;

    int numbers[6] = {};
    std::size_t cursor = 0;
    for (int f = 0; f < 6; ++f) {
        const DateTextField& field = kDateTextFields[f];
        for (int d = 0; d < field.maxDigits && cursor < bytes.size() && bytes[cursor] >= '0' && bytes[cursor] <= '9'; ++d) {
            numbers[f] = numbers[f] * 10 + (bytes[cursor++] - '0');
        }
        if (cursor >= bytes.size()) continue;
        const std::string_view rest = bytes.substr(cursor);
        const std::string_view separators = field.separators;
        const std::string_view unit = field.unit;
        if (separators.find(rest.front()) != std::string_view::npos) {
            cursor += 1;
        } else if (!unit.empty() && rest.starts_with(unit)) {
            cursor += unit.size();
        }
    }
    // Whatever follows 秒 is ignored; anything else after the second is not a date.
    if (cursor != bytes.size() && !bytes.substr(cursor).starts_with(kSecondUnit)) return kDateTimeFailure;

    const CalendarFields read{numbers[0], numbers[1], numbers[2], numbers[3], numbers[4], numbers[5]};
    if (ClampCalendarFields(read) != read) return kDateTimeFailure;
    return DateTimeFromFields(read);
}

DateTime MakeDateTime(std::optional<int> year, std::optional<int> month, std::optional<int> day,
                      std::optional<int> hour, std::optional<int> minute, std::optional<int> second) {
    const CalendarFields fields{year.value_or(1), month.value_or(1), day.value_or(1),
                                hour.value_or(0), minute.value_or(0), second.value_or(0)};
    return DateTimeFromFields(ClampCalendarFields(fields));
}

namespace {

enum DateTimeUnit { kYear = 1, kQuarter, kMonth, kWeek, kDay, kHour, kMinute, kSecond };

// Days in one unit of the timeline units, as numerator / denominator so that an
// amount of hours is amount / 24 rather than amount * (1 / 24).
struct TimelineUnit {
    double daysPerUnit;
    double unitsPerDay;
};
constexpr TimelineUnit kTimelineUnits[] = {
    {7, 1},        // week
    {1, 1},        // day
    {1, 24},       // hour
    {1, 1440},     // minute
    {1, 86400},    // second
};

int ClampToInt(std::int64_t value) {
    return static_cast<int>(std::clamp<std::int64_t>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

}  // namespace

DateTime AddToDateTime(DateTime value, int unit, int amount) {
    unit = std::clamp(unit, 1, 8);
    if (amount == 0) return value;
    value = ClampDateTime(value);

    if (unit <= kMonth) {
        const SystemTimeFields split = DateTimeToFields(value);
        const std::int64_t months = unit == kYear ? std::int64_t{amount} * 12
                                  : unit == kQuarter ? std::int64_t{amount} * 3
                                                     : amount;
        // Months counted from January of the year 0, brought back into 1..12 with a year carry.
        const std::int64_t total = std::int64_t{split.year} * 12 + (split.month - 1) + months;
        const std::int64_t year = total >= 0 ? total / 12 : (total - 11) / 12;
        const int month = static_cast<int>(total - year * 12) + 1;
        const CalendarFields fields{ClampToInt(year), month, split.day, split.hour, split.minute, split.second};
        return DateTimeFromFields(ClampCalendarFields(fields));
    }

    const TimelineUnit& timeline = kTimelineUnits[unit - kWeek];
    const double span = std::fabs(static_cast<double>(amount)) * timeline.daysPerUnit / timeline.unitsPerDay;
    const double start = ToContinuous(value.value);
    return DateTime{FromContinuous(amount > 0 ? start + span : start - span)};
}

bool SetCurrentTime(DateTime value, ClockSetter setter) {
    const SystemTimeFields fields = DateTimeToFields(ClampDateTime(value));   // whole seconds
    return (setter ? setter : SetLocalClock)(fields);
}

}  // namespace clocktool
