#include "app/ole.h"

#include <ole2.h>
#include <windows.h>

namespace clocktool {

void InitializeOle() { OleInitialize(nullptr); }
void UninitializeOle() { OleUninitialize(); }

}  // namespace clocktool
