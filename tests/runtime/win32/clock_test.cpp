// The Windows clock setter, observed through an injected SetLocalTime: the real clock
// is never reached.
#include <gtest/gtest.h>

#include "runtime/datetime.h"
#include "runtime/win32/clock.h"

namespace clocktool {
namespace {

int g_calls;
SYSTEMTIME g_handedOver;
BOOL g_answer;

BOOL WINAPI RecordingSetLocalTime(const SYSTEMTIME* time) {
    ++g_calls;
    g_handedOver = *time;
    return g_answer;
}

TEST(Win32Clock, HandsSetLocalTimeTheFieldsInSystemTimeOrder) {
    g_calls = 0;
    g_answer = TRUE;
    EXPECT_TRUE(SetCurrentTime(ToDateTime(Text("2077-07-07 07:07:07")), [](const SystemTimeFields& f) {
        return SetLocalClockThrough(f, RecordingSetLocalTime);
    }));
    EXPECT_EQ(g_calls, 1);
    const SYSTEMTIME& st = g_handedOver;
    EXPECT_EQ(st.wYear, 2077);
    EXPECT_EQ(st.wMonth, 7);
    EXPECT_EQ(st.wDayOfWeek, 3);
    EXPECT_EQ(st.wDay, 7);
    EXPECT_EQ(st.wHour, 7);
    EXPECT_EQ(st.wMinute, 7);
    EXPECT_EQ(st.wSecond, 7);
    EXPECT_EQ(st.wMilliseconds, 0);
}

TEST(Win32Clock, ReportsTheRefusalOfSetLocalTime) {
    g_calls = 0;
    g_answer = FALSE;
    EXPECT_FALSE(SetLocalClockThrough({100, 1, 5, 1, 0, 0, 0, 0}, RecordingSetLocalTime));
    EXPECT_EQ(g_calls, 1);
    EXPECT_EQ(g_handedOver.wYear, 100);
}

}  // namespace
}  // namespace clocktool
