#include <gtest/gtest.h>

#include "demod/ui/toolkit/RC_Bitmap.h"

#include <cmath>
#include <numbers>
#include <random>
#include <set>
#include <utility>

namespace {

constexpr std::uint32_t kBack = 0x000000;
constexpr std::uint32_t kInk = 0xFFFFFF;

void Prepare(RC_Bitmap& b, int w, int h) {
    b.SetSize(w, h);
    b.Clear(kBack);
}

std::set<std::pair<int, int>> Inked(const RC_Bitmap& b) {
    std::set<std::pair<int, int>> out;
    for (int y = 0; y < b.Height(); ++y) {
        for (int x = 0; x < b.Width(); ++x) {
            if (b.PixelAt(x, y) != kBack) out.insert({x, y});
        }
    }
    return out;
}

TEST(RC_BitmapTest, StartsAsOnePixelAndGrowsOnlyItsBuffer) {
    RC_Bitmap b;
    EXPECT_EQ(b.Width(), 1);
    EXPECT_EQ(b.Height(), 1);
    EXPECT_EQ(b.BitsPerPixel(), 32);
    EXPECT_EQ(b.Capacity(), 4u);
    ASSERT_TRUE(b.SetSize(100, 100));
    EXPECT_EQ(b.Stride(), 400u);
    EXPECT_EQ(b.ImageSize(), 40000u);
    ASSERT_TRUE(b.SetSize(10, 10));
    EXPECT_EQ(b.ImageSize(), 400u);
    EXPECT_EQ(b.Capacity(), 40000u) << "shrinking keeps the larger buffer";
    EXPECT_FALSE(b.SetWidth(-1));
    EXPECT_EQ(b.Width(), 10);
}

TEST(RC_BitmapTest, ClippedLinesMatchTheirOrderedForms) {
    RC_Bitmap a, b;
    Prepare(a, 8, 6);
    Prepare(b, 8, 6);
    a.HLine(6, 1, 2, kInk);
    b.HLine(1, 6, 2, kInk);
    EXPECT_EQ(Inked(a), Inked(b));
    EXPECT_EQ(Inked(a).size(), 6u);

    RC_Bitmap c;
        Prepare(c, 8, 6);
    c.HLine(-5, 100, 0, kInk);
    c.VLine(7, 100, -3, kInk);
    c.HLine(0, 7, 6, kInk); // the row below the image
    c.VLine(8, 0, 5, kInk); // the column right of it
    EXPECT_EQ(Inked(c).size(), 8u + 5u);
}

TEST(RC_BitmapTest, SetPixelOutsideDoesNothing) {
    RC_Bitmap b;
        Prepare(b, 4, 4);
    for (auto [x, y] : {std::pair{-1, 0}, std::pair{0, -1}, std::pair{4, 0}, std::pair{0, 4}, std::pair{-2147483647 - 1, 2}}) {
        b.SetPixel(x, y, kInk);
    }
    EXPECT_TRUE(Inked(b).empty());
}

TEST(RC_BitmapTest, FillRectOrdersAndClampsInclusiveCorners) {
    RC_Bitmap b;
        Prepare(b, 5, 5);
    b.FillRect(3, 4, -2, 2, kInk);
    EXPECT_EQ(Inked(b), (std::set<std::pair<int, int>>{{0, 2}, {1, 2}, {2, 2}, {3, 2}, {0, 3}, {1, 3}, {2, 3}, {3, 3}, {0, 4}, {1, 4}, {2, 4}, {3, 4}}));
}

TEST(RC_BitmapTest, LineSteppingCoversEachMajorStepOnce) {
    struct Case {
        int x0, y0, x1, y1;
        std::set<std::pair<int, int>> pixels;
    };
    const Case cases[] = {
        {0, 0, 4, 2, {{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}}},
        {4, 0, 0, 2, {{4, 0}, {3, 0}, {2, 1}, {1, 1}, {0, 2}}},
        {1, 0, 2, 3, {{1, 0}, {1, 1}, {1, 2}, {2, 3}}},
        {2, 2, 2, 2, {{2, 2}}},
        {3, 3, 0, 0, {{0, 0}, {1, 1}, {2, 2}, {3, 3}}},
    };
    for (const Case& c : cases) {
        RC_Bitmap b;
        Prepare(b, 6, 6);
        b.Line(c.x0, c.y0, c.x1, c.y1, kInk);
        EXPECT_EQ(Inked(b), c.pixels) << c.x0 << "," << c.y0 << " - " << c.x1 << "," << c.y1;
    }
}

// Random lines, many far outside: the clipped line never writes outside (the bitmap would
// corrupt its heap) and draws the same pixels inside as the line drawn on a large image.
TEST(RC_BitmapTest, ClippedLineStaysInsideAndKeepsItsDirection) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> coord(-60, 80);
    for (int i = 0; i < 2000; ++i) {
        const int x0 = coord(rng), y0 = coord(rng), x1 = coord(rng), y1 = coord(rng);
        RC_Bitmap small;
        Prepare(small, 20, 15);
        small.DrawLine(x0, y0, x1, y1, kInk);
        for (auto [x, y] : Inked(small)) {
            ASSERT_TRUE(x >= 0 && x < 20 && y >= 0 && y < 15);
        }
        // A line fully inside is drawn exactly as the unclipped one.
        if (x0 >= 0 && x0 < 20 && x1 >= 0 && x1 < 20 && y0 >= 0 && y0 < 15 && y1 >= 0 && y1 < 15) {
            RC_Bitmap ref;
        Prepare(ref, 20, 15);
            ref.Line(x0, y0, x1, y1, kInk);
            EXPECT_EQ(Inked(small), Inked(ref));
        }
    }
}

TEST(RC_BitmapTest, ScrollMovesOneFlatBlockAndIgnoresFullShifts) {
    RC_Bitmap b;
        Prepare(b, 4, 3);
    for (int i = 0; i < 12; ++i) b.SetPixel(i % 4, i / 4, static_cast<std::uint32_t>(i + 1));
    b.Scroll(4, 0);
    b.Scroll(0, -3);
    EXPECT_EQ(b.PixelAt(0, 0), 1u) << "a shift by the full size does nothing";
    b.Scroll(1, 0);
    // Pixels pushed past a row's end continue on the next row; the first pixel keeps its value.
    EXPECT_EQ(b.PixelAt(0, 0), 1u);
    EXPECT_EQ(b.PixelAt(1, 0), 1u);
    EXPECT_EQ(b.PixelAt(0, 1), 4u);
    EXPECT_EQ(b.PixelAt(3, 2), 11u);
    b.Scroll(0, -1);
    EXPECT_EQ(b.PixelAt(0, 0), 4u);
}

TEST(RC_CanvasTest, DiscOfRadiusZeroIsTheCentrePixelInFullColour) {
    RC_Bitmap b;
        Prepare(b, 5, 5);
    b.FillCircle(0x123456, 2, 2, 0, kBack);
    EXPECT_EQ(Inked(b), (std::set<std::pair<int, int>>{{2, 2}}));
    EXPECT_EQ(b.PixelAt(2, 2), 0x123456u);
}

TEST(RC_CanvasTest, DiscIsSymmetricWithSolidCoreAndBlendedRim) {
    RC_Bitmap b;
        Prepare(b, 21, 21);
    b.FillCircle(kInk, 10, 10, 6, kBack);
    EXPECT_EQ(b.PixelAt(10, 10), kInk);
    EXPECT_EQ(b.PixelAt(13, 13), kInk);
    EXPECT_EQ(b.PixelAt(10, 3), kBack) << "7 from the centre lies outside";
    for (int y = 0; y < 21; ++y) {
        for (int x = 0; x < 21; ++x) {
            ASSERT_EQ(b.PixelAt(x, y), b.PixelAt(20 - x, y));
            ASSERT_EQ(b.PixelAt(x, y), b.PixelAt(x, 20 - y));
        }
    }
}

TEST(RC_CanvasTest, ArcSpansOnlyItsAngles) {
    const float twoPi = 2.0f * std::numbers::pi_v<float>;
    RC_Bitmap full;
        Prepare(full, 31, 31);
    full.DrawArc(kInk, 15, 15, 10, 2, 0, twoPi, kBack);
    EXPECT_EQ(full.PixelAt(25, 15), kInk);
    EXPECT_EQ(full.PixelAt(5, 15), kInk);
    EXPECT_EQ(full.PixelAt(15, 5), kInk);
    EXPECT_EQ(full.PixelAt(15, 25), kInk);
    EXPECT_EQ(full.PixelAt(15, 15), kBack);

    RC_Bitmap none;
        Prepare(none, 31, 31);
    none.DrawArc(kInk, 15, 15, 10, 2, 2.0f, 1.0f, kBack);
    EXPECT_TRUE(Inked(none).empty());

    // The upper half (y up): nothing below the centre row.
    RC_Bitmap upper;
        Prepare(upper, 31, 31);
    upper.DrawArc(kInk, 15, 15, 10, 2, 0.01f, std::numbers::pi_v<float> - 0.01f, kBack);
    EXPECT_EQ(upper.PixelAt(15, 5), kInk);
    for (auto [x, y] : Inked(upper)) EXPECT_LT(y, 15);
}

} // namespace
