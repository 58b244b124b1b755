#include "platform/gdi/DC.h"

#include "tests/platform/gdi/Picture.h"

#include <gtest/gtest.h>

namespace plat::gdi {
namespace {

using test::Picture;
using test::WhiteCanvas;

TEST(DCState, RestoreBringsBackEverySavedSetting) {
    auto bmp = WhiteCanvas(4, 4);
    DC dc(bmp.get());
    const int level = dc.SaveDC();
    EXPECT_EQ(level, 1);
    dc.SetViewportOrg({3, 4});
    const Region clip(Rect{0, 0, 2, 2});
    dc.SelectClipRegion(&clip);
    dc.SelectPen({PenStyle::Dot, 2, 0x0000FF});
    dc.SelectBrush(Brush::Hatched(HatchStyle::Cross, 0x00FF00));
    dc.SelectFont(Font(FontDesc{-20, 700, true, false, false, "Arial"}));
    dc.SetRop2(Rop2::XorPen);
    dc.SetTextColor(0x123456);
    dc.SetBkColor(0x654321);
    dc.SetBkMode(BkMode::Transparent);
    dc.SetPolyFillMode(FillMode::Winding);
    dc.SetTextAlign(ta::Right | ta::Baseline);
    dc.MoveTo(1, 1);
    EXPECT_EQ(dc.SaveDC(), 2);
    dc.SetTextColor(0x111111);

    ASSERT_TRUE(dc.RestoreDC(-1));
    EXPECT_EQ(dc.GetTextColor(), 0x123456u);
    EXPECT_EQ(dc.GetViewportOrg(), (Point{3, 4}));
    ASSERT_TRUE(dc.RestoreDC(level));
    EXPECT_EQ(dc.GetViewportOrg(), (Point{0, 0}));
    EXPECT_FALSE(dc.GetClipRegion().has_value());
    EXPECT_EQ(dc.CurrentPen(), Pen{});
    EXPECT_EQ(dc.CurrentBrush(), Brush{});
    EXPECT_EQ(dc.CurrentFont(), Font{});
    EXPECT_EQ(dc.GetRop2(), Rop2::CopyPen);
    EXPECT_EQ(dc.GetTextColor(), 0x000000u);
    EXPECT_EQ(dc.GetBkColor(), 0xFFFFFFu);
    EXPECT_EQ(dc.GetBkMode(), BkMode::Opaque);
    EXPECT_EQ(dc.GetPolyFillMode(), FillMode::Alternate);
    EXPECT_EQ(dc.GetTextAlign(), 0u);
    EXPECT_EQ(dc.GetCurrentPosition(), (Point{0, 0}));
    EXPECT_FALSE(dc.RestoreDC(-1)); // nothing left to restore
    EXPECT_FALSE(dc.RestoreDC(1));
}

TEST(DCState, FillsAreClippedByRegionDeviceOriginAndDeviceClip) {
    auto bmp = WhiteCanvas(8, 6);
    DC dc(bmp.get());
    dc.SetDeviceOrigin({2, 1});
    dc.SetDeviceClip(Region(Rect{0, 0, 7, 6})); // the owner hides the last column
    // Clip regions are relative to the device origin and ignore the viewport origin.
    const Rect parts[] = {{0, 0, 2, 2}, {3, 2, 9, 4}};
    const Region clip = Region::FromRects(parts);
    dc.SelectClipRegion(&clip);
    dc.SetViewportOrg({-1, 0});
    dc.FillRect({-10, -10, 20, 20}, Brush::Solid(0));
    const std::vector<std::string> expected = {
        "........",
        "..##....",
        "..##....",
        ".....##.",
        ".....##.",
        "........",
    };
    EXPECT_EQ(Picture(*bmp), expected);
    EXPECT_EQ(dc.GetClipBox(), (Rect{1, 0, 6, 4}));
    EXPECT_TRUE(dc.PtVisible(1, 0));
    EXPECT_FALSE(dc.PtVisible(6, 3));
}

TEST(DCState, IntersectAndExcludeClipRectsCombineWithTheCurrentClip) {
    auto bmp = WhiteCanvas(6, 3);
    DC dc(bmp.get());
    dc.IntersectClipRect({1, 0, 5, 3});
    dc.ExcludeClipRect({2, 1, 4, 2});
    dc.SaveDC();
    dc.IntersectClipRect({0, 0, 6, 1});
    dc.RestoreDC(-1); // the narrower clip goes with the saved state
    dc.FillRect({0, 0, 6, 3}, Brush::Solid(0));
    const std::vector<std::string> expected = {".####.", ".#..#.", ".####."};
    EXPECT_EQ(Picture(*bmp), expected);
    EXPECT_EQ(dc.GetPixel(2, 1), kInvalidColor); // clipped away
    EXPECT_EQ(dc.SetPixel(2, 1, 0), kInvalidColor);
    EXPECT_EQ(dc.SetPixel(1, 1, 0x0000FF), 0x0000FFu);
}

} // namespace
} // namespace plat::gdi
