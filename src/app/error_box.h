// Error-box seam: a modal box with the error icon and one OK button, owned by no window.
// win32/error_box.cpp (MessageBox), posix/error_box.cpp (FLTK).
#pragma once

#include "runtime/text.h"

namespace clocktool {

void ShowErrorBox(const Text& text, const Text& caption);   // both GBK; waits until closed

}  // namespace clocktool
