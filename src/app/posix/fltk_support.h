// What the FLTK window and the FLTK error box share: opening the display, the font and
// the texts. FLTK draws UTF-8, and it does not fall back to another font per glyph, so
// the font must be a family that covers the Chinese captions.
#pragma once

#include <FL/Fl.H>
#include <FL/x.H>

#include <string>

#include "runtime/codepage.h"
#include "runtime/text.h"
#include "runtime/unicode.h"

namespace clocktool {

inline std::string GbkToUtf8(const Text& text) { return Utf16ToUtf8(GbkToUtf16(text)); }

// The look of the Windows default GUI font: a sans-serif face at 12 pixels.
inline constexpr Fl_Font kProgramFont = FL_FREE_FONT;
inline constexpr int kProgramFontSize = 12;

// Opens the display once and gets FLTK ready: the font family (" " = regular, then the
// fontconfig family name), and the button-face grey. False when there is no display.
inline bool OpenFltkDisplay() {
    static bool open = false;
    if (open) return true;
    Display* display = XOpenDisplay(nullptr);
    if (!display) return false;
    fl_open_display(display);
    Fl::set_font(kProgramFont, " WenQuanYi Micro Hei");
    Fl::background(240, 240, 240);   // COLOR_BTNFACE
    open = true;
    return true;
}

}  // namespace clocktool
