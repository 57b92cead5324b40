// The ole32.dll stand-in: CoInitialize and CoUninitialize keep a count per thread.
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

}  // namespace
}  // namespace clocktool
