// The stand-ins beside the program: ole32.dll keeps a CoInitialize count per thread;
// wininet.dll reads HTTP dates into a SYSTEMTIME with the Windows contract.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <thread>

#include "app/library.h"

namespace clocktool {
namespace {

constexpr std::int32_t S_OK_ = 0, S_FALSE_ = 1;

class Ole32StandIn : public ::testing::Test {
protected:
    void SetUp() override {
        library_ = dlopen((ProgramDirectory().bytes() + "/ole32.dll").c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(library_, nullptr) << dlerror();
        initialize_ = reinterpret_cast<std::int32_t (*)(void*)>(dlsym(library_, "CoInitialize"));
        uninitialize_ = reinterpret_cast<void (*)()>(dlsym(library_, "CoUninitialize"));
        ASSERT_NE(initialize_, nullptr);
        ASSERT_NE(uninitialize_, nullptr);
    }
    void TearDown() override {
        if (library_) dlclose(library_);
    }

    void* library_ = nullptr;
    std::int32_t (*initialize_)(void*) = nullptr;
    void (*uninitialize_)() = nullptr;
};

TEST_F(Ole32StandIn, CountsInitialisationsPerThread) {
    EXPECT_EQ(initialize_(nullptr), S_OK_);
    EXPECT_EQ(initialize_(nullptr), S_FALSE_);   // nested: only the count rises

    std::int32_t otherThreadFirst = -1, otherThreadSecond = -1;
    std::thread other([&] {
        otherThreadFirst = initialize_(nullptr);
        otherThreadSecond = initialize_(nullptr);
        uninitialize_();
        uninitialize_();
    });
    other.join();
    EXPECT_EQ(otherThreadFirst, S_OK_);          // another thread starts at zero
    EXPECT_EQ(otherThreadSecond, S_FALSE_);

    uninitialize_();
    EXPECT_EQ(initialize_(nullptr), S_FALSE_);   // still initialised once on this thread
    uninitialize_();
    uninitialize_();
    EXPECT_EQ(initialize_(nullptr), S_OK_);      // back to zero
    uninitialize_();
}

TEST_F(Ole32StandIn, AnUnmatchedUninitialiseLeavesTheCountAtZero) {
    uninitialize_();
    uninitialize_();
    EXPECT_EQ(initialize_(nullptr), S_OK_);
    EXPECT_EQ(initialize_(nullptr), S_FALSE_);
    uninitialize_();
    uninitialize_();
}

struct SystemTimeFields16 {
    std::uint16_t year, month, dayOfWeek, day, hour, minute, second, milliseconds;
    bool operator==(const SystemTimeFields16&) const = default;
};

TEST(WininetStandIn, ReadsHttpDatesAndLeavesTheFieldsAloneOnFailure) {
    void* library = dlopen((ProgramDirectory().bytes() + "/wininet.dll").c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    auto parse = reinterpret_cast<int (*)(const char*, SystemTimeFields16*, unsigned)>(
        dlsym(library, "InternetTimeToSystemTime"));
    ASSERT_NE(parse, nullptr);

    const SystemTimeFields16 untouched{9, 9, 9, 9, 9, 9, 9, 9};
    struct Case {
        const char* text;
        int result;
        SystemTimeFields16 fields;
    } cases[] = {
        // The Date header's value as the restore takes it, with its leading blank.
        {" Sun, 06 Nov 1994 08:49:37 GMT", 1, {1994, 11, 0, 6, 8, 49, 37, 0}},
        {"Wed, 07 Jul 2077 07:07:07 GMT", 1, {2077, 7, 3, 7, 7, 7, 7, 0}},
        {"Sun Nov  6 08:49:37 1994", 1, {1994, 11, 0, 6, 8, 49, 37, 0}},
        {"", 0, untouched},
        {"not a date", 0, untouched},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        SystemTimeFields16 fields = untouched;
        EXPECT_EQ(parse(c.text, &fields, 0), c.result);
        EXPECT_TRUE(fields == c.fields);
    }
    dlclose(library);
}

}  // namespace
}  // namespace clocktool
