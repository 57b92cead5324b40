#include "app/restore.h"

#include "app/external.h"
#include "app/http_date.h"
#include "app/program.h"
#include "textutil/textutil.h"
#include "web/web_request.h"

namespace clocktool {

// A well-known server that answers HEAD / over plain HTTP with a Date header.
const Text kDefaultTimeSourceUrl = "http://www.baidu.com/";

namespace {

constexpr std::int32_t kHeadMethod = 2;
const Text kDateMarker = "Date:";
const Text kLineEnd = "\r\n";
constexpr int kHourUnit = 6;
constexpr int kHoursAheadOfGmt = 8;

SystemTimeRecord ToSystemTime(const TimeParts& parts) {
    auto field = [](std::int32_t value) { return static_cast<std::uint16_t>(value); };
    return {field(parts.year), field(parts.month), field(parts.dayOfWeek), field(parts.day),
            field(parts.hour), field(parts.minute), field(parts.second), field(parts.milliseconds)};
}

TimeParts FromSystemTime(const SystemTimeRecord& time) {
    return {time.wYear, time.wMonth, time.wDayOfWeek, time.wDay, time.wHour, time.wMinute, time.wSecond,
            time.wMilliseconds};
}

bool SameCalendarFields(const TimeParts& parts, const SystemTimeFields& fields) {
    return parts.year == fields.year && parts.month == fields.month && parts.day == fields.day &&
           parts.hour == fields.hour && parts.minute == fields.minute && parts.second == fields.second;
}

}  // namespace

void OnRestoreTimeClicked() {
    Text url;
    DateTime now = GetNetworkTime(url, false);
    SetCurrentTime(now);
}

DateTime GetNetworkTime(Text& url, bool urlGiven) {
    if (!urlGiven) url = kDefaultTimeSourceUrl;
    Text responseHeaders;
    WebRequest({.url = url, .method = kHeadMethod, .responseHeaders = &responseHeaders});
    Text dateText = TextBetween(responseHeaders, kDateMarker, kLineEnd);
    return HttpDateToDateTime(dateText);
}

DateTime HttpDateToDateTime(const Text& dateText, InternetTimeParser platformParser) {
    if (!platformParser)
        platformParser = reinterpret_cast<InternetTimeParser>(BindExternalRoutine(kInternetTimeToSystemTime));

    TimeParts parts;
    SystemTimeRecord time = ToSystemTime(parts);
    platformParser(dateText.c_str(), &time, 0);
    TimeParts platformParts = FromSystemTime(time);

    // The platform's parser reports success for text it cannot read (and Wine's fills in
    // the current time), so its fields count only when our own reading agrees with them.
    SystemTimeFields ours;
    if (ParseHttpDate(dateText, ours) && SameCalendarFields(platformParts, ours)) parts = platformParts;

    DateTime gmt = MakeDateTime(parts.year, parts.month, parts.day, parts.hour, parts.minute, parts.second);
    return AddToDateTime(gmt, kHourUnit, kHoursAheadOfGmt);
}

}  // namespace clocktool
