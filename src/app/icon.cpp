#include "app/icon.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace clocktool {

const std::array<IconColour, 16> kIconPalette = {{
    {0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
    {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
    {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
    {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255},
}};

namespace {

enum : std::uint8_t { kBlack = 0, kNavy = 4, kTeal = 6, kSilver = 7, kRed = 9, kWhite = 15 };

struct Point {
    double x, y;
};

// Distance from p to the segment a-b.
double DistanceToSegment(Point p, Point a, Point b) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    double t = ((p.x - a.x) * dx + (p.y - a.y) * dy) / (dx * dx + dy * dy);
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

// The end of a hand of `length` (a fraction of the radius) pointing at `minutes` on the dial.
Point HandEnd(Point centre, double radius, double minutes, double length) {
    const double angle = minutes / 60.0 * 2.0 * std::numbers::pi;
    return {centre.x + std::sin(angle) * radius * length, centre.y - std::cos(angle) * radius * length};
}

}  // namespace

std::vector<std::uint8_t> ProgramIconPixels(int size) {
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(size) * size, kIconTransparent);
    const double unit = size / 16.0;   // one pixel of the 16-pixel picture
    const Point centre{size / 2.0, size / 2.0};
    const double radius = size / 2.0 - 0.25;
    const double rim = 1.6 * unit;
    const Point hourEnd = HandEnd(centre, radius, 50.0, 0.45);    // ten o'clock
    const Point minuteEnd = HandEnd(centre, radius, 10.0, 0.75);  // ten past
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const Point p{x + 0.5, y + 0.5};
            const double d = std::hypot(p.x - centre.x, p.y - centre.y);
            std::uint8_t colour = kWhite;
            if (d > radius) continue;
            if (d > radius - 0.9 * unit) colour = kBlack;
            else if (d > radius - rim) colour = kTeal;
            // Marks at 12, 3, 6 and 9 o'clock just inside the rim.
            for (int quarter = 0; quarter < 4; ++quarter) {
                const Point outer = HandEnd(centre, radius, quarter * 15.0, 0.86);
                const Point inner = HandEnd(centre, radius, quarter * 15.0, 0.68);
                if (colour == kWhite && DistanceToSegment(p, inner, outer) <= 0.6 * unit) colour = kNavy;
            }
            if (colour == kWhite || colour == kNavy) {
                if (DistanceToSegment(p, centre, hourEnd) <= 0.5 * unit + 0.1) colour = kBlack;
                else if (DistanceToSegment(p, centre, minuteEnd) <= 0.35 * unit + 0.1) colour = kBlack;
            }
            if (d <= 0.75 * unit) colour = kRed;
            if (colour == kWhite && size >= 32 && y > size / 2 && d > radius - rim - 1.2 * unit) colour = kSilver;
            pixels[static_cast<std::size_t>(y) * size + x] = colour;
        }
    }
    return pixels;
}

}  // namespace clocktool
