#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "textutil/textutil.h"

namespace clocktool {
namespace {

TEST(TextBefore, CutsInFrontOfTheMarker) {
    const struct { const char* text; const char* marker; int start; const char* result; } cases[] = {
        {"name: value", ": ", 0, "name"},
        {"a.b.c", ".", 0, "a"},
        {"a.b.c", ".", 1, "a"},
        {"a.b.c", ".", 3, "a.b"},
        {"a.b.c", ".", -1, "a.b"},
        {"a.b.c", ".", -2, "a"},     // the last two bytes ".c" are left out
        {"a.b.c", ".", -3, "a"},
        {"a.b.c", ".", -4, ""},      // only "a" is searched
        {"a.b.c", ".", INT_MIN, ""},
        {"a.b.c", ".", 9, ""},
        {".abc", ".", 0, ""},        // a marker at byte 1
        {"abc", ".", 0, ""},
        {"abc", ".", -1, ""},
        {"", ".", 0, ""},
        {"\xB0.x.", ".", 0, "\xB0.x"},   // '.' as a trail byte is no marker
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "'" << c.text << "' '" << c.marker << "' start " << c.start);
        EXPECT_EQ(TextBefore(c.text, c.marker, c.start), Text(c.result));
    }
    EXPECT_EQ(TextBefore("Name: v", "NAME", 0, true), Text());
    EXPECT_EQ(TextBefore("xName: v", "NAME", 0, true), Text("x"));
    EXPECT_EQ(TextBefore("xName: v", "NAME"), Text());
    EXPECT_EQ(TextBefore("xNAmeNAME", "name", -1, true), Text("xNAme"));
}

// 引号, the placeholder for a quote mark in TextBetween's markers
#define QUOTE "#\xD2\xFD\xBA\xC5"

TEST(TextBetween, TakesTheTextBetweenTheMarkers) {
    const struct { const char* text; const char* left; const char* right; int start; const char* result; } cases[] = {
        {"HTTP/1.1 200 OK\r\nDate: Thu, 01 Jan 2026 08:00:00 GMT\r\nServer: x\r\n", "Date:", "\r\n", 0,
         " Thu, 01 Jan 2026 08:00:00 GMT"},
        {"Set-Cookie: sid=42; path=/", "Set-Cookie:", ";", 0, " sid=42"},
        {"a[b]c[d]", "[", "]", 0, "b"},
        {"a[b]c[d]", "[", "]", 1, "b"},
        {"a[b]c[d]", "[", "]", 4, "d"},
        {"a[b]c[d]", "[", "]", 9, ""},
        {"k=\"v\"", "k=" QUOTE, QUOTE, 0, "v"},
        {"k=\"v\"", "k=" QUOTE QUOTE, QUOTE, 0, ""},
        {"]a[b", "[", "]", 0, ""},        // the right marker only counts after the left one
        {"[]", "[", "]", 0, ""},
        {"date: x\r\n", "Date:", "\r\n", 0, ""},
        {"a[b]", "[", "", 0, ""},         // an empty right marker always gives the empty text
        {"ab]c]", "", "]", 0, "ab"},      // an empty left marker is found at byte 1
        {"ab]c]", "", "]", 3, "ab"},
        {"ab]c]", "", "]", 6, ""},
        {"", "[", "]", 0, ""},
        {"\xB0[b][c]", "[", "]", 0, "c"}, // '[' after a lead byte is its trail byte
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "'" << c.text << "' '" << c.left << "' '" << c.right << "'");
        EXPECT_EQ(TextBetween(c.text, c.left, c.right, c.start), Text(c.result));
    }
    EXPECT_EQ(TextBetween("date: x\r\n", "Date:", "\r\n", 0, true), Text(" x"));
    EXPECT_EQ(TextBetween("a[B]c", "[b", "]", 0, true), Text());
    EXPECT_EQ(TextBetween("aXbYc", "x", "y", 0, true), Text("b"));
}

TEST(JoinUnique, DropsRepeatedItems) {
    const struct { const char* text; const char* separator; bool bySeparator; const char* result; } cases[] = {
        {"a=1; b=2; a=1", "; ", true, "a=1; b=2"},
        {"a=1; b=2; ", "; ", true, "a=1; b=2"},
        {"a; ; b", "; ", true, "a; ; b"},
        {"a; ; b; ; a", "; ", true, "a; ; b"},
        {"; a", "; ", true, "; a"},
        {"A; a", "; ", true, "A; a"},
        {"", "; ", true, ""},
        {"a,b", "", true, "a,b"},
        {"hello", ",", false, "h,e,l,o"},
        {"abab", "", false, "ab"},
        {"\xB0\xA1x\xB0\xA1", "|", false, "\xB0\xA1|x"},
        {"", ",", false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "'" << c.text << "' '" << c.separator << "'");
        EXPECT_EQ(JoinUnique(c.text, c.separator, c.bySeparator), Text(c.result));
    }
}

TEST(SplitCharacters, KeepsTwoByteCharactersAndCrLfWhole) {
    const struct { const char* text; std::vector<const char*> characters; } cases[] = {
        {"ab", {"a", "b"}},
        {"a\r\nb", {"a", "\r\n", "b"}},
        {"\n\r", {"\n", "\r"}},
        {"\r", {"\r"}},
        {"\xB0\xA1" "A", {"\xB0\xA1", "A"}},
        {"A\xB0", {"A", "\xB0"}},            // a last byte always stands alone
        {"\x80" "A", {"\x80", "A"}},         // 0x80 is a character of its own here
        {"\x81" "A", {"\x81" "A"}},
        {"\xB0\r\n", {"\xB0\r", "\n"}},
        {"", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "'" << c.text << "'");
        TextArray characters{"stale", "members"};
        TextArray expected;
        for (const char* character : c.characters) AppendToArray(expected, character);
        EXPECT_EQ(SplitCharacters(c.text, characters), ArraySize(expected));
        EXPECT_EQ(characters, expected);
    }
}

TEST(FindInTextArray, FindsTheFirstEqualMember) {
    const TextArray xyx{"x", "y", "x"};
    EXPECT_EQ(FindInTextArray(xyx, "x"), 1);
    EXPECT_EQ(FindInTextArray(xyx, "y"), 2);
    EXPECT_EQ(FindInTextArray(xyx, "z"), -1);
    EXPECT_EQ(FindInTextArray(xyx, "X"), -1);
    EXPECT_EQ(FindInTextArray(TextArray(), "x"), -1);
    EXPECT_EQ(FindInTextArray(TextArray(), ""), -1);
    EXPECT_EQ(FindInTextArray(TextArray{"a", "", ""}, ""), 2);
}

}  // namespace
}  // namespace clocktool
