#include "app/error_box.h"

#include <cstdio>

namespace clocktool {

// Placeholder until the FLTK box: the text goes to standard error.
void ShowErrorBox(const Text& text, const Text& caption) {
    std::fprintf(stderr, "%s\n%s\n", caption.c_str(), text.c_str());
}

}  // namespace clocktool
