#include "app/program.h"

namespace clocktool {

// The network time restore arrives with the web request routine.
void OnRestoreTimeClicked() {}

}  // namespace clocktool
