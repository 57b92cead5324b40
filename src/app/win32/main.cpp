// The Windows process entry: a GUI-subsystem program without a console.
#include <windows.h>

#include "app/program.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // No critical-error box and no box for a file the system cannot open.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    clocktool::StartProgram();
    clocktool::EndProgram(0);
    return 0;   // the value the quit message carried
}
