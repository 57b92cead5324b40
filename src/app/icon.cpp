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

}  // namespace clocktool
