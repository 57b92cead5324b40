#include <gtest/gtest.h>

#include <string>

#include "app/fatal.h"
#include "app/template.h"
#include "runtime/fatal.h"
#include "support/fatal_capture.h"

namespace clocktool {
namespace {

const std::string kHeading = "\xD4\xCB\xD0\xD0\xCA\xB1\xB3\xF6\xB4\xED!\r\n";   // 运行时出错!
const std::string kCode = "\r\n\xB4\xED\xCE\xF3\xB4\xFA\xC2\xEB\xA3\xBA";        // 错误代码：
const std::string kMessage = "\r\n\xB4\xED\xCE\xF3\xD0\xC5\xCF\xA2\xA3\xBA";     // 错误信息：
const std::string kOutOfRange =
    "\xCA\xFD\xD7\xE9\xB3\xC9\xD4\xB1\xD2\xFD\xD3\xC3\xCF\xC2\xB1\xEA\xB3\xAC\xB3\xF6\xB6\xA8\xD2\xE5\xB7\xB6\xCE\xA7";   // 数组成员引用下标超出定义范围
const std::string kBelowOne =
    "\xCA\xFD\xD7\xE9\xB3\xC9\xD4\xB1\xD2\xFD\xD3\xC3\xCF\xC2\xB1\xEA\xB1\xD8\xD0\xEB\xB4\xF3\xD3\xDA\xB5\xC8\xD3\xDA" "1";   // 数组成员引用下标必须大于等于1
const std::string kStack =
    "\xB5\xF7\xD3\xC3" "DLL\xC3\xFC\xC1\xEE\xBA\xF3\xB7\xA2\xCF\xD6\xB6\xD1\xD5\xBB\xB4\xED\xCE\xF3";   // 调用DLL命令后发现堆栈错误
const std::string kStartFailed = "\xD4\xD8\xC8\xEB\xC6\xF4\xB6\xAF\xB4\xB0\xBF\xDA\xCA\xA7\xB0\xDC";   // 载入启动窗口失败
const std::string kNoWindow = "\xCE\xB4\xD5\xD2\xB5\xBD\xCB\xF9\xD6\xB8\xB6\xA8\xB5\xC4\xB4\xB0\xBF\xDA";   // 未找到所指定的窗口

struct BoxCase {
    const char* name;
    std::string message;
    int code, detail1, detail2;
    std::string expected;
};

TEST(FatalErrorBoxText, HasTheHeadingCodeMessageAndDetailLines) {
    const int startId = static_cast<int>(kStartWindowId);
    const BoxCase cases[] = {
        {"index above the count", kOutOfRange, 1, 4, 7,
         kHeading + kCode + "1\r\n" + kMessage + kOutOfRange + "\r\n\r\n4, 7\r\n"},
        {"index below one", kBelowOne, 4, 4, 8, kHeading + kCode + "4\r\n" + kMessage + kBelowOne + "\r\n\r\n4, 8\r\n"},
        {"stack check", kStack, 6, 12, 0, kHeading + kCode + "6\r\n" + kMessage + kStack + "\r\n\r\n12, 0\r\n"},
        {"no code, no message", "", 0, 0, 0, kHeading + "\r\n0, 0\r\n"},
        {"start window that cannot be made: its empty tag twice", kStartFailed, 0, startId, 0,
         kHeading + kMessage + kStartFailed + "\r\n\r\n1375797249, 0\r\n\"\"\r\n\"\"\r\n"},
        {"a control of the start window", kStartFailed, 0, startId, 2,
         kHeading + kMessage + kStartFailed + "\r\n\r\n1375797249, 2\r\n\"\"\r\n\"\"\r\n"},
        {"a window template that does not exist", kStartFailed, 0, 0x02000001, 0,
         kHeading + kMessage + kStartFailed + "\r\n\r\n33554433, 0\r\n" + kNoWindow + "\r\n"},
        {"a control that does not exist", kStartFailed, 0, startId, 9,
         kHeading + kMessage + kStartFailed + "\r\n\r\n1375797249, 9\r\n\"\"\r\n" + kNoWindow +
             "\xD7\xE9\xBC\xFE\r\n"},   // ...组件
    };
    for (const BoxCase& c : cases)
        EXPECT_EQ(FatalErrorBoxText(Text(c.message), c.code, c.detail1, c.detail2).bytes(), c.expected) << c.name;
}

TEST(FatalError, ShowsTheBoxCaptionedErrorThenEndsWithMinusOne) {
    testing::FatalCapture capture;
    try {
        FatalError(Text(kOutOfRange), 1, 3, 5);
        FAIL() << "FatalError returned";
    } catch (const testing::FatalErrorRaised& raised) {
        EXPECT_EQ(raised.caption, "\xB4\xED\xCE\xF3");   // 错误
        EXPECT_EQ(raised.boxText, FatalErrorBoxText(Text(kOutOfRange), 1, 3, 5).bytes());
        EXPECT_EQ(raised.exitCode, -1);
    }
}

}  // namespace
}  // namespace clocktool
