// Writes the program icon (app/icon.cpp's drawing) as a .ico file for the Windows
// resource script. The Windows build compiles this with the build machine's own C++
// compiler, together with src/app/icon.cpp, and runs it; see src/win32.cmake.
//
//     usage: make-icon OUTPUT.ico
#include <cstdio>
#include <fstream>
#include <vector>

#include "app/icon.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: make-icon OUTPUT.ico\n", stderr);
        return 2;
    }
    const std::vector<std::uint8_t> bytes = clocktool::ProgramIconFile();
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "make-icon: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
