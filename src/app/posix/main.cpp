// The process entry on Linux: the whole run, then the end-of-program clean-up. The
// program reads no command line and no environment of its own.
#include "app/program.h"

int main() {
    clocktool::StartProgram();
    clocktool::EndProgram(0);
    return 0;
}
