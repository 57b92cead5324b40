// Catches FatalError in tests: while a FatalCapture lives, FatalError records the box
// and throws FatalErrorRaised instead of ending the process.
#pragma once

#include <string>

#include "runtime/fatal.h"

namespace clocktool::testing {

struct FatalErrorRaised {
    std::string boxText;   // GBK
    std::string caption;
    int exitCode;
};

class FatalCapture {
public:
    FatalCapture();
    ~FatalCapture();
    FatalCapture(const FatalCapture&) = delete;
    FatalCapture& operator=(const FatalCapture&) = delete;

private:
    FatalErrorHooks previous_;
};

}  // namespace clocktool::testing
