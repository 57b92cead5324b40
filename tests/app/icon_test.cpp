// The program icon's pictures: one per size, palette indices only, a round face with
// transparent corners — what each platform's icon format is built from; and the .ico
// form the Windows icon resource is made of, which must decode to the same pictures.
#include <gtest/gtest.h>

#include <iterator>

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

std::uint32_t Read(const std::vector<std::uint8_t>& bytes, std::size_t at, int width) {
    std::uint32_t value = 0;
    for (int i = width - 1; i >= 0; --i) value = value << 8 | bytes.at(at + i);
    return value;
}

// One image of a 16-colour .ico, decoded independently of the writer: palette indices
// from the 4-bit rows (bottom-up, high nibble first), kIconTransparent where the mask's
// bit is set.
std::vector<std::uint8_t> DecodeImage(const std::vector<std::uint8_t>& ico, std::size_t offset, int size) {
    const std::size_t header = Read(ico, offset, 4);
    const std::size_t colours = offset + header + 16 * 4;
    const std::size_t colourStride = (size * 4 + 31) / 32 * 4;
    const std::size_t mask = colours + colourStride * size;
    const std::size_t maskStride = (size + 31) / 32 * 4;
    std::vector<std::uint8_t> pixels;
    for (int y = 0; y < size; ++y) {
        const std::size_t row = size - 1 - y;
        for (int x = 0; x < size; ++x) {
            const bool transparent = ico.at(mask + row * maskStride + x / 8) & (0x80 >> (x % 8));
            const std::uint8_t pair = ico.at(colours + row * colourStride + x / 2);
            pixels.push_back(transparent ? kIconTransparent : (x % 2 == 0 ? pair >> 4 : pair & 0x0F));
        }
    }
    return pixels;
}

TEST(ProgramIcon, IcoFileHoldsEachSizeAsTheSamePicture) {
    const std::vector<std::uint8_t> ico = ProgramIconFile();
    EXPECT_EQ(Read(ico, 0, 2), 0u);   // reserved
    EXPECT_EQ(Read(ico, 2, 2), 1u);   // an icon, not a cursor
    ASSERT_EQ(Read(ico, 4, 2), std::size(kIconSizes));
    std::size_t end = 6 + 16 * std::size(kIconSizes);
    for (std::size_t i = 0; i < std::size(kIconSizes); ++i) {
        const std::size_t entry = 6 + 16 * i;
        const int size = ico.at(entry);
        SCOPED_TRACE(size);
        EXPECT_EQ(size, kIconSizes[i]);
        EXPECT_EQ(ico.at(entry + 1), size);
        EXPECT_EQ(ico.at(entry + 2), 16);           // colours
        EXPECT_EQ(Read(ico, entry + 6, 2), 4u);     // bits per pixel
        const std::size_t length = Read(ico, entry + 8, 4), offset = Read(ico, entry + 12, 4);
        EXPECT_EQ(offset, end);                     // images back to back, nothing overlapping
        end = offset + length;

        EXPECT_EQ(Read(ico, offset + 4, 4), static_cast<std::uint32_t>(size));       // width
        EXPECT_EQ(Read(ico, offset + 8, 4), static_cast<std::uint32_t>(size * 2));   // colour + mask
        EXPECT_EQ(Read(ico, offset + 14, 2), 4u);
        for (std::size_t c = 0; c < kIconPalette.size(); ++c) {   // BGR0 entries
            const std::size_t at = offset + Read(ico, offset, 4) + 4 * c;
            EXPECT_EQ(ico.at(at + 2), kIconPalette[c].red);
            EXPECT_EQ(ico.at(at + 1), kIconPalette[c].green);
            EXPECT_EQ(ico.at(at + 0), kIconPalette[c].blue);
        }
        EXPECT_EQ(DecodeImage(ico, offset, size), ProgramIconPixels(size));
    }
    EXPECT_EQ(ico.size(), end);
}

}  // namespace
}  // namespace clocktool
