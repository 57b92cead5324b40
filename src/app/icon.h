// The program icon: a white clock face in a navy rim with hour marks and the hands at
// seven past seven, drawn in code in the 16 colours of the classic Windows palette, at
// the three sizes the program carries (16, 32 and 48 pixels). This is the only drawing
// of it: the Linux window turns the palette indices into its icon images, and the
// Windows build writes ProgramIconFile() to clocktool.ico for the icon resource with
// tools/make-icon.cpp, compiled from this file for the build machine.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace clocktool {

struct IconColour {
    std::uint8_t red, green, blue;
};

// The classic 16-colour palette, index 0 (black) to 15 (white).
extern const std::array<IconColour, 16> kIconPalette;

inline constexpr std::uint8_t kIconTransparent = 0xFF;   // outside the face (the mask)
inline constexpr int kIconSizes[] = {16, 32, 48};

// size × size palette indices, row by row from the top, kIconTransparent outside the face.
std::vector<std::uint8_t> ProgramIconPixels(int size);

// The icon as the bytes of a .ico file: one 16-colour image (4 bits per pixel, with a
// transparency mask) for each of kIconSizes, in that order.
std::vector<std::uint8_t> ProgramIconFile();

}  // namespace clocktool
