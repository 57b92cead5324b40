#include "app/window.h"

namespace clocktool {

// The window arrives with the window-system work; until then the start window cannot be made.
bool PlatformLoadWindow(const WindowTemplate&) { return false; }
bool PlatformAnyWindowOpen() { return false; }
void PlatformRunMessageLoop() {}
void PlatformReleaseWindowResources() {}

}  // namespace clocktool
