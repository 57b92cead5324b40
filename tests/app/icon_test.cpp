// The program icon's pictures: one per size, palette indices only, a round face with
// transparent corners — what each platform's icon format is built from.
#include <gtest/gtest.h>

#include "app/icon.h"

namespace clocktool {
namespace {

TEST(ProgramIcon, EachSizeIsARoundFaceInTheSixteenColours) {
    for (int size : kIconSizes) {
        SCOPED_TRACE(size);
        const std::vector<std::uint8_t> pixels = ProgramIconPixels(size);
        ASSERT_EQ(pixels.size(), static_cast<std::size_t>(size * size));
        for (std::uint8_t p : pixels) EXPECT_TRUE(p < kIconPalette.size() || p == kIconTransparent) << int(p);
        const auto at = [&](int x, int y) { return pixels[static_cast<std::size_t>(y) * size + x]; };
        for (int corner : {0, size - 1}) {
            EXPECT_EQ(at(corner, 0), kIconTransparent);
            EXPECT_EQ(at(corner, size - 1), kIconTransparent);
        }
        EXPECT_NE(at(size / 2, size / 2), kIconTransparent);
        EXPECT_NE(at(size / 2, 1), kIconTransparent);   // the face fills the square
    }
}

}  // namespace
}  // namespace clocktool
