// The window texts are GBK and reach the window system through the wide functions: they
// must come out as the same characters whatever the system's ANSI code page is (these
// tests run under a non-Chinese locale; the end-to-end tests read the real window).
#include <gtest/gtest.h>

#include <string>

#include "app/fatal.h"
#include "app/template.h"
#include "runtime/codepage.h"

namespace clocktool {
namespace {

struct TextCase {
    const char* what;
    Text gbk;
    std::u16string expected;
};

const WindowTemplate& StartWindow() { return *FindWindowTemplate(kStartWindowId); }

TEST(TemplateTexts, ConvertFromCodePage936ToUtf16) {
    const TextCase cases[] = {
        {"title", StartWindow().units[0].text, u"BrindlecoveOsk_Velmar"},
        {"button 2 caption", StartWindow().units[1].text, u"2077\u5E74"},                          // 2077年
        {"button 1 caption", StartWindow().units[2].text, u"\u6062\u590D\u73B0\u884C\u65F6\u95F4"},  // 恢复现行时间
        {"error box caption", Text(kFatalCaption), u"\u9519\u8BEF"},                                 // 错误
    };
    for (const TextCase& c : cases) EXPECT_EQ(GbkToUtf16(c.gbk), c.expected) << c.what;
}

}  // namespace
}  // namespace clocktool
