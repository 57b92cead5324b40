// Code-page seam: texts are GBK (code page 936) by definition, whatever the system's
// ANSI code page is. win32/codepage.cpp (MultiByteToWideChar with 936), posix/codepage.cpp (iconv).
#pragma once

#include <string>
#include <string_view>

#include "runtime/text.h"

namespace clocktool {

std::u16string GbkToUtf16(const Text& text);
Text Utf16ToGbk(std::u16string_view text);   // ends at the first NUL character

}  // namespace clocktool
