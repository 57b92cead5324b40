// The POSIX clock setter, observed through an injected clock_settime: the real clock
// is never reached.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <time.h>

#include <optional>
#include <string>

#include "runtime/datetime.h"
#include "runtime/posix/clock.h"

namespace clocktool {
namespace {

int g_calls;
clockid_t g_clock;
timespec g_time;

int RecordingSetTime(clockid_t clock, const timespec* time) {
    ++g_calls;
    g_clock = clock;
    g_time = *time;
    return 0;
}

int RefusingSetTime(clockid_t, const timespec*) {
    ++g_calls;
    return -1;   // as clock_settime without CAP_SYS_TIME
}

// Runs each test in a known time zone and puts the process's zone back afterwards.
class PosixClockTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_calls = 0;
        g_time = {};
        if (const char* tz = getenv("TZ")) saved_ = tz;
        UseZone("UTC0");
    }
    void TearDown() override {
        if (saved_) setenv("TZ", saved_->c_str(), 1); else unsetenv("TZ");
        tzset();
    }
    static void UseZone(const char* zone) {
        setenv("TZ", zone, 1);
        tzset();
    }

private:
    std::optional<std::string> saved_;
};

TEST_F(PosixClockTest, SetsTheFieldsAsLocalTimeWithWholeSeconds) {
    const SystemTimeFields future{2077, 7, 3, 7, 7, 7, 7, 0};
    EXPECT_TRUE(SetLocalClockThrough(future, RecordingSetTime));
    EXPECT_EQ(g_calls, 1);
    EXPECT_EQ(g_clock, CLOCK_REALTIME);
    EXPECT_EQ(g_time.tv_sec, 3392867227);   // 2077-07-07 07:07:07 UTC
    EXPECT_EQ(g_time.tv_nsec, 0);

    UseZone("CST-8");                       // eight hours east of UTC
    EXPECT_TRUE(SetLocalClockThrough(future, RecordingSetTime));
    EXPECT_EQ(g_time.tv_sec, 3392867227 - 8 * 3600);
}

TEST_F(PosixClockTest, RefusesWhatWindowsRefusesWithoutReachingTheClock) {
    const SystemTimeFields refused[] = {
        {100, 1, 5, 1, 0, 0, 0, 0},          // the failure value of an unreadable network date
        {1600, 12, 0, 31, 23, 59, 59, 0},
        {2077, 13, 0, 1, 0, 0, 0, 0},
        {2077, 2, 0, 29, 0, 0, 0, 0},
        {2077, 7, 0, 7, 24, 0, 0, 0},
        {2077, 7, 0, 7, 0, 60, 0, 0},
        {2077, 7, 0, 7, 0, 0, 60, 0},
        {2077, 7, 0, 7, 0, 0, 0, 1000},
    };
    for (const SystemTimeFields& f : refused) {
        EXPECT_FALSE(LocalTimeToTimespec(f).has_value()) << f.year << "-" << f.month << "-" << f.day;
        EXPECT_FALSE(SetLocalClockThrough(f, RecordingSetTime));
    }
    EXPECT_EQ(g_calls, 0);
}

TEST_F(PosixClockTest, AcceptsTheFirstMomentWindowsAccepts) {
    const std::optional<timespec> first = LocalTimeToTimespec({1601, 1, 1, 1, 0, 0, 0, 0});
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(first->tv_sec, -11644473600);
}

TEST_F(PosixClockTest, ReportsARefusalOfTheClock) {
    EXPECT_FALSE(SetLocalClockThrough({2077, 7, 3, 7, 7, 7, 7, 0}, RefusingSetTime));
    EXPECT_EQ(g_calls, 1);
}

// The road of a failed network restore: the value below the range clamps to the year
// 100, which the setter refuses before the clock is touched.
TEST_F(PosixClockTest, AFailedRestoreNeverReachesTheClock) {
    const DateTime failedRestore = AddToDateTime(MakeDateTime(0, 0, 0, 0, 0, 0), 6, 8);
    EXPECT_FALSE(SetCurrentTime(failedRestore, [](const SystemTimeFields& f) {
        return SetLocalClockThrough(f, RecordingSetTime);
    }));
    EXPECT_EQ(g_calls, 0);
}

}  // namespace
}  // namespace clocktool
