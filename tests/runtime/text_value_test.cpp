#include <gtest/gtest.h>

#include "runtime/text.h"

namespace clocktool {
namespace {

TEST(TextValue, NeverHoldsAZeroByte) {
    EXPECT_EQ(Text(std::string_view("ab\0cd", 5)).bytes(), "ab");
    EXPECT_EQ(Text(std::string("\0x", 2)).size(), 0u);
    EXPECT_EQ(Text(static_cast<const char*>(nullptr)), Text());
}

}  // namespace
}  // namespace clocktool
