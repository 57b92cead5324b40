#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "app/http_date.h"

namespace clocktool {
namespace {

struct HttpDateCase {
    std::string text;
    std::optional<SystemTimeFields> fields;   // empty: the text does not read
    int currentYear = 2026;
};

// 6 November 1994, 08:49:37, a Sunday.
constexpr SystemTimeFields kRfcExample{1994, 11, 0, 6, 8, 49, 37, 0};

SystemTimeFields On6November(int year, int dayOfWeek) {
    return {year, 11, dayOfWeek, 6, 8, 49, 37, 0};
}

const HttpDateCase kCases[] = {
    // The three forms.
    {"Sun, 06 Nov 1994 08:49:37 GMT", kRfcExample},
    {"Sunday, 06-Nov-94 08:49:37 GMT", kRfcExample},
    {"Sun Nov  6 08:49:37 1994", kRfcExample},
    // Leading blanks, as the text after "Date:" carries them.
    {" Sun, 06 Nov 1994 08:49:37 GMT", kRfcExample},
    {" \t  Sun Nov  6 08:49:37 1994", kRfcExample},
    // Names in any case, full or short; the weekday as a number, wrong, or missing.
    {"sun, 06 NOV 1994 08:49:37 gmt", kRfcExample},
    {"Sunday, 06 November 1994 08:49:37 GMT", kRfcExample},
    {"0, 06 Nov 1994 08:49:37 GMT", kRfcExample},
    {"Wed, 06 Nov 1994 08:49:37 GMT", kRfcExample},
    {"06 Nov 1994 08:49:37 GMT", kRfcExample},
    // Loose separators and a numeric month (day, month, year).
    {"Sun,06-Nov-1994 08:49:37GMT", kRfcExample},
    {"Sun, 06/Nov/1994, 08:49:37 GMT", kRfcExample},
    {"Sun, 06 11 1994 08:49:37 GMT", kRfcExample},
    {"Sun, 6.11.1994 8:49:37", kRfcExample},
    {"0 6 11 1994 08:49:37", kRfcExample},
    // Zones and whatever follows the time.
    {"Sun, 06 Nov 1994 08:49:37 UTC", kRfcExample},
    {"Sun, 06 Nov 1994 08:49:37 +0000", kRfcExample},
    {"Sun, 06 Nov 1994 08:49:37", kRfcExample},
    {"Sun, 06 Nov 1994 08:49:37 GMT; more text", kRfcExample},
    {"Sun, 06 Nov 1994 08:49:37.250 GMT", kRfcExample},
    {"Sun Nov  6 08:49:37 1994 GMT and more", kRfcExample},
    // Seconds missing, and a leap second.
    {"Sun, 06 Nov 1994 08:49 GMT", SystemTimeFields{1994, 11, 0, 6, 8, 49, 0, 0}},
    {"Thu, 29 Feb 2024 23:59:60 GMT", SystemTimeFields{2024, 2, 4, 29, 23, 59, 59, 0}},
    {"Fri, 31 Dec 2077 20:00:00 GMT", SystemTimeFields{2077, 12, 5, 31, 20, 0, 0, 0}},
    // Two-digit years: no more than 50 years ahead of the current year.
    {"Sun, 06-Nov-76 08:49:37 GMT", On6November(2076, 5)},
    {"Sun, 06-Nov-77 08:49:37 GMT", On6November(1977, 0)},
    {"Sun, 06-Nov-26 08:49:37 GMT", On6November(2026, 5)},
    {"Sun, 06-Nov-00 08:49:37 GMT", On6November(2000, 1)},
    {"Sun, 06-Nov-99 08:49:37 GMT", On6November(1999, 6)},
    {"Sun, 06-Nov-40 08:49:37 GMT", On6November(2140, 0), 2090},
    {"Sun, 06-Nov-41 08:49:37 GMT", On6November(2041, 3), 2090},
    {"Sun, 06-Nov-26 08:49:37 GMT", On6November(2126, 3), 2076},
    {"Sun, 06-Nov-27 08:49:37 GMT", On6November(2027, 6), 2076},
    // Unreadable.
    {"", std::nullopt},
    {"   ", std::nullopt},
    {"no date here", std::nullopt},
    {"Sun, 06 Nov 1994", std::nullopt},
    {"Sun, 06 Nov 08:49:37 GMT", std::nullopt},
    {"Sun, 06 Foo 1994 08:49:37 GMT", std::nullopt},
    {"Xyz, 06 Nov 1994 08:49:37 GMT", std::nullopt},
    {"7, 06 11 1994 08:49:37 GMT", std::nullopt},          // no weekday 7
    {"1994-11-06 08:49:37", std::nullopt},
    {"Sun, 06 Nov 994 08:49:37 GMT", std::nullopt},
    {"Sun, 06 Nov 0000 08:49:37 GMT", std::nullopt},
    {"Sun, 006 Nov 1994 08:49:37 GMT", std::nullopt},
    // A zone known to be elsewhere is not read as GMT.
    {"Sun, 06 Nov 1994 08:49:37 PST", std::nullopt},
    {"Sun, 06 Nov 1994 08:49:37 +0800", std::nullopt},
    {"Sun, 06 Nov 1994 08:49:37 -0500", std::nullopt},
    // Out of range.
    {"Sun, 00 Nov 1994 08:49:37 GMT", std::nullopt},
    {"Sun, 31 Nov 1994 08:49:37 GMT", std::nullopt},
    {"Wed, 29 Feb 2023 08:49:37 GMT", std::nullopt},
    {"Sun, 06 13 1994 08:49:37 GMT", std::nullopt},
    {"Sun, 06 00 1994 08:49:37 GMT", std::nullopt},
    {"Sun, 06 Nov 1994 24:00:00 GMT", std::nullopt},
    {"Sun, 06 Nov 1994 08:60:00 GMT", std::nullopt},
    {"Sun, 06 Nov 1994 08:49:61 GMT", std::nullopt},
    {"Sun, 06 Nov 1994 08:49:99999999999 GMT", std::nullopt},
};

TEST(ParseHttpDate, ReadsTheTable) {
    // Fields that a failed reading must leave as they are.
    constexpr SystemTimeFields kUntouched{1, 2, 3, 4, 5, 6, 7, 8};
    for (const HttpDateCase& c : kCases) {
        SCOPED_TRACE("\"" + c.text + "\" in " + std::to_string(c.currentYear));
        SystemTimeFields fields = kUntouched;
        const bool read = ParseHttpDate(Text(c.text), fields, c.currentYear);
        EXPECT_EQ(read, c.fields.has_value());
        EXPECT_EQ(fields, c.fields.value_or(kUntouched));
    }
}

TEST(ParseHttpDate, ReadsTwoDigitYearsAgainstTheCurrentYear) {
    const int now = CurrentUtcYear();
    SystemTimeFields fields;
    ASSERT_TRUE(ParseHttpDate(Text("Sunday, 06-Nov-94 08:49:37 GMT"), fields));
    EXPECT_EQ(fields.year, now < 2044 ? 1994 : 2094);
}

}  // namespace
}  // namespace clocktool
