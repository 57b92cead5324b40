// The start window over FLTK 1.3 (X11): the same steps, in the same order, as the Win32
// window — create, centre, icon, font, controls last unit first, show, dispatch, keys, close.
//
// What this file realises of the Windows window:
// - a fixed 339 × 217 window centred on the primary screen; without a window manager
//   the window itself has that size, under one the frame it reports is taken off the
//   client area so that the outer rectangle keeps that size (best effort);
// - minimise and close only: FLTK gives a window of one fixed size Motif hints without
//   resize and maximise;
// - buttons that click once on Space *release*, as a Windows button does (FLTK's own
//   click on key-down and repeat while the key is held);
// - Tab and Shift+Tab between the buttons, Esc as the close request, every other key
//   (Enter, F1, Shift+Esc, the arrows) does nothing.
#include "app/window.h"

#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_RGB_Image.H>
#include <FL/Fl_Window.H>
#include <FL/x.H>
#include <X11/XKBlib.h>
#include <X11/Xatom.h>

#include <algorithm>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "app/icon.h"
#include "app/posix/fltk_support.h"
#include "app/program.h"

namespace clocktool {

namespace {

class StartWindow;

struct WindowState {
    StartWindow* window = nullptr;
    std::vector<std::unique_ptr<Fl_RGB_Image>> icons;   // kept until EndProgram
    std::deque<std::string> labels;                       // UTF-8; FLTK keeps the pointers
    int outerLeft = 0, outerTop = 0, outerWidth = 0, outerHeight = 0;
};

WindowState state;

// A push button that clicks as a Windows button does: Space pressed arms it, Space
// released clicks it once, however long the key was held.
class PushButton : public Fl_Button {
public:
    PushButton(int x, int y, int w, int h, int unit) : Fl_Button(x, y, w, h), unit_(unit) {}

    int unit() const { return unit_; }

    int handle(int event) override {
        switch (event) {
        case FL_KEYDOWN:
            if (Fl::event_key() != ' ') return 0;
            if (Fl::focus() == this && !spaceDown_) {
                spaceDown_ = true;
                value(1);
            }
            return 1;   // the key's repeats too
        case FL_KEYUP:
            if (Fl::event_key() != ' ' || !spaceDown_) return 0;
            Release();
            if (Fl::focus() == this) RaiseEvent(unit_, 0);
            return 1;
        case FL_UNFOCUS:
            if (spaceDown_) Release();   // the focus left while Space was down: no click
            return Fl_Button::handle(event);
        default:
            return Fl_Button::handle(event);
        }
    }

private:
    void Release() {
        spaceDown_ = false;
        value(0);
    }

    int unit_;
    bool spaceDown_ = false;
};

void ButtonClicked(Fl_Widget* widget, void*) { RaiseEvent(static_cast<PushButton*>(widget)->unit(), 0); }

class StartWindow : public Fl_Window {
public:
    StartWindow(int x, int y, int w, int h) : Fl_Window(x, y, w, h) {}

    // Controls that Tab visits, in tab order (template order among equal tab orders).
    std::vector<PushButton*> tabStops;

    int handle(int event) override {
        // Keys reach the window from the focused button, or as shortcuts when no button has it.
        if (event != FL_KEYDOWN && event != FL_SHORTCUT) return Fl_Window::handle(event);
        const int key = Fl::event_key();
        const int modifiers = Fl::event_state() & (FL_SHIFT | FL_CTRL | FL_ALT | FL_META);
        if (key == FL_Tab && (modifiers & ~FL_SHIFT) == 0) {
            MoveFocus(modifiers == FL_SHIFT ? -1 : +1);
        } else if (key == FL_Escape && modifiers == 0) {
            do_callback();   // the close request, as by the close box
        }
        return 1;   // no other key has an effect (FLTK would move the focus on arrows)
    }

private:
    void MoveFocus(int step) {
        std::vector<PushButton*> candidates;
        for (PushButton* b : tabStops)
            if (b->visible() && b->active()) candidates.push_back(b);
        if (candidates.empty()) return;
        int current = -1;
        for (std::size_t i = 0; i < candidates.size(); ++i)
            if (Fl::focus() == candidates[i]) current = static_cast<int>(i);
        const int n = static_cast<int>(candidates.size());
        const int next = current < 0 ? (step > 0 ? 0 : n - 1) : ((current + step) % n + n) % n;
        candidates[next]->take_focus();
    }
};

// The close box, a window manager's close request and Esc: the window goes, and with it
// the message loop.
void CloseRequested(Fl_Widget* widget, void*) { widget->hide(); }

std::unique_ptr<Fl_RGB_Image> IconImage(int size) {
    const std::vector<std::uint8_t> pixels = ProgramIconPixels(size);
    auto* rgba = new uchar[pixels.size() * 4];
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        const bool transparent = pixels[i] == kIconTransparent;
        const IconColour c = transparent ? IconColour{0, 0, 0} : kIconPalette[pixels[i]];
        rgba[i * 4 + 0] = c.red;
        rgba[i * 4 + 1] = c.green;
        rgba[i * 4 + 2] = c.blue;
        rgba[i * 4 + 3] = transparent ? 0 : 255;
    }
    auto image = std::make_unique<Fl_RGB_Image>(rgba, size, size, 4);
    image->alloc_array = 1;   // the image frees the pixels
    return image;
}

// A window manager that frames the window reports the frame in _NET_FRAME_EXTENTS: the
// client area then shrinks by it, so that the outer rectangle stays where and as large
// as it was meant to be.
int FitFrame(void* event, void*) {
    const XEvent* xevent = static_cast<const XEvent*>(event);
    StartWindow* window = state.window;
    if (xevent->type != PropertyNotify || !window || !window->shown()) return 0;
    static const Atom extentsAtom = XInternAtom(fl_display, "_NET_FRAME_EXTENTS", False);
    if (xevent->xproperty.atom != extentsAtom || xevent->xproperty.window != fl_xid(window)) return 0;
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(fl_display, fl_xid(window), extentsAtom, 0, 4, False, XA_CARDINAL, &type, &format,
                           &count, &after, &data) != Success || !data)
        return 0;
    long extents[4] = {0, 0, 0, 0};   // left, right, top, bottom
    if (format == 32 && count == 4)
        for (int i = 0; i < 4; ++i) extents[i] = reinterpret_cast<long*>(data)[i];
    XFree(data);
    const int w = state.outerWidth - static_cast<int>(extents[0] + extents[1]);
    const int h = state.outerHeight - static_cast<int>(extents[2] + extents[3]);
    if (w > 0 && h > 0 && (w != window->w() || h != window->h())) {
        window->size_range(w, h, w, h);
        window->resize(state.outerLeft + static_cast<int>(extents[0]), state.outerTop + static_cast<int>(extents[2]),
                       w, h);
    }
    return 0;
}

}  // namespace

bool PlatformLoadWindow(const WindowTemplate& templ) {
    if (templ.units.empty() || !OpenFltkDisplay()) return false;
    // X repeats a held key as release-press pairs; with detectable repeat only the
    // presses repeat, so a Space release is a real one.
    XkbSetDetectableAutoRepeat(fl_display, True, nullptr);

    // Create, at the template's size, centred on the primary screen.
    const UnitTemplate& unit1 = templ.units.front();
    int screenX, screenY, screenW, screenH;
    Fl::screen_xywh(screenX, screenY, screenW, screenH, 0);
    state.outerWidth = unit1.width;
    state.outerHeight = unit1.height;
    state.outerLeft = screenX + (screenW - unit1.width) / 2;
    state.outerTop = screenY + (screenH - unit1.height) / 2;
    state.labels.push_back(GbkToUtf8(unit1.text));
    auto* window = new StartWindow(state.outerLeft, state.outerTop, unit1.width, unit1.height);
    state.window = window;
    window->label(state.labels.back().c_str());
    window->size_range(unit1.width, unit1.height, unit1.width, unit1.height);   // not resizable
    window->callback(CloseRequested);

    // The icon, at every size it is drawn in.
    std::vector<const Fl_RGB_Image*> icons;
    for (int size : kIconSizes) {
        state.icons.push_back(IconImage(size));
        icons.push_back(state.icons.back().get());
    }
    window->icons(icons.data(), static_cast<int>(icons.size()));

    // The font.
    window->labelfont(kProgramFont);
    window->labelsize(kProgramFontSize);

    // The controls, last unit first, created hidden; then put into template order.
    std::vector<PushButton*> buttons(templ.units.size(), nullptr);
    window->begin();
    for (std::size_t i = templ.units.size(); i-- > 1;) {
        const UnitTemplate& unit = templ.units[i];
        if (unit.type != UnitType::Button) continue;
        auto* button = new PushButton(unit.left, unit.top, unit.width, unit.height, static_cast<int>(i) + 1);
        state.labels.push_back(GbkToUtf8(unit.text));
        button->label(state.labels.back().c_str());
        button->labelfont(kProgramFont);
        button->labelsize(kProgramFontSize);
        button->align(FL_ALIGN_CENTER | FL_ALIGN_INSIDE | FL_ALIGN_WRAP);
        button->callback(ButtonClicked);
        button->when(FL_WHEN_RELEASE);
        button->hide();
        if (unit.disabled) button->deactivate();
        buttons[i] = button;
    }
    window->end();
    for (std::size_t i = 1, at = 0; i < buttons.size(); ++i)
        if (buttons[i]) window->insert(*buttons[i], static_cast<int>(at++));

    // Tab order: by tab order, then template order, over the tab stops.
    for (std::size_t i = 1; i < buttons.size(); ++i)
        if (buttons[i] && templ.units[i].tabStop) window->tabStops.push_back(buttons[i]);
    std::stable_sort(window->tabStops.begin(), window->tabStops.end(), [&](PushButton* a, PushButton* b) {
        return templ.units[a->unit() - 1].tabOrder < templ.units[b->unit() - 1].tabOrder;
    });

    // Show the controls that are visible, then raise the window's creation-complete event.
    for (std::size_t i = 1; i < buttons.size(); ++i)
        if (buttons[i] && templ.units[i].visible) buttons[i]->show();
    RaiseEvent(1, 0);

    // Show the window; the first tab stop has the focus.
    Fl::add_system_handler(FitFrame, nullptr);
    window->show();
    if (!window->tabStops.empty()) window->tabStops.front()->take_focus();
    return true;
}

bool PlatformAnyWindowOpen() { return state.window && state.window->shown(); }

void PlatformRunMessageLoop() {
    while (PlatformAnyWindowOpen()) Fl::wait();
}

void PlatformReleaseWindowResources() {
    if (state.window) {
        Fl::remove_system_handler(FitFrame);
        Fl::delete_widget(state.window);
        state.window = nullptr;
    }
    state.icons.clear();
}

}  // namespace clocktool
