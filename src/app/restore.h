// The network time restore: ask a web server for the time through the Date header of a
// HEAD response, and turn that GMT date into local time at GMT+8.
#pragma once

#include <cstdint>

#include "runtime/datetime.h"
#include "runtime/text.h"

namespace clocktool {

// The time source used when GetNetworkTime is not given a URL: the root page of a
// public web server, over plain HTTP on the default port.
extern const Text kDefaultTimeSourceUrl;

// The eight fields of the platform's HTTP-date parser, in SYSTEMTIME order.
struct TimeParts {
    std::int32_t year = 0, month = 0, dayOfWeek = 0, day = 0, hour = 0, minute = 0, second = 0, milliseconds = 0;
    friend bool operator==(const TimeParts&, const TimeParts&) = default;
};

// Laid out as the platform's 16-bit SYSTEMTIME (wYear ... wMilliseconds).
struct SystemTimeRecord {
    std::uint16_t wYear, wMonth, wDayOfWeek, wDay, wHour, wMinute, wSecond, wMilliseconds;
};

// wininet's InternetTimeToSystemTime(LPCSTR, SYSTEMTIME*, DWORD); x86-64 has one calling
// convention. Returns nonzero on success.
using InternetTimeParser = std::int32_t (*)(const char* text, SystemTimeRecord* time, std::uint32_t reserved);

// The server's time at GMT+8. `url` is the caller's variable; when `urlGiven` is false the
// default time-source URL is stored into it first. Every failure yields the moment
// 1 January 100, 08:00:00, which SetCurrentTime refuses.
DateTime GetNetworkTime(Text& url, bool urlGiven);

// The HTTP date text as a DateTime eight hours ahead of GMT. The platform's parser is the
// bound InternetTimeToSystemTime unless a test passes another. Its fields count only when
// our own reading of the text accepts it and agrees with them; otherwise the time parts
// stay zero (1 January 100 plus eight hours).
DateTime HttpDateToDateTime(const Text& dateText, InternetTimeParser platformParser = nullptr);

}  // namespace clocktool
