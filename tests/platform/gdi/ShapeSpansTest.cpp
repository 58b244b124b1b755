#include "platform/gdi/ShapeSpans.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

namespace plat::gdi {
namespace {

// Definition of a thick line: pixels whose centre lies strictly within width / 2 of the segment
// (through pixel centres for odd widths, along pixel corners for even ones).
bool InThickLine(Point a, Point b, int width, int x, int y) {
    const double off = (width % 2) ? 0.5 : 0.0;
    const double ax = a.x + off, ay = a.y + off, vx = b.x - a.x, vy = b.y - a.y;
    const double px = x + 0.5 - ax, py = y + 0.5 - ay;
    const double len2 = vx * vx + vy * vy;
    const double t = len2 > 0 ? std::clamp((px * vx + py * vy) / len2, 0.0, 1.0) : 0.0;
    const double ex = px - t * vx, ey = py - t * vy;
    return ex * ex + ey * ey < width * width / 4.0 - 1e-9;
}

TEST(ShapeSpans, ThickLinesCoverExactlyThePixelsNearTheSegment) {
    std::mt19937 rng(99);
    std::uniform_int_distribution<int> coord(-5, 35);
    std::uniform_int_distribution<int> widthOf(2, 9);
    for (int iteration = 0; iteration < 500; ++iteration) {
        const Point a{coord(rng), coord(rng)};
        // Every fourth line is axis-aligned or diagonal, where ties are most likely.
        Point b{coord(rng), coord(rng)};
        if (iteration % 4 == 0) b = {a.x + (iteration % 3) * 7, a.y + ((iteration / 3) % 2) * 7};
        const int width = widthOf(rng);
        const Rect window{0, 0, 30, 30};
        const auto spans = ThickLineSpans(a, b, width, window);
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 30; ++x) {
                const bool drawn = std::any_of(spans.begin(), spans.end(), [&](const Span& s) {
                    return s.y == y && x >= s.x0 && x < s.x1;
                });
                ASSERT_EQ(drawn, InThickLine(a, b, width, x, y))
                    << "line " << a.x << "," << a.y << " - " << b.x << "," << b.y << " width "
                    << width << " pixel " << x << "," << y;
            }
    }
}

TEST(ShapeSpans, RegionsOfShapesMatchTheirSpans) {
    const Region circle = EllipseRegion({0, 0, 8, 8});
    EXPECT_FALSE(circle.Contains(Point{0, 0}));
    EXPECT_TRUE(circle.Contains(Point{2, 0}));
    EXPECT_TRUE(circle.Contains(Point{0, 2}));
    EXPECT_EQ(circle.Bounds(), (Rect{0, 0, 8, 8}));
    const Region rounded = RoundRectRegion({0, 0, 10, 6}, 4, 4);
    EXPECT_FALSE(rounded.Contains(Point{0, 0}));
    EXPECT_TRUE(rounded.Contains(Point{1, 0}));
    EXPECT_TRUE(rounded.Contains(Point{0, 1}));
    const Point bow[] = {{0, 0}, {10, 10}, {10, 0}, {0, 10}}; // crosses itself: a bow tie
    const Region bowTie = PolygonRegion(bow, FillMode::Alternate);
    EXPECT_TRUE(bowTie.Contains(Point{2, 5}));
    EXPECT_TRUE(bowTie.Contains(Point{8, 5}));
    EXPECT_FALSE(bowTie.Contains(Point{5, 2}));
}

} // namespace
} // namespace plat::gdi
