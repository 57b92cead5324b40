// A portable reader of HTTP dates (the Date header of a response), for platforms
// without InternetTimeToSystemTime.
//
// It reads the three forms that HTTP servers send, the date and time always in GMT:
//   IMF-fixdate  "Sun, 06 Nov 1994 08:49:37 GMT"
//   RFC 850      "Sunday, 06-Nov-94 08:49:37 GMT"   (two-digit year)
//   asctime      "Sun Nov  6 08:49:37 1994"
// and is lenient the way clients are:
//   - blanks before the date are skipped; any run of blanks or punctuation separates fields;
//   - the weekday may be a name (full or three letters, any case), a number 0-6, or missing;
//     it is not compared with the date;
//   - a month may be a name (full or three letters, any case) or a number; a number
//     is read in the day-month-year order of the first two forms ("06 11 1994");
//   - the seconds may be missing; 60 (a leap second) reads as 59;
//   - the zone may be "GMT", "UTC", "UT", "Z", "+0000" or missing; text after the
//     date and time is ignored, except a zone known to be elsewhere (such as "PST" or
//     "+0800"), which fails rather than being misread as GMT.
// A two-digit year is read as the year with those last digits that lies no more than 50
// years after and fewer than 50 years before the current year, so "94" is 1994 in 2026.
#pragma once

#include "runtime/datetime.h"
#include "runtime/text.h"

namespace clocktool {

// The current year in UTC, from the system clock.
int CurrentUtcYear();

// Reads `text` as an HTTP date. On success fills year, month, day, hour, minute and
// second (GMT), the day of week computed from the date (0 = Sunday) and milliseconds 0,
// and returns true. On failure returns false and leaves `fields` untouched.
// `currentYear` anchors the reading of two-digit years.
bool ParseHttpDate(const Text& text, SystemTimeFields& fields, int currentYear = CurrentUtcYear());

}  // namespace clocktool
