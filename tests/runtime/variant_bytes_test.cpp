// Bytes into and out of variants, and clearing them: the same on both platforms.
#include <gtest/gtest.h>

#include <optional>

#include "runtime/automation.h"
#include "runtime/automation_platform.h"

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

TEST(VariantBytes, TextsAndByteArraysConvertIntoEachOther) {
    // A BSTR converts to the bytes of its UTF-16 units (the VariantChangeType role).
    EXPECT_EQ(VariantGetBytes(BstrVariant(u"AB")), ByteString(std::string_view("A\0B\0", 4)));
    Variant bytes;
    ASSERT_TRUE(VariantAssignBytes(bytes, ByteString(std::string_view("wxyz"))));
    ASSERT_TRUE(ChangeVariantType(bytes, VT_BSTR));
    EXPECT_EQ(bytes, BstrVariant(u"\u7877\u7a79"));
    ASSERT_TRUE(ChangeVariantType(bytes, VT_ARRAY | VT_UI1));
    EXPECT_EQ(bytes, ByteArrayVariant("wxyz", 0));
}

TEST(VariantBytes, ArraysKeepTheirBoundsThroughAConversionToTheirOwnKind) {
    Variant shorts = ByteArrayVariant("abcd", 0);
    shorts.vt = VT_ARRAY | VT_I2;
    shorts.array.elementType = VT_I2;
    shorts.array.bounds[0].count = 2;
    for (const Variant& array : {ByteArrayVariant("", 1), ByteArrayVariant("\x01\x02\x03", 0),
                                 ByteArrayVariant("xy", 7), shorts}) {
        Variant copy = array;
        ASSERT_TRUE(ChangeVariantType(copy, array.vt));
        EXPECT_EQ(copy, array);
    }
}

TEST(VariantBytes, NumberAndTextConversions) {
    const struct {
        Variant from;
        std::uint16_t to;
        std::optional<Variant> expected;
    } cases[] = {
        {I4Variant(200), VT_BSTR, BstrVariant(u"200")},
        {BstrVariant(u" 42 "), VT_I4, I4Variant(42)},
        {BstrVariant(u"2.5"), VT_R8, R8Variant(2.5)},
        {R8Variant(2.5), VT_I4, I4Variant(2)},    // half to even
        {R8Variant(3.5), VT_I4, I4Variant(4)},
        {BoolVariant(true), VT_I4, I4Variant(-1)},
        {I4Variant(7), VT_BOOL, BoolVariant(true)},
        {EmptyVariant(), VT_BSTR, BstrVariant(u"")},
        {EmptyVariant(), VT_R8, R8Variant(0)},
        {I4Variant(70000), VT_I2, std::nullopt},   // overflow
        {BstrVariant(u"abc"), VT_R8, std::nullopt},
        {ErrorVariant(kDispEParamNotFound), VT_BSTR, std::nullopt},
    };
    for (const auto& c : cases) {
        Variant value = c.from;
        const bool changed = ChangeVariantType(value, c.to);
        EXPECT_EQ(changed, c.expected.has_value()) << "from vt " << c.from.vt << " to " << c.to;
        EXPECT_EQ(value, changed ? *c.expected : c.from) << "from vt " << c.from.vt << " to " << c.to;
    }
}

}  // namespace
}  // namespace clocktool
