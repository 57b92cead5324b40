// Stand-in for wininet.dll on Linux: InternetTimeToSystemTime with the Windows contract,
// over the program's portable HTTP-date reader.
#include <cstdint>

#include "app/http_date.h"

// The eight fields of a SYSTEMTIME, in its order.
struct SystemTimeFields16 {
    std::uint16_t year, month, dayOfWeek, day, hour, minute, second, milliseconds;
};

// Reads an HTTP date (GMT) into the SYSTEMTIME and returns 1; on failure returns 0 and
// leaves the fields untouched.
extern "C" int InternetTimeToSystemTime(const char* text, SystemTimeFields16* st, unsigned reserved) {
    (void)reserved;
    clocktool::SystemTimeFields fields;
    if (!text || !st || !clocktool::ParseHttpDate(clocktool::Text(text), fields)) return 0;
    *st = {static_cast<std::uint16_t>(fields.year),   static_cast<std::uint16_t>(fields.month),
           static_cast<std::uint16_t>(fields.dayOfWeek), static_cast<std::uint16_t>(fields.day),
           static_cast<std::uint16_t>(fields.hour),   static_cast<std::uint16_t>(fields.minute),
           static_cast<std::uint16_t>(fields.second), static_cast<std::uint16_t>(fields.milliseconds)};
    return 1;
}
