#include <gtest/gtest.h>

#include "runtime/text.h"
#include "runtime/unicode.h"

namespace clocktool {
namespace {

TEST(Unicode, Utf16AndUtf8) {
    EXPECT_EQ(Utf16ToUtf8(u"A\u00E9\u5E74\U0001F600"), "A\xC3\xA9\xE5\xB9\xB4\xF0\x9F\x98\x80");
    EXPECT_EQ(Utf8ToUtf16("A\xC3\xA9\xE5\xB9\xB4\xF0\x9F\x98\x80"), u"A\u00E9\u5E74\U0001F600");
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, u'\xD800')), "\xEF\xBF\xBD");   // a lone surrogate
    EXPECT_EQ(Utf8ToUtf16("a\xE9z"), u"a\u00E9z");                          // not UTF-8: byte for itself
}

TEST(EqualIgnoringCase, FoldsOnlyAsciiLetters) {
    EXPECT_TRUE(EqualIgnoringCase("Set-Cookie", "set-COOKIE"));
    EXPECT_FALSE(EqualIgnoringCase("Date", "Dates"));
    EXPECT_FALSE(EqualIgnoringCase("@", "`"));               // 0x40 and 0x60 are no letters
    EXPECT_FALSE(EqualIgnoringCase("\xC1", "\xE1"));         // nor are bytes above 0x7F
    EXPECT_TRUE(EqualIgnoringCase("", ""));
}

}  // namespace
}  // namespace clocktool
