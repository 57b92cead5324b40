// OLE seam: the component library is initialised on the GUI thread for the whole run.
// win32/ole.cpp (OleInitialize, OleUninitialize); posix/ole.cpp has nothing to do.
#pragma once

namespace clocktool {

void InitializeOle();
void UninitializeOle();

}  // namespace clocktool
