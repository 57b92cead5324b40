// Cutting, measuring and comparing texts and byte strings, arrays with their index
// test, and the number operations.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "runtime/text.h"
#include "support/fatal_capture.h"

namespace clocktool {
namespace {

using testing::FatalCapture;
using testing::FatalErrorRaised;

TEST(TextCuts, ClipToTheText) {
    const struct { Text result; const char* expected; } cases[] = {
        {TextMid("abcdef", 3, 2), "cd"},
        {TextMid("abc", 3, 5), "c"},
        {TextMid("abc", 0, 2), ""},
        {TextMid("abc", 4, 1), ""},
        {TextMid("abc", 1, 0), ""},
        {TextMid("abc", 2, INT_MAX), "bc"},
        {TextLeft("abc", 5), "abc"},
        {TextLeft("abc", 2), "ab"},
        {TextLeft("abc", 0), ""},
        {TextLeft("abc", -1), ""},
        {TextRight("abc", 2), "bc"},
        {TextRight("abc", 9), "abc"},
        {TextRight("abc", 0), ""},
        {TextRight("abc", -3), ""},
        {TextLeft("", 3), ""},
    };
    for (const auto& c : cases) EXPECT_EQ(c.result, Text(c.expected));
    EXPECT_EQ(TextLength(""), 0);
    EXPECT_EQ(TextLength("\xB0\xA1x"), 3);
}

TEST(CharCode, ReadsASignedByte) {
    EXPECT_EQ(CharCode("="), 61);
    EXPECT_EQ(CharCode("\xB0" "A"), -80);
    EXPECT_EQ(CharCode("\xFF"), -1);
    EXPECT_EQ(CharCode(""), 0);
    EXPECT_EQ(CharCode("ab", 2), 'b');
    EXPECT_EQ(CharCode("ab", 3), 0);
    EXPECT_EQ(CharCode("ab", 0), 0);
}

TEST(CharFromCode, KeepsTheLowByte) {
    EXPECT_EQ(CharFromCode('A'), Text("A"));
    EXPECT_EQ(CharFromCode(0x141), Text("A"));
    EXPECT_EQ(CharFromCode(-80), Text("\xB0"));
    EXPECT_EQ(CharFromCode(0), Text());
    EXPECT_EQ(CharFromCode(256), Text());
}

TEST(ConcatText, JoinsInOrder) {
    EXPECT_EQ(ConcatText(Text("a")), Text("a"));
    EXPECT_EQ(ConcatText(Text("a"), Text(), Text("bc"), Text("\xB0")), Text("abc\xB0"));
    EXPECT_EQ(ConcatText(Text(), Text()), Text());
}

TEST(CompareText, OrdersBytesAsUnsigned) {
    const struct { const char* a; const char* b; int order; } cases[] = {
        {"a", "a", 0}, {"", "", 0}, {"a", "b", -1}, {"b", "a", 1},
        {"ab", "abc", -1}, {"abc", "ab", 1}, {"", "a", -1},
        {"\xB0", "a", 1},     // 0xB0 sorts after every ASCII byte
        {"a", "A", 1},        // case counts
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "'" << c.a << "' vs '" << c.b << "'");
        EXPECT_EQ(CompareText(c.a, c.b), c.order);
    }
}

ByteString Bytes(std::string_view bytes) { return ByteString(bytes); }

TEST(ByteStrings, ConvertToAndFromText) {
    EXPECT_EQ(ToBytes("a\xB0"), Bytes("a\xB0"));
    EXPECT_EQ(ToBytes(""), ByteString());
    EXPECT_EQ(BytesToText(Bytes(std::string_view("A\0B", 3))), Text("A"));
    EXPECT_EQ(BytesToText(Bytes(std::string_view("\0B", 2))), Text());
    EXPECT_EQ(BytesToText(Bytes("AB")), Text("AB"));
    EXPECT_EQ(BytesLength(Bytes(std::string_view("\0\0", 2))), 2);
    EXPECT_EQ(BytesLength(ByteString()), 0);
}

TEST(ByteStrings, BytesMidClips) {
    const ByteString five = Bytes("12345");
    const struct { int start, n; const char* expected; } cases[] = {
        {4, 5, "45"}, {0, 2, "12"}, {-7, 2, "12"}, {9, 1, ""}, {6, 1, ""},
        {5, 1, "5"}, {2, 0, ""}, {2, -1, ""}, {1, INT_MAX, "12345"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "start " << c.start << " n " << c.n);
        EXPECT_EQ(BytesMid(five, c.start, c.n), Bytes(c.expected));
    }
}

TEST(ByteStrings, BuildAndCompare) {
    EXPECT_EQ(BlankBytes(3), Bytes(std::string_view("\0\0\0", 3)));
    EXPECT_EQ(BlankBytes(0), ByteString());
    EXPECT_EQ(BlankBytes(-2), ByteString());
    EXPECT_EQ(ConcatBytes(Bytes("a"), BlankBytes(1), Bytes("b")), Bytes(std::string_view("a\0b", 3)));
    EXPECT_EQ(ConcatBytes(ByteString(), ByteString()), ByteString());
    EXPECT_TRUE(CompareBytes(ByteString(), ByteString()));
    EXPECT_TRUE(CompareBytes(Bytes(std::string_view("a\0", 2)), Bytes(std::string_view("a\0", 2))));
    EXPECT_FALSE(CompareBytes(Bytes(std::string_view("a\0", 2)), Bytes("a")));
    EXPECT_FALSE(CompareBytes(Bytes("ab"), Bytes("ac")));
    EXPECT_EQ(ToByte(0x1FF), 0xFF);
    EXPECT_EQ(ToByte(-1), 0xFF);
    EXPECT_EQ(ToByte(0x100), 0);
}

TEST(Numbers, ModuloKeepsTheSignOfTheDividend) {
    EXPECT_EQ(Modulo(7, 3), 1);
    EXPECT_EQ(Modulo(-7, 3), -1);
    EXPECT_EQ(Modulo(7, -3), 1);
    EXPECT_EQ(Modulo(7.5, 2), 1.5);
}

TEST(Numbers, ShiftsAndAnd) {
    EXPECT_EQ(ShiftRight(-8, 1), -4);
    EXPECT_EQ(ShiftRight(INT32_MIN, 31), -1);
    EXPECT_EQ(ShiftRight(16, 4), 1);
    EXPECT_EQ(ShiftLeft(1, 31), INT32_MIN);
    EXPECT_EQ(ShiftLeft(3, 4), 48);
    EXPECT_EQ(ShiftLeft(-1, 0), -1);
    EXPECT_EQ(BitAnd(0xF0F, 0x0FF), 0x00F);
    EXPECT_EQ(BitAnd(-1, 63), 63);
}

TEST(Arrays, AppendGrowsByOneMember) {
    TextArray array;
    EXPECT_EQ(ArraySize(array), 0);
    AppendToArray(array, "a");
    AppendToArray(array, "");
    Text kept("b");
    AppendToArray(array, kept);
    EXPECT_EQ(array, (TextArray{"a", "", "b"}));
    EXPECT_EQ(kept, Text("b"));
}

TEST(Arrays, AppendingNeverChangesASharedEmptyArray) {
    static const TextArray kEmptyArray;
    TextArray array = kEmptyArray;
    AppendToArray(array, "x");
    EXPECT_EQ(ArraySize(array), 1);
    EXPECT_EQ(ArraySize(kEmptyArray), 0);
    TextArray other = kEmptyArray;
    EXPECT_EQ(ArraySize(other), 0);
}

TEST(Arrays, MemberAccessReadsAndWrites) {
    TextArray array{"a", "b"};
    EXPECT_EQ(ArrayMember(static_cast<const TextArray&>(array), 2, 900, 1), Text("b"));
    ArrayMember(array, 1, 900, 2) = "z";
    EXPECT_EQ(array, (TextArray{"z", "b"}));
    EXPECT_EQ(ByteAt(ByteString("\x01\xFF"), 2, 900, 3), 0xFF);
}

// The index test ends the program; the box names the code, the message and the place.
struct IndexCase {
    int index;
    int code;
    const char* message;
};

const IndexCase kIndexCases[] = {
    {0, 4, "\xCA\xFD\xD7\xE9\xB3\xC9\xD4\xB1\xD2\xFD\xD3\xC3\xCF\xC2\xB1\xEA"
           "\xB1\xD8\xD0\xEB\xB4\xF3\xD3\xDA\xB5\xC8\xD3\xDA" "1"},   // 数组成员引用下标必须大于等于1
    {-5, 4, "\xCA\xFD\xD7\xE9\xB3\xC9\xD4\xB1\xD2\xFD\xD3\xC3\xCF\xC2\xB1\xEA"
            "\xB1\xD8\xD0\xEB\xB4\xF3\xD3\xDA\xB5\xC8\xD3\xDA" "1"},
    {3, 1, "\xCA\xFD\xD7\xE9\xB3\xC9\xD4\xB1\xD2\xFD\xD3\xC3\xCF\xC2\xB1\xEA"
           "\xB3\xAC\xB3\xF6\xB6\xA8\xD2\xE5\xB7\xB6\xCE\xA7"},       // 数组成员引用下标超出定义范围
};

void ExpectIndexError(void (*access)(int index), const IndexCase& c) {
    FatalCapture capture;
    try {
        access(c.index);
        ADD_FAILURE() << "index " << c.index << " passed the index test";
    } catch (const FatalErrorRaised& raised) {
        EXPECT_EQ(raised.exitCode, -1);
        const std::string& box = raised.boxText;
        EXPECT_NE(box.find("\xB4\xED\xCE\xF3\xB4\xFA\xC2\xEB\xA3\xBA" + std::to_string(c.code)), std::string::npos)
            << box;   // 错误代码：
        EXPECT_NE(box.find(c.message), std::string::npos) << box;
        EXPECT_NE(box.find("901, 7"), std::string::npos) << box;
    }
}

TEST(Arrays, IndexOutsideTheArrayEndsTheProgram) {
    for (const IndexCase& c : kIndexCases) {
        SCOPED_TRACE(::testing::Message() << "index " << c.index);
        ExpectIndexError([](int i) { TextArray a{"x", "y"}; (void)ArrayMember(a, i, 901, 7); }, c);
        ExpectIndexError([](int i) { const TextArray a{"x", "y"}; (void)ArrayMember(a, i, 901, 7); }, c);
        ExpectIndexError([](int i) { (void)ByteAt(ByteString("ab"), i, 901, 7); }, c);
    }
}

TEST(Arrays, AnEmptyArrayHasNoMemberOne) {
    FatalCapture capture;
    EXPECT_THROW((void)ArrayMember(TextArray(), 1, 901, 8), FatalErrorRaised);
    EXPECT_THROW((void)ByteAt(ByteString(), 1, 901, 9), FatalErrorRaised);
}

TEST(Numbers, ModuloByZeroEndsTheProgram) {
    FatalCapture capture;
    try {
        Modulo(1, 0);
        ADD_FAILURE() << "Modulo by zero returned";
    } catch (const FatalErrorRaised& raised) {
        EXPECT_NE(raised.boxText.find("\xB2\xBB\xC4\xDC\xC7\xF3\xD3\xE0\xCA\xFD\xD3\xDA\xC1\xE3"),   // 不能求余数于零
                  std::string::npos) << raised.boxText;
        EXPECT_EQ(raised.boxText.find("\xB4\xED\xCE\xF3\xB4\xFA\xC2\xEB"), std::string::npos);   // no 错误代码
        EXPECT_NE(raised.boxText.find("0, 0"), std::string::npos);
    }
}

TEST(OutOfMemory, NamesTheBytesAskedFor) {
    FatalCapture capture;
    try {
        OutOfMemory(123456);
    } catch (const FatalErrorRaised& raised) {
        // 分配 123456 字节内存失败!
        EXPECT_NE(raised.boxText.find("\xB7\xD6\xC5\xE4 123456 \xD7\xD6\xBD\xDA\xC4\xDA\xB4\xE6\xCA\xA7\xB0\xDC!"),
                  std::string::npos) << raised.boxText;
        EXPECT_NE(raised.boxText.find("0, 0"), std::string::npos);
    }
}

}  // namespace
}  // namespace clocktool
