// FatalError's box over FLTK: the caption, the error icon, the text and one OK button,
// modal and owned by no window; it works whether or not the start window was ever shown.
// Without a display the text goes to standard error instead.
#include "app/error_box.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>

#include <algorithm>
#include <cstdio>
#include <string>

#include "app/posix/fltk_support.h"

namespace clocktool {

namespace {

constexpr int kMargin = 14;
constexpr int kIconSize = 32;
constexpr int kMaxTextWidth = 420;
constexpr int kButtonWidth = 80, kButtonHeight = 24;

// The Windows error icon: a red disc with a white cross.
class ErrorIcon : public Fl_Box {
public:
    using Fl_Box::Fl_Box;
    void draw() override {
        fl_color(fl_rgb_color(200, 0, 0));
        fl_pie(x(), y(), w(), h(), 0, 360);
        fl_color(FL_WHITE);
        fl_line_style(FL_SOLID | FL_CAP_ROUND, 3);
        const int inset = w() / 3 - 1;
        fl_line(x() + inset, y() + inset, x() + w() - inset, y() + h() - inset);
        fl_line(x() + w() - inset, y() + inset, x() + inset, y() + h() - inset);
        fl_line_style(0);
    }
};

// The box text, drawn as it is: FLTK's "@" symbols are not interpreted.
class MessageText : public Fl_Box {
public:
    MessageText(int x, int y, int w, int h, const char* text) : Fl_Box(x, y, w, h), text_(text) {}
    void draw() override {
        fl_font(kProgramFont, kProgramFontSize);
        fl_color(FL_FOREGROUND_COLOR);
        fl_draw(text_, x(), y(), w(), h(), FL_ALIGN_LEFT | FL_ALIGN_TOP | FL_ALIGN_INSIDE | FL_ALIGN_WRAP, nullptr, 0);
    }

private:
    const char* text_;
};

// FLTK draws a CR as "^M": the box shows the text's CR LF (and any lone CR) as line breaks.
std::string WithLineFeeds(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r') out += text[i];
        else if (i + 1 >= text.size() || text[i + 1] != '\n') out += '\n';
    }
    return out;
}

void CloseBox(Fl_Widget* widget, void*) { widget->window() ? widget->window()->hide() : widget->hide(); }

}  // namespace

void ShowErrorBox(const Text& text, const Text& caption) {
    const std::string body = WithLineFeeds(GbkToUtf8(text));
    const std::string title = GbkToUtf8(caption);
    if (!OpenFltkDisplay()) {
        std::fprintf(stderr, "%s\n%s\n", title.c_str(), body.c_str());
        return;
    }

    fl_font(kProgramFont, kProgramFontSize);
    int textW = kMaxTextWidth, textH = 0;
    fl_measure(body.c_str(), textW, textH, 0);
    textW = std::min(textW, kMaxTextWidth);
    fl_measure(body.c_str(), textW, textH, 0);   // the height at the wrapped width

    const int textX = kMargin + kIconSize + kMargin;
    const int contentH = std::max(textH, kIconSize);
    const int w = std::max(textX + textW + kMargin, kButtonWidth + 2 * kMargin);
    const int h = kMargin + contentH + kMargin + kButtonHeight + kMargin;

    Fl_Window box(w, h);
    box.label(title.c_str());
    box.set_modal();
    box.callback(CloseBox);   // the close box and Esc
    new ErrorIcon(kMargin, kMargin, kIconSize, kIconSize);   // the window owns its widgets
    new MessageText(textX, kMargin + (contentH - textH) / 2, textW, textH, body.c_str());
    auto* ok = new Fl_Button((w - kButtonWidth) / 2, h - kMargin - kButtonHeight, kButtonWidth,
                                    kButtonHeight, "OK");
    ok->labelfont(kProgramFont);
    ok->labelsize(kProgramFontSize);
    ok->shortcut(FL_Enter);   // Enter, Space and Esc close the box, as they close a message box
    ok->callback(CloseBox);
    box.end();
    box.size_range(w, h, w, h);

    int screenX, screenY, screenW, screenH;
    Fl::screen_xywh(screenX, screenY, screenW, screenH, 0);
    box.position(screenX + (screenW - w) / 2, screenY + (screenH - h) / 2);
    box.show();
    ok->take_focus();
    while (box.shown()) Fl::wait();
}

}  // namespace clocktool
