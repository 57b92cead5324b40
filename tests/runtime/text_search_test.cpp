// Searching, trimming, replacing and splitting: the operations that walk a text one
// character at a time, where a byte of 0x80 or more starts a two-byte character.
#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "runtime/text.h"

namespace clocktool {
namespace {

constexpr std::optional<int> kNoStart;

struct FindCase {
    const char* text;
    const char* subtext;
    std::optional<int> start;
    bool caseInsensitive;
    int forward;   // FindText
    int reverse;   // FindTextReverse
};

const FindCase kFindCases[] = {
    {"abcabc", "c", kNoStart, false, 3, 6},
    {"abcabc", "c", 4, false, 6, 3},
    {"abcabc", "c", 6, false, 6, 3},   // reverse: the match at 6 does not end before byte 6
    {"abcabc", "c", 7, false, -1, 6},
    {"abcabc", "c", 0, false, 3, -1},  // forward: start 0 means the whole text; reverse: no region
    {"abcabc", "c", 1, false, 3, -1},
    {"abcabc", "c", 99, false, -1, 6},
    {"abcabc", "bc", 3, false, 5, -1},  // reverse: "bc" at 2 ends at byte 3, not before it
    {"abcabc", "bc", 4, false, 5, 2},
    {"abcabc", "abcabcd", kNoStart, false, -1, -1},
    {"ABC", "b", kNoStart, true, 2, 2},
    {"ABC", "b", kNoStart, false, -1, -1},
    {"abc", "ABC", kNoStart, true, 1, 1},
    {"a[b]", "[B]", kNoStart, true, 2, 2},   // only letters fold
    {"a{b}", "[B]", kNoStart, true, -1, -1},
    // the empty subtext: 1 whenever the region holds a byte, even past byte 1
    {"xyz", "", kNoStart, false, 1, 1},
    {"xyz", "", 3, false, 1, 1},
    {"xyz", "", 4, false, -1, 1},
    {"xyz", "", 1, false, 1, -1},
    {"", "", kNoStart, false, -1, -1},
    {"", "a", kNoStart, false, -1, -1},
    // a trail byte never starts a match
    {"\xB0" "A", "A", kNoStart, false, -1, -1},
    {"\xB0" "A", "A", kNoStart, true, -1, -1},
    {"\xB0" "AA", "A", kNoStart, false, 3, 3},
    {"\xB0\xB1\xB2\xB3", "\xB1\xB2", kNoStart, false, -1, -1},
    {"\xB0\xB1\xB2\xB3", "\xB2\xB3", kNoStart, false, 3, 3},
    {"x\xB0\xB1\xB2\xB3", "\xB1\xB2", kNoStart, false, -1, -1},
    {"xx\xB0\xB1\xB2\xB3", "\xB1\xB2", kNoStart, false, -1, -1},
    // a start on a trail byte reads it as if a character started there
    {"\xB0" "A", "A", 2, false, 2, -1},
    {"\xB0\xB1\xB2\xB3", "\xB1\xB2", 2, false, 2, -1},
    // a lead byte that is the last byte of the text ends the walk
    {"a\xB0", "\xB0", kNoStart, false, -1, -1},
    {"a\xB0\xB0", "\xB0", kNoStart, false, 2, 2},
    // the reverse walk also runs from byte 1: "\xB0" "A" "A" holds one 'A' on a boundary
    {"\xB0" "A" "A" "\xB0" "A", "A", kNoStart, false, 3, 3},
    // trail bytes fold too
    {"\xB0" "a", "\xB0" "A", kNoStart, true, 1, 1},
    {"\xB0" "a", "\xB0" "A", kNoStart, false, -1, -1},
};

TEST(FindText, FollowsTheCharacterWalk) {
    for (const FindCase& c : kFindCases) {
        SCOPED_TRACE(::testing::Message() << "text '" << c.text << "' subtext '" << c.subtext << "' start "
                                        << (c.start ? std::to_string(*c.start) : "none"));
        EXPECT_EQ(FindText(c.text, c.subtext, c.start, c.caseInsensitive), c.forward);
        EXPECT_EQ(FindTextReverse(c.text, c.subtext, c.start, c.caseInsensitive), c.reverse);
    }
}

TEST(TrimBoth, RemovesSpacesAndIdeographicSpacesOnly) {
    const struct { const char* text; const char* trimmed; } cases[] = {
        {"  a b  ", "a b"},
        {"\ta ", "\ta"},
        {"\r\na\n", "\r\na\n"},
        {"\xA1\xA1x\xA1\xA1", "x"},
        {" \xA1\xA1 x \xA1\xA1 ", "x"},
        {"   ", ""},
        {"\xA1\xA1\xA1\xA1", ""},
        {"", ""},
        {"\xA1", ""},                             // a lead byte at the end goes
        {"x\xA1", "x"},
        {"x \xB0", "x"},
        {"\xB0\xA1\xA1", "\xB0\xA1"},             // A1 A1 split across characters is no blank
        {"\xB0\xA1\xA1\xA1", "\xB0\xA1"},
        {"\xB0 ", "\xB0 "},                       // a space that is a trail byte stays
        {"\xB0  ", "\xB0 "},
        {"x\xA1\xA1\xA1", "x"},                   // A1 A1 then a stray lead byte
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "text '" << c.text << "'");
        EXPECT_EQ(TrimBoth(c.text), Text(c.trimmed));
    }
}

struct ReplaceCase {
    const char* text;
    const char* subtext;
    const char* replacement;
    std::optional<int> start;
    std::optional<int> count;
    bool caseSensitive;
    const char* result;
};

const ReplaceCase kReplaceCases[] = {
    {"Cookie: a=1", "cookie:", "", kNoStart, kNoStart, false, " a=1"},
    {"Cookie: a=1", "cookie:", "", kNoStart, kNoStart, true, "Cookie: a=1"},
    {"aaa", "aa", "b", kNoStart, kNoStart, true, "ba"},
    {"abab", "ab", "x", 2, kNoStart, true, "abx"},
    {"abab", "ab", "x", kNoStart, 1, true, "xab"},
    {"abab", "ab", "x", kNoStart, 0, true, "abab"},
    {"abab", "ab", "x", kNoStart, -1, true, "xx"},
    {"abab", "ab", "x", 0, kNoStart, true, "xx"},
    {"abab", "ab", "x", 5, kNoStart, true, "abab"},
    {"abab", "", "x", kNoStart, kNoStart, true, "abab"},
    {"", "ab", "x", kNoStart, kNoStart, true, ""},
    {"a", "a", "aa", kNoStart, kNoStart, true, "aa"},       // inserted text is not searched again
    {"k=#q#", "#q#", "\"", kNoStart, kNoStart, true, "k=\""},
    {"\xB0" "A" "A", "A", "b", kNoStart, kNoStart, true, "\xB0" "Ab"},
    {"aA", "a", "", kNoStart, kNoStart, false, ""},
    {"ab\xB0", "b", "c", kNoStart, kNoStart, true, "ac"},   // a stray lead byte at the end is dropped
    {"ab\xB0", "xy", "c", kNoStart, kNoStart, true, "ab\xB0"},  // too few bytes left: copied as is
    {"ab\xB0", "a", "c", kNoStart, 1, true, "cb\xB0"},      // after the count: copied as is
    {"\xB0" "A", "A", "b", 2, kNoStart, true, "\xB0" "b"},  // a start on a trail byte
};

TEST(ReplaceSubtext, ReplacesOnCharacterBoundaries) {
    for (const ReplaceCase& c : kReplaceCases) {
        SCOPED_TRACE(::testing::Message() << "text '" << c.text << "' subtext '" << c.subtext << "'");
        EXPECT_EQ(ReplaceSubtext(c.text, c.subtext, c.replacement, c.start, c.count, c.caseSensitive),
                  Text(c.result));
    }
}

TEST(ReplaceSubtext, DefaultsToRemovingEveryOccurrenceIgnoringCase) {
    EXPECT_EQ(ReplaceSubtext("a; A; b", "a; "), Text("b"));
}

struct SplitCase {
    const char* text;
    const char* separator;
    std::optional<int> maxCount;
    std::vector<const char*> pieces;
};

const SplitCase kSplitCases[] = {
    {"a,,b", ",", kNoStart, {"a", "", "b"}},
    {",a", ",", kNoStart, {"", "a"}},
    {"a,", ",", kNoStart, {"a"}},
    {",", ",", kNoStart, {""}},
    {",,", ",", kNoStart, {"", ""}},
    {"", ",", kNoStart, {}},
    {"abc", ",", kNoStart, {"abc"}},
    {"a;b;c", ";", 2, {"a", "b"}},
    {"a;b;c", ";", 3, {"a", "b", "c"}},
    {"a;b;c", ";", 0, {}},
    {"a;b;c", ";", -1, {}},
    {"a;b", "", kNoStart, {"a;b"}},
    {"a; b; ", "; ", kNoStart, {"a", "b"}},
    {"aXbxc", "x", kNoStart, {"aXb", "c"}},               // case counts
    {"\xB0,a,b", ",", kNoStart, {"\xB0,a", "b"}},         // ',' as a trail byte does not split
    {"a,\xB0", ",", kNoStart, {"a", "\xB0"}},             // a stray lead byte stays in the last piece
    {"a,b\xB0", "\xB0", kNoStart, {"a,b\xB0"}},
};

TEST(SplitText, CutsAtEverySeparatorOnACharacterBoundary) {
    for (const SplitCase& c : kSplitCases) {
        SCOPED_TRACE(::testing::Message() << "text '" << c.text << "' separator '" << c.separator << "'");
        TextArray expected;
        for (const char* piece : c.pieces) expected.members().emplace_back(piece);
        EXPECT_EQ(SplitText(c.text, c.separator, c.maxCount), expected);
    }
}

TEST(SplitText, SplitsAtCommasByDefault) {
    EXPECT_EQ(SplitText("a,b"), (TextArray{"a", "b"}));
}

TEST(ToUpperCase, ChangesSingleByteLettersOnly) {
    EXPECT_EQ(ToUpperCase("abz AZ 09{}`"), Text("ABZ AZ 09{}`"));
    EXPECT_EQ(ToUpperCase("\xB0" "a" "a"), Text("\xB0" "a" "A"));   // a trail byte stays
    EXPECT_EQ(ToUpperCase("a\xB0"), Text("A\xB0"));
    EXPECT_EQ(ToUpperCase(""), Text());
}

}  // namespace
}  // namespace clocktool
