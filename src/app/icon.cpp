#include "app/icon.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>

namespace clocktool {

const std::array<IconColour, 16> kIconPalette = {{
    {0x00, 0x00, 0x00}, {0x80, 0x00, 0x00}, {0x00, 0x80, 0x00}, {0x80, 0x80, 0x00},
    {0x00, 0x00, 0x80}, {0x80, 0x00, 0x80}, {0x00, 0x80, 0x80}, {0xC0, 0xC0, 0xC0},
    {0x80, 0x80, 0x80}, {0xFF, 0x00, 0x00}, {0x00, 0xFF, 0x00}, {0xFF, 0xFF, 0x00},
    {0x00, 0x00, 0xFF}, {0xFF, 0x00, 0xFF}, {0x00, 0xFF, 0xFF}, {0xFF, 0xFF, 0xFF},
}};

namespace {

enum : std::uint8_t { kBlack = 0, kNavy = 4, kGray = 8, kRed = 9, kWhite = 15 };

struct Segment {
    double ax, ay, bx, by;
};

double SegmentDistance(double px, double py, const Segment& s) {
    const double dx = s.bx - s.ax, dy = s.by - s.ay;
    const double t = std::max(0.0, std::min(1.0, ((px - s.ax) * dx + (py - s.ay) * dy) / (dx * dx + dy * dy)));
    return std::hypot(px - s.ax - t * dx, py - s.ay - t * dy);
}

// A segment from the centre, `turns` of a full circle clockwise from twelve.
Segment Hand(int size, double turns, double length) {
    const double c = size / 2.0;
    const double angle = 2 * std::numbers::pi * turns;
    return {c, c, c + length * std::sin(angle), c - length * std::cos(angle)};
}

struct HourMark {
    double turns, inner, outer;
};

// The colour of the hour mark under the point: 12, 3, 6 and 9 are black and thicker,
// the others grey (black at 16 pixels).
std::optional<std::uint8_t> HourMarkAt(double px, double py, int size, const std::vector<HourMark>& marks,
                                       double stroke) {
    for (const HourMark& m : marks) {
        const bool main = std::lround(m.turns * 12) % 3 == 0;
        const Segment inner = Hand(size, m.turns, m.inner), outer = Hand(size, m.turns, m.outer);
        if (SegmentDistance(px, py, {inner.bx, inner.by, outer.bx, outer.by}) <= stroke * (main ? 0.6 : 0.35))
            return main || size < 32 ? kBlack : kGray;
    }
    return std::nullopt;
}

// Little-endian, as every field of a .ico file is.
void Put(std::vector<std::uint8_t>& out, std::uint32_t value, int width) {
    for (int i = 0; i < width; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// One icon image: BITMAPINFOHEADER (height doubled: colour rows, then mask rows), the
// palette as BGR0, 4-bit colour rows and 1-bit mask rows, each bottom-up and padded to
// four bytes. Transparent pixels are colour 0 with the mask bit set.
std::vector<std::uint8_t> IconImageBytes(int size) {
    const std::vector<std::uint8_t> pixels = ProgramIconPixels(size);
    const std::size_t colourStride = (size * 4 + 31) / 32 * 4, maskStride = (size + 31) / 32 * 4;
    std::vector<std::uint8_t> colour(colourStride * size), mask(maskStride * size);
    for (int y = 0; y < size; ++y) {
        const std::size_t row = size - 1 - y;
        for (int x = 0; x < size; ++x) {
            const std::uint8_t index = pixels[static_cast<std::size_t>(y) * size + x];
            if (index == kIconTransparent) mask[row * maskStride + x / 8] |= 0x80 >> (x % 8);
            else colour[row * colourStride + x / 2] |= index << (x % 2 == 0 ? 4 : 0);
        }
    }
    std::vector<std::uint8_t> out;
    Put(out, 40, 4);                  // header size
    Put(out, size, 4);                // width
    Put(out, size * 2, 4);            // height: colour and mask
    Put(out, 1, 2);                   // planes
    Put(out, 4, 2);                   // bits per pixel
    Put(out, 0, 4);                   // BI_RGB
    Put(out, static_cast<std::uint32_t>(colour.size() + mask.size()), 4);
    Put(out, 0, 4), Put(out, 0, 4);   // resolution
    Put(out, kIconPalette.size(), 4), Put(out, 0, 4);   // colours used, important
    for (const IconColour& c : kIconPalette) out.insert(out.end(), {c.blue, c.green, c.red, 0});
    out.insert(out.end(), colour.begin(), colour.end());
    out.insert(out.end(), mask.begin(), mask.end());
    return out;
}

}  // namespace

std::vector<std::uint8_t> ProgramIconPixels(int size) {
    const double c = size / 2.0;
    const double radius = size / 2.0 - 0.5;
    const double rim = std::max(1.0, size / 12.0);
    const double stroke = std::max(1.0, size / 16.0);
    std::vector<HourMark> marks;
    for (int hour = 0; hour < 12; ++hour)
        if (size >= 32 || hour % 3 == 0) marks.push_back({hour / 12.0, radius - rim - size / 8.0, radius - rim});
    const Segment hourHand = Hand(size, (7 + 7 / 60.0) / 12, radius * 0.5);
    const Segment minuteHand = Hand(size, 7 / 60.0, radius * 0.78);

    std::vector<std::uint8_t> pixels;
    pixels.reserve(static_cast<std::size_t>(size) * size);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const double px = x + 0.5, py = y + 0.5;
            const double r = std::hypot(px - c, py - c);
            std::uint8_t colour = kWhite;
            if (r > radius) colour = kIconTransparent;
            else if (r > radius - rim) colour = kNavy;
            else if (r <= std::max(1.0, size / 20.0)) colour = kRed;
            else if (SegmentDistance(px, py, hourHand) <= stroke * 0.9 ||
                     SegmentDistance(px, py, minuteHand) <= stroke * 0.6)
                colour = kBlack;
            else if (std::optional<std::uint8_t> mark = HourMarkAt(px, py, size, marks, stroke)) colour = *mark;
            pixels.push_back(colour);
        }
    }
    return pixels;
}

std::vector<std::uint8_t> ProgramIconFile() {
    std::vector<std::vector<std::uint8_t>> images;
    for (int size : kIconSizes) images.push_back(IconImageBytes(size));
    std::vector<std::uint8_t> out;
    Put(out, 0, 2), Put(out, 1, 2), Put(out, images.size(), 2);   // reserved, type icon, count
    std::size_t offset = 6 + 16 * images.size();
    for (std::size_t i = 0; i < images.size(); ++i) {
        Put(out, kIconSizes[i], 1), Put(out, kIconSizes[i], 1);   // width, height
        Put(out, kIconPalette.size(), 1), Put(out, 0, 1);         // colours, reserved
        Put(out, 1, 2), Put(out, 4, 2);                           // planes, bits per pixel
        Put(out, static_cast<std::uint32_t>(images[i].size()), 4);
        Put(out, static_cast<std::uint32_t>(offset), 4);
        offset += images[i].size();
    }
    for (const std::vector<std::uint8_t>& image : images) out.insert(out.end(), image.begin(), image.end());
    return out;
}

}  // namespace clocktool
