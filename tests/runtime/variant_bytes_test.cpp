// Bytes into and out of variants, and clearing them: the same on both platforms.
#include <gtest/gtest.h>

#include "runtime/automation.h"

namespace clocktool {
namespace {

TEST(VariantBytes, AssignMakesAByteArrayWithLowerBoundOne) {
    for (const std::string& bytes : {std::string(), std::string("\x00\xFF\x7F", 3)}) {
        Variant v = I4Variant(5);
        EXPECT_TRUE(VariantAssignBytes(v, ByteString(bytes)));
        EXPECT_EQ(v.vt, VT_ARRAY | VT_UI1);
        ASSERT_EQ(v.array.bounds.size(), 1u);
        EXPECT_EQ(v.array.bounds[0].lowerBound, 1);
        EXPECT_EQ(v.array.bounds[0].count, bytes.size());
        EXPECT_EQ(VariantGetBytes(v), ByteString(bytes));
    }
}

TEST(VariantBytes, GetBytesOfOtherValues) {
    Variant twoDimensions = ByteArrayVariant("abcdef", 0);
    twoDimensions.array.bounds = {{0, 2}, {5, 3}};
    Variant signedBytes = ByteArrayVariant("xy", -3);
    signedBytes.vt = VT_ARRAY | VT_I1;
    signedBytes.array.elementType = VT_I1;
    Variant shorts = ByteArrayVariant("abcd", 0);
    shorts.vt = VT_ARRAY | VT_I2;
    shorts.array.elementType = VT_I2;
    shorts.array.bounds[0].count = 2;
    Variant target = ByteArrayVariant("ref", 0);
    const struct {
        const char* what;
        Variant value;
        ByteString expected;
    } cases[] = {
        {"lower bound 0", ByteArrayVariant("\x01\x02\x03", 0), ByteString(std::string_view("\x01\x02\x03"))},
        {"two dimensions", twoDimensions, ByteString(std::string_view("abcdef"))},
        {"signed bytes", signedBytes, ByteString(std::string_view("xy"))},
        {"16-bit elements", shorts, ByteString()},
        {"empty", EmptyVariant(), ByteString()},
        {"a number", I4Variant(65), ByteString()},
        {"by reference", RefVariant(VT_ARRAY | VT_UI1, target), ByteString(std::string_view("ref"))},
    };
    for (const auto& c : cases) {
        const Variant before = c.value;
        EXPECT_EQ(VariantGetBytes(c.value), c.expected) << c.what;
        EXPECT_EQ(c.value, before) << c.what;
    }
}

TEST(VariantBytes, ClearLeavesEmpty) {
    Variant v;
    EXPECT_EQ(v, I4Variant(0));   // a new Variant holds VT_I4 0
    ASSERT_TRUE(VariantAssignBytes(v, ByteString(std::string_view("abc"))));
    VariantClear(v);
    EXPECT_EQ(v, EmptyVariant());
    EXPECT_TRUE(v.array.data.empty());
    EXPECT_EQ(VariantGetBytes(v), ByteString());
}

}  // namespace
}  // namespace clocktool
