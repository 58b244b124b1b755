#include "platform/gdi/DC.h"

#include "tests/platform/gdi/Picture.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>

namespace plat::gdi {
namespace {

using Rows = std::vector<std::string>;
using test::Picture;
using test::WhiteCanvas;

struct Drawn {
    std::unique_ptr<Bitmap> bmp;
    Rows rows;
};

// Draws on a white canvas as large as the expected picture and returns what came out.
template <class Draw>
Rows DrawOn(const Rows& expected, Draw&& draw) {
    auto bmp = WhiteCanvas(static_cast<int>(expected[0].size()), static_cast<int>(expected.size()));
    DC dc(bmp.get());
    dc.SelectBrush(Brush::Null());
    draw(dc);
    return Picture(*bmp);
}

struct LineCase {
    Point from;
    Point to;
    Rows expected;
};

TEST(DCShapes, LinesLeaveOutTheirEndPointAndRoundHalvesTheSameWayInBothDirections) {
    const LineCase cases[] = {
        {{0, 0}, {4, 1}, {"###..", "...#."}},
        {{4, 1}, {0, 0}, {".##..", "...##"}},
        {{0, 0}, {1, 3}, {"#..", "#..", ".#.", "..."}},
        {{4, 0}, {0, 4}, {"....#", "...#.", "..#..", ".#...", "....."}},
        {{1, 1}, {1, 1}, {"...", "...", "..."}},
        {{-100000, 1}, {100000, 1}, {"...", "###", "..."}}, // far past the edges
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.from.x << "," << c.from.y << " -> " << c.to.x << ","
                                          << c.to.y);
        EXPECT_EQ(DrawOn(c.expected, [&](DC& dc) {
                      dc.MoveTo(c.from.x, c.from.y);
                      dc.LineTo(c.to.x, c.to.y);
                      EXPECT_EQ(dc.GetCurrentPosition(), c.to);
                  }),
                  c.expected);
    }
}

TEST(DCShapes, ClosedOutlinesDrawEachCornerOnceSoExclusiveOrLeavesNoHoles) {
    const Rows expected = {"#####", "#...#", "#...#", "#####"};
    EXPECT_EQ(DrawOn(expected,
                     [](DC& dc) {
                         dc.SetRop2(Rop2::XorPen);
                         dc.SelectPen({PenStyle::Solid, 1, 0xFFFFFF}); // white ^ white = black
                         const Point pts[] = {{0, 0}, {4, 0}, {4, 3}, {0, 3}};
                         dc.Polygon(pts);
                     }),
              expected);
}

TEST(DCShapes, RectanglesFillInsideTheOutlineAndANullPenLeavesOutRightAndBottom) {
    const Rows framed = {"......", ".####.", ".#??#.", ".####.", "......"};
    EXPECT_EQ(DrawOn(framed,
                     [](DC& dc) {
                         dc.SelectBrush(Brush::Solid(0x0000FF));
                         dc.Rectangle(1, 1, 5, 4);
                     }),
              framed);
    const Rows noPen = {"......", ".???..", ".???..", "......", "......"};
    EXPECT_EQ(DrawOn(noPen,
                     [](DC& dc) {
                         dc.SelectPen({PenStyle::Null, 1, 0});
                         dc.SelectBrush(Brush::Solid(0x0000FF));
                         dc.Rectangle(1, 1, 5, 4);
                     }),
              noPen);
    const Rows wide = {"#####.", "#####.", "##.##.", "#####.", "#####."}; // width 2 grows left/up
    EXPECT_EQ(DrawOn(wide,
                     [](DC& dc) {
                         dc.SelectPen({PenStyle::Solid, 2, 0});
                         dc.Rectangle(1, 1, 5, 5);
                     }),
              wide);
}

TEST(DCShapes, FramesAndInversionIgnorePenAndRasterOperation) {
    const Rows expected = {"#####.", "##?.#.", "#####.", "......"};
    EXPECT_EQ(DrawOn(expected,
                     [](DC& dc) {
                         dc.SetRop2(Rop2::XorPen);
                         dc.SelectPen({PenStyle::Solid, 5, 0x0000FF});
                         dc.FrameRect({0, 0, 5, 3}, Brush::Solid(0));
                         dc.InvertRect({1, 1, 2, 2}); // white becomes black
                         dc.FillRect({2, 1, 3, 2}, Brush::Solid(0x0000FF));
                     }),
              expected);
}

TEST(DCShapes, EllipseAndRoundedCornersFollowTheMidpointShapes) {
    const Rows circle = {
        "..####..", ".#....#.", "#......#", "#......#",
        "#......#", "#......#", ".#....#.", "..####..",
    };
    EXPECT_EQ(DrawOn(circle, [](DC& dc) { dc.Ellipse(0, 0, 8, 8); }), circle);
    const Rows tiny = {".#.", "#.#", ".#."};
    EXPECT_EQ(DrawOn(tiny, [](DC& dc) { dc.Ellipse(0, 0, 3, 3); }), tiny);
    const Rows round = {
        "..######..", ".#......#.", "#........#", "#........#", ".#......#.", "..######..",
    };
    EXPECT_EQ(DrawOn(round, [](DC& dc) { dc.RoundRect(0, 0, 10, 6, 8, 8); }), round);
    const Rows small = {".######.", "#......#", "#......#", ".######."};
    EXPECT_EQ(DrawOn(small, [](DC& dc) { dc.RoundRect(0, 0, 8, 4, 4, 4); }), small);
}

TEST(DCShapes, ShapesClippedAtAndPastTheEdgesMatchTheVisiblePartOfTheWholeShape) {
    // The same shapes drawn whole on a large canvas and partly outside a small one.
    auto whole = WhiteCanvas(40, 40);
    auto part = WhiteCanvas(12, 12);
    DC big(whole.get());
    DC small(part.get());
    small.SetViewportOrg({-14, -14});
    for (DC* dc : {&big, &small}) {
        dc->SelectBrush(Brush::Solid(0x00FF00));
        dc->SelectPen({PenStyle::Solid, 1, 0x0000FF});
        dc->Ellipse(3, 5, 19, 17);
        dc->RoundRect(20, 8, 36, 30, 9, 7);
        const Point tri[] = {{10, 22}, {30, 38}, {2, 35}};
        dc->Polygon(tri);
        dc->SelectPen({PenStyle::Solid, 3, 0xFF0000});
        dc->MoveTo(0, 39);
        dc->LineTo(39, 0);
    }
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x)
            ASSERT_EQ(part->GetPixel(x, y), whole->GetPixel(x + 14, y + 14)) << x << "," << y;
}

TEST(DCShapes, HugeShapesCostOnlyTheirVisiblePart) {
    auto bmp = WhiteCanvas(8, 8);
    DC dc(bmp.get());
    dc.SelectBrush(Brush::Solid(0x0000FF));
    dc.Ellipse(-1000000, -1000000, 1000000, 1000000); // only its inside shows
    dc.RoundRect(-1000000, -1000000, 1000000, 1000000, 5000, 5000);
    const Point huge[] = {{-1000000, -1000000}, {1000000, -1000000}, {0, 1000000}};
    dc.Polygon(huge);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) ASSERT_EQ(bmp->GetPixel(x, y), 0x0000FFu);
    dc.SelectPen({PenStyle::Solid, 3, 0});
    dc.MoveTo(-1000000, -1000000);
    dc.LineTo(1000000, 1000000);
    // Three pixels across, measured square to the line: |x - y| <= 2 along a diagonal.
    const Rows band = {"###?????", "####????", "#####???", "?#####??",
                       "??#####?", "???#####", "????####", "?????###"};
    EXPECT_EQ(Picture(*bmp, 0xFFFFFF, 0), band);
}

// Coordinates at the ends of the integer range, moved further by the origins, draw what can be
// seen of them without overflowing anywhere.
TEST(DCShapes, ExtremeCoordinatesAreSafe) {
    constexpr int lo = std::numeric_limits<int>::min();
    constexpr int hi = std::numeric_limits<int>::max();
    auto bmp = WhiteCanvas(8, 8);
    auto src = WhiteCanvas(4, 4);
    DC source(src.get());
    DC dc(bmp.get());
    dc.SetViewportOrg({hi, lo});
    dc.SetDeviceOrigin({3, 3});
    dc.SelectPen({PenStyle::Solid, hi, 0});
    dc.MoveTo(lo, hi);
    dc.LineTo(hi, lo);
    dc.Ellipse(lo, lo, hi, hi);
    dc.RoundRect(lo, lo, hi, hi, hi, hi);
    const Point poly[] = {{lo, lo}, {hi, lo}, {hi, hi}, {lo, hi}};
    dc.Polygon(poly);
    dc.FillRect({lo, lo, hi, hi}, Brush::Solid(0x00FF00));
    dc.IntersectClipRect({lo, lo, hi, hi});
    dc.ExcludeClipRect({hi - 1, hi - 1, hi, hi});
    dc.BitBlt(lo, hi, hi, hi, source, hi, lo, rop3::SrcCopy);
    dc.StretchBlt(hi, lo, lo, hi, source, lo, hi, hi, lo, rop3::SrcCopy);
    dc.TextOut(hi, hi, "x");
    Rect r{lo, lo, hi, hi};
    dc.DrawText("x y", r, dt::WordBreak);
    dc.SetViewportOrg({0, 0});
    dc.SetDeviceOrigin({0, 0});
    dc.SelectClipRegion(nullptr);
    dc.FillRect({lo, lo, hi, hi}, Brush::Solid(0x00FF00));
    EXPECT_EQ(bmp->GetPixel(7, 7), 0x00FF00u);
}

TEST(DCShapes, ExclusiveOrTwiceRestoresAndMergeComposites) {
    auto bmp = WhiteCanvas(24, 24);
    std::mt19937 rng(7);
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 24; ++x) bmp->SetPixel(x, y, rng() & 0xFFFFFF);
    auto before = bmp->Clone();
    DC dc(bmp.get());
    dc.SetRop2(Rop2::XorPen);
    dc.SelectBrush(Brush::Solid(0x336699));
    for (int pass = 0; pass < 2; ++pass) {
        dc.SelectPen({PenStyle::Solid, 1, 0x00FF80});
        dc.Ellipse(2, 3, 20, 17);
        dc.RoundRect(1, 1, 23, 22, 6, 6);
        dc.SelectPen({PenStyle::Solid, 4, 0x808080});
        const Point zig[] = {{0, 0}, {12, 20}, {20, 2}, {23, 23}};
        dc.Polyline(zig);
    }
    EXPECT_EQ(Picture(*bmp), Picture(*before));
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 24; ++x) ASSERT_EQ(bmp->GetPixel(x, y), before->GetPixel(x, y));

    auto canvas = WhiteCanvas(2, 1);
    canvas->SetPixel(0, 0, 0x00FF00);
    DC merge(canvas.get());
    merge.SetRop2(Rop2::MergePen);
    merge.SelectPen({PenStyle::Solid, 1, 0x0000FF});
    merge.MoveTo(0, 0);
    merge.LineTo(2, 0);
    EXPECT_EQ(canvas->GetPixel(0, 0), 0x00FFFFu);
    EXPECT_EQ(canvas->GetPixel(1, 0), 0xFFFFFFu);
}

TEST(DCShapes, DottedPensAndHatchedBrushesFollowTheirPatterns) {
    const Rows dots = {"###...###...#", "?????????????"};
    EXPECT_EQ(DrawOn(dots,
                     [](DC& dc) {
                         dc.SelectPen({PenStyle::Dot, 1, 0});
                         dc.SetBkMode(BkMode::Transparent);
                         dc.MoveTo(0, 0);
                         dc.LineTo(13, 0);
                         dc.SetBkMode(BkMode::Opaque);
                         dc.SetBkColor(0x0000FF);
                         dc.SelectPen({PenStyle::Solid, 1, 0x0000FF});
                         dc.MoveTo(0, 1);
                         dc.LineTo(13, 1);
                     }),
              dots);
    const Rows hatch = {"....#.......#.", "....#.......#.", "....#.......#."};
    EXPECT_EQ(DrawOn(hatch,
                     [](DC& dc) {
                         dc.SetBkMode(BkMode::Transparent);
                         dc.FillRect({0, 0, 14, 3}, Brush::Hatched(HatchStyle::Vertical, 0));
                     }),
              hatch);
}

TEST(DCShapes, FloodFillStopsAtTheBorderOrLeaksThroughAGap) {
    auto bmp = WhiteCanvas(10, 10);
    DC dc(bmp.get());
    dc.Ellipse(1, 1, 9, 9);
    dc.SelectBrush(Brush::Solid(0x0000FF));
    EXPECT_TRUE(dc.FloodFill(4, 4, 0x000000));
    EXPECT_EQ(bmp->GetPixel(4, 4), 0x0000FFu);
    EXPECT_EQ(bmp->GetPixel(2, 3), 0x0000FFu);
    EXPECT_EQ(bmp->GetPixel(1, 1), 0xFFFFFFu); // outside the circle
    EXPECT_EQ(bmp->GetPixel(1, 3), 0x000000u); // the border itself
    EXPECT_FALSE(dc.FloodFill(1, 3, 0x000000)); // starting on the border fills nothing

    bmp->SetPixel(1, 4, 0xFFFFFF); // open a gap in the left edge
    dc.SelectBrush(Brush::Solid(0x00FF00));
    EXPECT_TRUE(dc.ExtFloodFill(4, 4, 0x0000FF, FloodType::Surface));
    EXPECT_EQ(bmp->GetPixel(4, 4), 0x00FF00u);
    EXPECT_EQ(bmp->GetPixel(1, 1), 0xFFFFFFu); // surface fill only takes the blue area
    EXPECT_TRUE(dc.FloodFill(0, 0, 0x000000));
    EXPECT_EQ(bmp->GetPixel(9, 9), 0x00FF00u);
    EXPECT_EQ(bmp->GetPixel(1, 4), 0x00FF00u);
}

// Property test: random polygons and rectangles must cover exactly the pixels the definition
// says, within a random clip region. Polygon pixels are those whose centre lies inside by the
// fill rule, found here by counting edge crossings left of each centre.
bool CentreInside(const std::vector<Point>& poly, int px, int py, FillMode mode) {
    int crossings = 0;
    int winding = 0;
    const std::int64_t cy2 = 2 * std::int64_t{py} + 1;
    for (std::size_t i = 0; i < poly.size(); ++i) {
        const Point a = poly[i];
        const Point b = poly[(i + 1) % poly.size()];
        if ((2 * std::int64_t{a.y} < cy2) == (2 * std::int64_t{b.y} < cy2)) continue;
        // Crossing x (doubled) <= centre x (doubled), multiplied out with a positive divisor.
        std::int64_t num = 2 * std::int64_t{a.x} * 2 * (b.y - a.y) + (cy2 - 2 * a.y) * 2 * (b.x - a.x);
        std::int64_t den = 2 * (std::int64_t{b.y} - a.y);
        if (den < 0) num = -num, den = -den;
        if (num <= (2 * std::int64_t{px} + 1) * den) {
            ++crossings;
            winding += b.y > a.y ? 1 : -1;
        }
    }
    return mode == FillMode::Alternate ? (crossings % 2) == 1 : winding != 0;
}

TEST(DCShapes, RandomPolygonsAndRectanglesCoverExactlyTheExpectedPixels) {
    std::mt19937 rng(2024);
    std::uniform_int_distribution<int> coord(-4, 27);
    for (int iteration = 0; iteration < 1000; ++iteration) {
        auto bmp = WhiteCanvas(24, 24);
        DC dc(bmp.get());
        std::vector<Rect> clipRects;
        for (int i = 0; i < 3; ++i)
            clipRects.push_back(Rect{coord(rng), coord(rng), coord(rng), coord(rng)}.Normalized());
        const Region clip = Region::FromRects(clipRects);
        dc.SelectClipRegion(&clip);
        dc.SelectPen({PenStyle::Null, 1, 0});
        dc.SelectBrush(Brush::Solid(0));
        const FillMode mode = iteration % 2 ? FillMode::Winding : FillMode::Alternate;
        dc.SetPolyFillMode(mode);
        std::vector<Point> poly(static_cast<std::size_t>(3 + iteration % 5));
        for (Point& p : poly) p = {coord(rng), coord(rng)};
        const Rect rect = Rect{coord(rng), coord(rng), coord(rng), coord(rng)}.Normalized();
        if (iteration % 3 == 0) dc.FillRect(rect, Brush::Solid(0));
        else dc.Polygon(poly);
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 24; ++x) {
                const bool inShape = iteration % 3 == 0 ? rect.Contains({x, y})
                                                        : CentreInside(poly, x, y, mode);
                const bool expected = inShape && clip.Contains(Point{x, y});
                ASSERT_EQ(bmp->GetPixel(x, y) == 0, expected)
                    << "iteration " << iteration << " pixel " << x << "," << y;
            }
    }
}

} // namespace
} // namespace plat::gdi
