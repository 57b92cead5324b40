// FatalError's box text, apart from showing it (runtime/fatal.h declares FatalError).
#pragma once

#include "runtime/text.h"

namespace clocktool {

inline constexpr const char* kFatalCaption = "\xB4\xED\xCE\xF3";   // 错误

// "运行时出错!", the error code and message when present, and the detail line — with the
// lines naming the window and its control when detail1 identifies a window.
Text FatalErrorBoxText(const Text& message, int errorCode, int detail1, int detail2);

}  // namespace clocktool
