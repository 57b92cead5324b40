// HttpDateToDateTime with the platform's own InternetTimeToSystemTime, bound by name.
#include <gtest/gtest.h>

#include "app/restore.h"

namespace clocktool {
namespace {

TEST(HttpDateToDateTimeWithWininet, ReadsAValidDateAsGmtPlusEightHours) {
    DateTime result = HttpDateToDateTime(" Fri, 31 Dec 2077 20:00:00 GMT");
    EXPECT_DOUBLE_EQ(result.value, MakeDateTime(2078, 1, 1, 4, 0, 0).value);
}

TEST(HttpDateToDateTimeWithWininet, TextThePlatformReportsAsReadButCannotReadFails) {
    // The platform's parser says yes to these (Wine's even fills in the current time).
    for (const char* text : {" garbage", " 99 Foo 2026 25:61:61 GMT", ""}) {
        DateTime result = HttpDateToDateTime(text);
        EXPECT_DOUBLE_EQ(result.value, kMinDateTime - 8.0 / 24.0) << text;
    }
}

}  // namespace
}  // namespace clocktool
