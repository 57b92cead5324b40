#include <gtest/gtest.h>

#include <bit>
#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "runtime/datetime.h"

namespace clocktool {
namespace {

// The moment of day number `days` plus `seconds` into that day, built the way the
// OLE date format defines it (the time of day counts forward from the day number).
double Moment(double days, double seconds) {
    return days >= 0 ? days + seconds / 86400 : days - seconds / 86400;
}

constexpr double k2077July7 = 64838;    // 7 July 2077
constexpr double k2077Dec31 = 65015;    // 31 December 2077
constexpr int k070707 = 7 * 3600 + 7 * 60 + 7;

// The future-date command's text, 2077年7月7日07时07分7秒, with the GBK unit characters.
const char* const kFutureDateText = "2077\xC4\xEA" "7\xD4\xC2" "7\xC8\xD5" "07\xCA\xB1" "07\xB7\xD6" "7\xC3\xEB";

CalendarFields Calendar(DateTime value) {
    const SystemTimeFields f = DateTimeToFields(value);
    return {f.year, f.month, f.day, f.hour, f.minute, f.second};
}

// --- ToDateTime -------------------------------------------------------------------

struct TextCase {
    std::string text;
    bool reads;            // false: the failure value
    double days = 0;       // the day number and the seconds into the day when it reads
    int seconds = 0;
};

const TextCase kTextCases[] = {
    {kFutureDateText, true, k2077July7, k070707},
    {std::string(kFutureDateText) + " and whatever follows", true, k2077July7, k070707},
    {"2077-07-07 07:07:07", true, k2077July7, k070707},
    {"2077/7/7 7:7:7", true, k2077July7, k070707},
    {"2077.7.7 7.7.7", true, k2077July7, k070707},
    {"2077:7:7-7/7", true, k2077July7, 7 * 3600 + 7 * 60},
    {"20770707070707", true, k2077July7, k070707},
    // ２０７７年７月７日７时７分７秒 in full-width digits
    {"\xA3\xB2\xA3\xB0\xA3\xB7\xA3\xB7\xC4\xEA" "\xA3\xB7\xD4\xC2" "\xA3\xB7\xC8\xD5" "\xA3\xB7\xCA\xB1"
     "\xA3\xB7\xB7\xD6" "\xA3\xB7\xC3\xEB",
     true, k2077July7, k070707},
    {"2077-7-7\xA1\xA1" "7:7:7", true, k2077July7, k070707},   // ideographic space after the day
    {"2077\xC4\xEA" "7\xD4\xC2" "7\xC8\xD5", true, k2077July7, 0},   // 2077年7月7日
    {"2077-7-7 7:7", true, k2077July7, 7 * 3600 + 7 * 60},
    {"2077-7-7", true, k2077July7, 0},
    {"2077-7-7 ", true, k2077July7, 0},                       // the space belongs to the day
    {"2076-02-29", true, 64344, 0},                            // leap year
    {"2000-2-29", true, 36585, 0},                             // divisible by 400
    {"1899-12-29 6:00", true, -1, 6 * 3600},                   // before the epoch: -1.25
    {"0100-01-01", true, -657434, 0},
    {"9999-12-31 23:59:59", true, 2958465, 86399},
    {"2077-7-7T07:07:07", false},
    {"2077\xC4\xEA" "7\xD4\xC2", false},                        // 2077年7月: no day
    {"2077", false},
    {"99-1-1", false},
    {"2077-13-01", false},
    {"2077-02-29", false},
    {"1900-02-29", false},                                     // divisible by 100 only
    {"2077-0-1", false},
    {"2077-7-7 24:00:00", false},
    {"2077-7-7 7:60:00", false},
    {"2077-7-7 7:7:60", false},
    {" 2077-7-7", false},
    {"2077-7-7 7:7:7 ", false},
    {"2077-7-7  7:7:7", false},
    {"2077-7-7 7:7:7x", false},
    {"\xC4\xEA", false},
    {"", false},
};

TEST(ToDateTime, ReadsTheFieldTable) {
    for (const TextCase& c : kTextCases) {
        SCOPED_TRACE("text: " + c.text);
        const DateTime result = ToDateTime(Text(c.text));
        if (c.reads) {
            EXPECT_DOUBLE_EQ(result.value, Moment(c.days, c.seconds));
        } else {
            EXPECT_EQ(result, kDateTimeFailure);
        }
    }
}

TEST(ToDateTime, FutureDateTextIsTheExactValue) {
    EXPECT_EQ(ToDateTime(Text(kFutureDateText)).value, 64838 + 25627 / 86400.0);
}

TEST(ToDateTime, ReturnsADateTimeUnchangedEvenOutOfRange) {
    for (double v : {64838.5, -1e12, 1e12, -657434.0}) {
        EXPECT_EQ(std::bit_cast<std::uint64_t>(ToDateTime(DateTime{v}).value), std::bit_cast<std::uint64_t>(v));
    }
}

// --- FoldFullWidth ----------------------------------------------------------------

TEST(FoldFullWidth, FoldsTheFullWidthFormsOnly) {
    const struct {
        std::string in, out;
    } cases[] = {
        {"\xA3\xA1\xA3\xB0\xA3\xB9\xA3\xC1\xA3\xFE", "!09A~"},    // full-width ASCII forms
        {"\xA1\xA1", " "},                                      // ideographic space
        {"\xA1\xAB", "~"},
        {"\xA1\xEE\xA1\xEF", "**"},                             // white and black star
        {"\xA3\xA0\xA1\xAA", "\xA3\xA0\xA1\xAA"},               // neighbours stay
        {"\xC4\xEA" "2077", "\xC4\xEA" "2077"},                  // other characters stay
        {"\x81\x41\xA3\xB1", "\x81\x41" "1"},                   // a second byte below 0x80 stays with its lead
        {"a b\t1", "a b\t1"},
        {"12\xC4", "12"},                                       // a lead byte at the end is dropped
        {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(FoldFullWidth(Text(c.in)).bytes(), c.out);
    }
}

// --- Clamping and fields ----------------------------------------------------------

TEST(ClampDateTime, LimitsToTheValidRange) {
    EXPECT_EQ(ClampDateTime(DateTime{2958465.5}).value, kMaxDateTime);
    EXPECT_EQ(ClampDateTime(DateTime{-657434.1}).value, kMinDateTime);
    EXPECT_EQ(ClampDateTime(DateTime{-657433.9}).value, -657433.9);
    EXPECT_EQ(ClampDateTime(DateTime{2958465.0}).value, kMaxDateTime);
    EXPECT_EQ(ClampDateTime(DateTime{std::numeric_limits<double>::quiet_NaN()}).value, kMinDateTime);
}

TEST(MakeDateTime, ClampsEachFieldWithoutCarrying) {
    const struct {
        CalendarFields in;
        CalendarFields out;
    } cases[] = {
        {{0, 0, 0, 0, 0, 0}, {100, 1, 1, 0, 0, 0}},
        {{2077, 2, 30, 25, 61, -5}, {2077, 2, 28, 23, 59, 0}},
        {{2076, 2, 30, 0, 0, 0}, {2076, 2, 29, 0, 0, 0}},
        {{2023, 13, 1, 0, 0, 0}, {2023, 12, 1, 0, 0, 0}},
        {{2077, 4, 31, 12, 0, 0}, {2077, 4, 30, 12, 0, 0}},
        {{INT_MAX, INT_MAX, INT_MAX, INT_MAX, INT_MAX, INT_MAX}, {9999, 12, 31, 23, 59, 59}},
        {{INT_MIN, INT_MIN, INT_MIN, INT_MIN, INT_MIN, INT_MIN}, {100, 1, 1, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        const DateTime made = MakeDateTime(c.in.year, c.in.month, c.in.day, c.in.hour, c.in.minute, c.in.second);
        EXPECT_EQ(Calendar(made), c.out) << c.in.year << "-" << c.in.month << "-" << c.in.day;
    }
    EXPECT_EQ(MakeDateTime(0, 0, 0, 0, 0, 0).value, -657434.0);
}

TEST(MakeDateTime, LeftOutFieldsAreTheStartOfTheDayOrMonth) {
    EXPECT_EQ(MakeDateTime(2077).value, MakeDateTime(2077, 1, 1, 0, 0, 0).value);
    EXPECT_EQ(MakeDateTime(2077, 7, 7).value, k2077July7);
    EXPECT_EQ(MakeDateTime().value, kMinDateTime);   // year 1 clamps to 100
}

TEST(MakeDateTime, CountsTheTimeOfDayForwardBeforeTheEpoch) {
    EXPECT_EQ(MakeDateTime(1899, 12, 29, 6, 0, 0).value, -1.25);
    EXPECT_EQ(MakeDateTime(1899, 12, 30, 6, 0, 0).value, 0.25);
}

TEST(DateTimeToFields, SplitsToTheNearestSecondWithWeekday) {
    const struct {
        double value;
        SystemTimeFields fields;
    } cases[] = {
        {0.0, {1899, 12, 6, 30, 0, 0, 0, 0}},
        {-1.25, {1899, 12, 5, 29, 6, 0, 0, 0}},
        {-0.5, {1899, 12, 6, 30, 12, 0, 0, 0}},   // a negative fraction above -1 is still day 0
        {Moment(k2077July7, k070707 + 0.6), {2077, 7, 3, 7, 7, 7, 8, 0}},
        {Moment(k2077July7, k070707 + 0.4), {2077, 7, 3, 7, 7, 7, 7, 0}},
        {Moment(k2077Dec31, 86399.6), {2078, 1, 6, 1, 0, 0, 0, 0}},
        {Moment(-2, 0.7), {1899, 12, 4, 28, 0, 0, 1, 0}},
        // 29 December 1899, 23:59:59.6 is nearest to midnight of the 30th.
        {Moment(-1, 86399.6), {1899, 12, 6, 30, 0, 0, 0, 0}},
        {60, {1900, 2, 3, 28, 0, 0, 0, 0}},
        {61, {1900, 3, 4, 1, 0, 0, 0, 0}},
        {36585, {2000, 2, 2, 29, 0, 0, 0, 0}},
        {-109512, {1600, 2, 2, 29, 0, 0, 0, 0}},
        {-72987, {1700, 3, 1, 1, 0, 0, 0, 0}},
        {kMinDateTime, {100, 1, 5, 1, 0, 0, 0, 0}},
        {kMaxDateTime, {9999, 12, 5, 31, 0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DateTimeToFields(DateTime{c.value}), c.fields) << "value " << c.value;
    }
}

// Every day of the valid range splits into the fields that build it again, and the
// weekday steps by one from day to day.
TEST(DateTimeToFields, EveryDayOfTheRangeRoundTrips) {
    int previousWeekday = (DateTimeToFields(DateTime{kMinDateTime}).dayOfWeek + 6) % 7;
    int failures = 0;
    for (double day = kMinDateTime; day <= kMaxDateTime && failures < 5; ++day) {
        const SystemTimeFields f = DateTimeToFields(DateTime{day});
        const bool same = DateTimeFromFields({f.year, f.month, f.day, 0, 0, 0}).value == day;
        const bool nextWeekday = f.dayOfWeek == (previousWeekday + 1) % 7;
        if (!same || !nextWeekday) {
            ADD_FAILURE() << "day " << day << " reads as " << f.year << "-" << f.month << "-" << f.day
                          << " weekday " << f.dayOfWeek;
            ++failures;
        }
        previousWeekday = f.dayOfWeek;
    }
}

// --- AddToDateTime ----------------------------------------------------------------

struct AddCase {
    CalendarFields start;
    int unit, amount;
    CalendarFields result;
};

const AddCase kAddCases[] = {
    {{2077, 12, 31, 20, 0, 0}, 6, 8, {2078, 1, 1, 4, 0, 0}},     // eight hours into a new year
    {{2078, 1, 1, 4, 0, 0}, 6, -8, {2077, 12, 31, 20, 0, 0}},
    {{2077, 7, 7, 7, 7, 7}, 1, 1, {2078, 7, 7, 7, 7, 7}},
    {{2077, 7, 7, 7, 7, 7}, 0, 1, {2078, 7, 7, 7, 7, 7}},        // unit below 1 adds years
    {{2077, 7, 7, 7, 7, 7}, INT_MIN, -1, {2076, 7, 7, 7, 7, 7}},
    {{2077, 7, 7, 7, 7, 7}, 9, 1, {2077, 7, 7, 7, 7, 8}},        // unit above 8 adds seconds
    {{2077, 7, 7, 7, 7, 7}, INT_MAX, -8, {2077, 7, 7, 7, 6, 59}},
    {{2077, 11, 15, 0, 0, 0}, 2, 1, {2078, 2, 15, 0, 0, 0}},     // quarter
    {{2077, 11, 15, 0, 0, 0}, 2, -3, {2077, 2, 15, 0, 0, 0}},
    {{2077, 3, 31, 0, 0, 0}, 3, -1, {2077, 2, 28, 0, 0, 0}},     // month end
    {{2077, 1, 31, 0, 0, 0}, 3, 1, {2077, 2, 28, 0, 0, 0}},
    {{2076, 1, 31, 0, 0, 0}, 3, 1, {2076, 2, 29, 0, 0, 0}},
    {{2077, 1, 15, 0, 0, 0}, 3, -13, {2075, 12, 15, 0, 0, 0}},
    {{2077, 12, 15, 0, 0, 0}, 3, 25, {2080, 1, 15, 0, 0, 0}},
    {{2076, 2, 29, 0, 0, 0}, 1, 1, {2077, 2, 28, 0, 0, 0}},      // leap day
    {{2076, 2, 29, 0, 0, 0}, 1, 4, {2080, 2, 29, 0, 0, 0}},
    {{9999, 6, 1, 0, 0, 0}, 3, 12, {9999, 6, 1, 0, 0, 0}},       // the year stops at 9999
    {{9999, 6, 1, 0, 0, 0}, 1, INT_MAX, {9999, 6, 1, 0, 0, 0}},
    {{2077, 6, 1, 0, 0, 0}, 3, INT_MAX, {9999, 1, 1, 0, 0, 0}},   // the month still moves
    {{101, 6, 1, 0, 0, 0}, 1, INT_MIN, {100, 6, 1, 0, 0, 0}},
    {{2077, 7, 7, 0, 0, 0}, 4, 1, {2077, 7, 14, 0, 0, 0}},       // week
    {{2077, 7, 7, 0, 0, 0}, 5, -7, {2077, 6, 30, 0, 0, 0}},
    {{2077, 7, 7, 7, 7, 7}, 7, 60, {2077, 7, 7, 8, 7, 7}},
    {{2077, 7, 7, 7, 7, 7}, 8, -86400, {2077, 7, 6, 7, 7, 7}},
    {{1899, 12, 30, 3, 0, 0}, 6, -6, {1899, 12, 29, 21, 0, 0}},  // across the epoch
    {{1899, 12, 28, 21, 0, 0}, 6, 30, {1899, 12, 30, 3, 0, 0}},
};

TEST(AddToDateTime, AddsEachUnit) {
    for (const AddCase& c : kAddCases) {
        const DateTime start = MakeDateTime(c.start.year, c.start.month, c.start.day, c.start.hour, c.start.minute,
                                            c.start.second);
        EXPECT_EQ(Calendar(AddToDateTime(start, c.unit, c.amount)), c.result)
            << c.start.year << "-" << c.start.month << "-" << c.start.day << " unit " << c.unit << " amount " << c.amount;
    }
}

TEST(AddToDateTime, AmountZeroReturnsTheValueBitForBit) {
    const double values[] = {64838.123456789, -1.25, 1e300, -1e300, -657434.5, 2958466.0,
                             std::numeric_limits<double>::quiet_NaN()};
    for (double v : values) {
        for (int unit : {-1, 1, 3, 5, 6, 8, 9}) {
            EXPECT_EQ(std::bit_cast<std::uint64_t>(AddToDateTime(DateTime{v}, unit, 0).value),
                      std::bit_cast<std::uint64_t>(v))
                << v << " unit " << unit;
        }
    }
}

TEST(AddToDateTime, TimelineUnitsRunForwardAcrossNegativeValues) {
    const struct {
        double start;
        int unit, amount;
        double result;
    } cases[] = {
        {0.0, 6, -6, -1.75},                       // 30 Dec 00:00 back to 29 Dec 18:00
        {0.25, 5, -1, -1.25},
        {-1.25, 5, 1, 0.25},
        {-1.25, 6, 18, 0.0},
        {-1.75, 6, 6, 0.0},
        // Below the range: 1 January 100, 08:00 is the day number minus the time of day.
        {kMinDateTime, 6, 8, kMinDateTime - 8.0 / 24},
        {kMaxDateTime, 5, 1, kMaxDateTime + 1},    // timeline results are not clamped
        {-1e9, 5, 1, kMinDateTime + 1},            // but the start value is
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(AddToDateTime(DateTime{c.start}, c.unit, c.amount).value, c.result)
            << c.start << " unit " << c.unit << " amount " << c.amount;
    }
}

TEST(AddToDateTime, TimelineKeepsFractionsOfASecondCalendarDropsThem) {
    const DateTime start{Moment(k2077July7, k070707 + 0.25)};
    EXPECT_NEAR(AddToDateTime(start, 8, 1).value, Moment(k2077July7, k070707 + 1.25), 1e-9);
    EXPECT_EQ(AddToDateTime(start, 3, 1).value, Moment(k2077July7 + 31, k070707));
}

// --- SetCurrentTime ---------------------------------------------------------------

SystemTimeFields g_handedOver;
int g_setterCalls;
bool g_setterAnswer;

bool RecordingSetter(const SystemTimeFields& fields) {
    g_handedOver = fields;
    ++g_setterCalls;
    return g_setterAnswer;
}

class SetCurrentTimeTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_handedOver = {};
        g_setterCalls = 0;
        g_setterAnswer = true;
    }
};

TEST_F(SetCurrentTimeTest, HandsTheSetterTheRoundedClampedFields) {
    const struct {
        double value;
        SystemTimeFields fields;
    } cases[] = {
        {ToDateTime(Text(kFutureDateText)).value, {2077, 7, 3, 7, 7, 7, 7, 0}},
        {Moment(k2077July7, k070707 + 0.6), {2077, 7, 3, 7, 7, 7, 8, 0}},
        {kMinDateTime - 8.0 / 24, {100, 1, 5, 1, 0, 0, 0, 0}},   // below the range: clamped
        {1e12, {9999, 12, 5, 31, 0, 0, 0, 0}},
        {std::numeric_limits<double>::quiet_NaN(), {100, 1, 5, 1, 0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        g_setterCalls = 0;
        EXPECT_TRUE(SetCurrentTime(DateTime{c.value}, RecordingSetter));
        EXPECT_EQ(g_setterCalls, 1);
        EXPECT_EQ(g_handedOver, c.fields) << "value " << c.value;
    }
}

TEST_F(SetCurrentTimeTest, ReportsTheSettersRefusal) {
    g_setterAnswer = false;
    EXPECT_FALSE(SetCurrentTime(DateTime{k2077July7}, RecordingSetter));
    EXPECT_EQ(g_setterCalls, 1);
}

}  // namespace
}  // namespace clocktool
