// Window-system seam: one file per platform (posix/window.cpp over FLTK,
// win32/window.cpp over the Win32 API), the same steps in the same order.
#pragma once

#include "app/template.h"

namespace clocktool {

// Builds the window of the template: creates it centred at its size, gives it the
// icon and the font, creates the controls last unit first, raises the window's event 0
// through RaiseEvent(1, 0), then shows the window. False when anything cannot be made.
bool PlatformLoadWindow(const WindowTemplate& window);

// True while a window of the program is open.
bool PlatformAnyWindowOpen();

// Runs until the last window of the program has been destroyed. Clicks reach
// RaiseEvent(unit, 0).
void PlatformRunMessageLoop();

// Releases what the window system kept for the whole run (the icon).
void PlatformReleaseWindowResources();

}  // namespace clocktool
