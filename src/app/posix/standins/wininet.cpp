// Stand-in for wininet.dll on Linux: InternetTimeToSystemTime with the Windows contract.
// Until the HTTP-date parser is in, every text is reported as unparsable: the result is
// 0 and the fields are left untouched, as the caller expects of a failure.
#include <cstdint>

// The eight fields of a SYSTEMTIME, in its order.
struct SystemTimeFields16 {
    std::uint16_t year, month, dayOfWeek, day, hour, minute, second, milliseconds;
};

extern "C" int InternetTimeToSystemTime(const char* text, SystemTimeFields16* st, unsigned reserved) {
    (void)text;
    (void)st;
    (void)reserved;
    return 0;
}
