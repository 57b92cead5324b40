// What the FLTK window and the FLTK error box share: opening the display, the font and
// the texts. FLTK draws UTF-8, and it does not fall back to another font per glyph, so
// the font must be a family that covers the Chinese captions.
#pragma once

#include <FL/Fl.H>
#include <FL/x.H>

#include <string>

#include "runtime/codepage.h"
#include "runtime/text.h"

namespace clocktool {

inline std::string GbkToUtf8(const Text& text) {
    const std::u16string wide = GbkToUtf16(text);
    std::string out;
    out.reserve(wide.size() * 3);
    for (std::size_t i = 0; i < wide.size(); ++i) {
        char32_t c = wide[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 && wide[i + 1] < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (wide[++i] - 0xDC00);
        else if (c >= 0xD800 && c < 0xE000)
            c = 0xFFFD;   // a lone surrogate
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

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
