#include "app/restore.h"

#include <gtest/gtest.h>

#include <cstring>

namespace clocktool {
namespace {

// Stands in for the platform's InternetTimeToSystemTime as it behaves under Wine: it
// reads the dates it knows and, for anything else, reports success with the current time.
std::int32_t LenientPlatformParser(const char* text, SystemTimeRecord* time, std::uint32_t) {
    static const struct { const char* text; SystemTimeRecord fields; } known[] = {
        {" Thu, 01 Jan 2026 08:00:00 GMT", {2026, 1, 4, 1, 8, 0, 0, 0}},
        {" Fri, 31 Dec 2077 20:00:00 GMT", {2077, 12, 5, 31, 20, 0, 0, 0}},
        {" Wed, 28 Feb 2024 23:30:59 GMT", {2024, 2, 3, 28, 23, 30, 59, 0}},
        // A platform that got the day of week wrong and read milliseconds: neither is used.
        {" Wed, 07 Jul 2077 07:07:07 GMT", {2077, 7, 1, 7, 7, 7, 7, 999}},
        // A platform that misreads a valid date: it disagrees with our own reading.
        {" Sun, 06 Nov 1994 08:49:37 GMT", {1994, 11, 0, 6, 8, 49, 38, 0}},
    };
    for (const auto& k : known) {
        if (std::strcmp(text, k.text) == 0) {
            *time = k.fields;
            return 1;
        }
    }
    *time = {2026, 12, 5, 11, 13, 14, 15, 0};   // "now"
    return 1;
}

// 1 January 100, 00:00:00, plus eight hours: below the valid range, refused by the clock.
const double kFailedRestore = kMinDateTime - 8.0 / 24.0;

DateTime At(int year, int month, int day, int hour, int minute, int second) {
    return MakeDateTime(year, month, day, hour, minute, second);
}

TEST(HttpDateToDateTime, ReadableDateIsThePlatformsFieldsPlusEightHours) {
    const struct { const char* text; DateTime expected; } cases[] = {
        {" Thu, 01 Jan 2026 08:00:00 GMT", At(2026, 1, 1, 16, 0, 0)},
        {" Fri, 31 Dec 2077 20:00:00 GMT", At(2078, 1, 1, 4, 0, 0)},   // rolls into the next year
        {" Wed, 28 Feb 2024 23:30:59 GMT", At(2024, 2, 29, 7, 30, 59)},
        {" Wed, 07 Jul 2077 07:07:07 GMT", At(2077, 7, 7, 15, 7, 7)},   // whole seconds
    };
    for (const auto& c : cases) {
        DateTime result = HttpDateToDateTime(c.text, LenientPlatformParser);
        EXPECT_DOUBLE_EQ(result.value, c.expected.value) << c.text;
    }
}

TEST(HttpDateToDateTime, UnreadableTextGivesTheFailureMomentNotThePlatformsGuess) {
    const char* texts[] = {
        "",                                  // no Date line in the response
        " not a date",
        " Thu, 32 Jan 2026 08:00:00 GMT",    // no such day
        " Sun, 06 Nov 1994 08:49:37 GMT",    // readable, but the platform read it differently
    };
    for (const char* text : texts) {
        DateTime result = HttpDateToDateTime(text, LenientPlatformParser);
        EXPECT_DOUBLE_EQ(result.value, kFailedRestore) << text;
    }
}

TEST(HttpDateToDateTime, TheFailureMomentIsRefusedByTheClock) {
    static SystemTimeFields asked;
    ClockSetter refusingBefore1601 = [](const SystemTimeFields& fields) {
        asked = fields;
        return fields.year >= 1601;
    };
    EXPECT_FALSE(SetCurrentTime(HttpDateToDateTime("", LenientPlatformParser), refusingBefore1601));
    EXPECT_EQ(asked.year, 100);
}

}  // namespace
}  // namespace clocktool
