// The one path for errors the program cannot survive: an error box, then the end of
// the process with exit code -1. Defined by the application (app/fatal.cpp).
#pragma once

#include "runtime/text.h"

namespace clocktool {

// Shows "运行时出错!" with the error code (0: none), the message (may be empty) and the
// two detail numbers, runs EndProgram(-1) and ends the process. Does not return.
[[noreturn]] void FatalError(const Text& message, int errorCode, int detail1, int detail2);

// The two effects of FatalError, replaceable by tests: showing the box, and ending
// the program (EndProgram(-1), then the process). A test's end routine may throw.
struct FatalErrorHooks {
    void (*showBox)(const Text& boxText, const Text& caption);
    void (*endProgram)(int exitCode);   // must not return; FatalError aborts if it does
};
FatalErrorHooks SetFatalErrorHooks(FatalErrorHooks hooks);  // returns the previous hooks

}  // namespace clocktool
