#include "app/fatal.h"

#include <cstdlib>
#include <string>

#include "app/error_box.h"
#include "app/program.h"
#include "app/template.h"
#include "runtime/fatal.h"

namespace clocktool {

namespace {

constexpr const char* kHeading = "\xD4\xCB\xD0\xD0\xCA\xB1\xB3\xF6\xB4\xED!\r\n";   // 运行时出错!
constexpr const char* kCodeLabel = "\r\n\xB4\xED\xCE\xF3\xB4\xFA\xC2\xEB\xA3\xBA";     // 错误代码：
constexpr const char* kMessageLabel = "\r\n\xB4\xED\xCE\xF3\xD0\xC5\xCF\xA2\xA3\xBA";  // 错误信息：
constexpr const char* kNoWindow =
    "\xCE\xB4\xD5\xD2\xB5\xBD\xCB\xF9\xD6\xB8\xB6\xA8\xB5\xC4\xB4\xB0\xBF\xDA";          // 未找到所指定的窗口
constexpr const char* kNoControl =
    "\xCE\xB4\xD5\xD2\xB5\xBD\xCB\xF9\xD6\xB8\xB6\xA8\xB5\xC4\xB4\xB0\xBF\xDA\xD7\xE9\xBC\xFE";  // 未找到所指定的窗口组件

// A first detail number whose bits 24 to 27 hold 2 identifies a window template.
bool IdentifiesWindow(int detail1) { return ((static_cast<unsigned>(detail1) >> 24) & 0xF) == 2; }

std::string Quoted(const Text& tag) { return "\"" + tag.bytes() + "\""; }

// The lines naming the window and, for a non-zero detail2, its control (unit detail2).
std::string WindowLines(int detail1, int detail2) {
    const WindowTemplate* window = FindWindowTemplate(static_cast<std::uint32_t>(detail1));
    if (!window) return std::string("\r\n") + kNoWindow;
    const Text& windowTag = window->units.front().tag;
    std::string lines = "\r\n" + Quoted(windowTag) + "\r\n";
    if (detail2 == 0) return lines + Quoted(windowTag);
    if (detail2 >= 1 && static_cast<std::size_t>(detail2) <= window->units.size())
        return lines + Quoted(window->units[detail2 - 1].tag);
    return lines + kNoControl;
}

void ShowBox(const Text& boxText, const Text& caption) { ShowErrorBox(boxText, caption); }

[[noreturn]] void EndProcess(int exitCode) {
    EndProgram(exitCode);
    std::exit(exitCode);
}

FatalErrorHooks hooks{&ShowBox, &EndProcess};

}  // namespace

Text FatalErrorBoxText(const Text& message, int errorCode, int detail1, int detail2) {
    std::string text = kHeading;
    if (errorCode != 0) text += kCodeLabel + std::to_string(errorCode) + "\r\n";
    if (!message.empty()) text += kMessageLabel + message.bytes() + "\r\n";
    text += "\r\n" + std::to_string(detail1) + ", " + std::to_string(detail2);
    if (IdentifiesWindow(detail1)) text += WindowLines(detail1, detail2);
    text += "\r\n";
    return Text(std::move(text));
}

FatalErrorHooks SetFatalErrorHooks(FatalErrorHooks newHooks) {
    FatalErrorHooks old = hooks;
    hooks = newHooks;
    return old;
}

void FatalError(const Text& message, int errorCode, int detail1, int detail2) {
    hooks.showBox(FatalErrorBoxText(message, errorCode, detail1, detail2), kFatalCaption);
    ClearExitRoutines();   // a fatal end runs none of them
    hooks.endProgram(-1);
    std::abort();          // an end routine must not return
}

}  // namespace clocktool
