// The program icon: a white clock face in a navy rim with hour marks and the hands at
// seven past seven, drawn in code in the 16 colours of the classic Windows palette, at
// the three sizes the program carries (16, 32 and 48 pixels). Portable: each platform
// turns the palette indices into its own icon format. (The Windows build's icon resource
// is drawn by tools/make-icon with the same drawing; tests/app/posix/icon_resource_test
// checks that the two give the same pixels.)
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

}  // namespace clocktool
