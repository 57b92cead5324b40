#include "support/fatal_capture.h"

namespace clocktool::testing {
namespace {

thread_local std::string lastBox;
thread_local std::string lastCaption;

void RecordBox(const Text& boxText, const Text& caption) {
    lastBox = boxText.bytes();
    lastCaption = caption.bytes();
}

[[noreturn]] void ThrowInsteadOfEnding(int exitCode) {
    throw FatalErrorRaised{lastBox, lastCaption, exitCode};
}

}  // namespace

FatalCapture::FatalCapture() : previous_(SetFatalErrorHooks({&RecordBox, &ThrowInsteadOfEnding})) {}

FatalCapture::~FatalCapture() { SetFatalErrorHooks(previous_); }

}  // namespace clocktool::testing
