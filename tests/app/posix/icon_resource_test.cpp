// The Windows build's icon resource is drawn by tools/make-icon; the window's icon on
// Linux by ProgramIconPixels. Both must be one picture: the .ico's images, decoded, are
// the same palette indices and the same mask.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/icon.h"

namespace clocktool {
namespace {

namespace fs = std::filesystem;

std::uint32_t Read(const std::vector<std::uint8_t>& bytes, std::size_t at, int width) {
    std::uint32_t value = 0;
    for (int i = width - 1; i >= 0; --i) value = value << 8 | bytes.at(at + i);
    return value;
}

// One image of a 16-colour .ico: palette indices from the 4-bit rows (bottom-up, high
// nibble first), kIconTransparent where the mask's bit is set.
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

TEST(ProgramIcon, IsThePictureOfTheWindowsIconResource) {
    const fs::path makeIcon = fs::path(__FILE__).parent_path() / "../../../tools/make-icon";
    if (!fs::exists(makeIcon)) GTEST_SKIP() << "tools/make-icon is not in this tree";
    char directory[] = "/tmp/clocktool-icon-XXXXXX";
    ASSERT_NE(mkdtemp(directory), nullptr);
    const fs::path ico = fs::path(directory) / "clocktool.ico";
    const std::string command = "/usr/bin/python3 '" + makeIcon.string() + "' '" + ico.string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::ifstream in(ico, std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    fs::remove_all(directory);

    ASSERT_EQ(Read(bytes, 4, 2), std::size(kIconSizes));
    for (std::size_t i = 0; i < std::size(kIconSizes); ++i) {
        const std::size_t entry = 6 + 16 * i;
        const int size = bytes.at(entry);
        SCOPED_TRACE(size);
        EXPECT_EQ(size, kIconSizes[i]);
        const std::size_t offset = Read(bytes, entry + 12, 4);
        for (std::size_t c = 0; c < kIconPalette.size(); ++c) {   // BGR0 entries
            const std::size_t at = offset + Read(bytes, offset, 4) + 4 * c;
            EXPECT_EQ(bytes.at(at + 2), kIconPalette[c].red);
            EXPECT_EQ(bytes.at(at + 1), kIconPalette[c].green);
            EXPECT_EQ(bytes.at(at + 0), kIconPalette[c].blue);
        }
        EXPECT_EQ(DecodeImage(bytes, offset, size), ProgramIconPixels(size));
    }
}

}  // namespace
}  // namespace clocktool
