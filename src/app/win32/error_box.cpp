#include "app/error_box.h"

#include <windows.h>

#include "runtime/codepage.h"

namespace clocktool {

// The texts are GBK; the wide function shows them right whatever the system's ANSI code page.
void ShowErrorBox(const Text& text, const Text& caption) {
    std::u16string wideText = GbkToUtf16(text);
    std::u16string wideCaption = GbkToUtf16(caption);
    MessageBoxW(nullptr, reinterpret_cast<const wchar_t*>(wideText.c_str()),
                reinterpret_cast<const wchar_t*>(wideCaption.c_str()), MB_OK | MB_ICONERROR);
}

}  // namespace clocktool
