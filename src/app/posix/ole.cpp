#include "app/ole.h"

namespace clocktool {

// Linux has no component library to initialise: the automation objects are the program's own.
void InitializeOle() {}
void UninitializeOle() {}

}  // namespace clocktool
