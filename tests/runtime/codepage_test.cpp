#include <gtest/gtest.h>

#include "runtime/codepage.h"

namespace clocktool {
namespace {

TEST(Codepage, GbkAndUtf16RoundTrip) {
    const Text gbk("2077\xC4\xEA");   // 2077年
    EXPECT_EQ(GbkToUtf16(gbk), u"2077\u5E74");
    EXPECT_EQ(Utf16ToGbk(u"\u6062\u590D\u73B0\u884C\u65F6\u95F4"),   // 恢复现行时间
              Text("\xBB\xD6\xB8\xB4\xCF\xD6\xD0\xD0\xCA\xB1\xBC\xE4"));
    EXPECT_EQ(GbkToUtf16(Text()), u"");
    EXPECT_EQ(Utf16ToGbk(std::u16string_view(u"ab\0cd", 5)), Text("ab"));
}

}  // namespace
}  // namespace clocktool
