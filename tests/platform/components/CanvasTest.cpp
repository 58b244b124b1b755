#include <gtest/gtest.h>

#include "platform/components/Graphics.h"
#include "platform/components/TBitmap.h"
#include "platform/win/SysColors.h"

namespace plat::comp {
namespace {

TEST(CanvasTest, ShapesUseThePenAndBrushOfTheMomentWithTheirClassicRules) {
    TBitmap b(20, 20);
    TCanvas& c = b.Canvas();
    c.Brush().SetColor(clWhite);
    c.FillRect({0, 0, 20, 20});
    c.Pen().SetColor(clRed);
    c.MoveTo(0, 0);
    c.LineTo(5, 0);
    EXPECT_EQ(c.Pixel(4, 0), ColorToRGB(clRed));
    EXPECT_EQ(c.Pixel(5, 0), ColorToRGB(clWhite)) << "a line leaves out its end point";
    c.Pen().SetColor(clBlue);
    c.Brush().SetColor(clLime);
    c.Rectangle(2, 2, 8, 8);
    EXPECT_EQ(c.Pixel(2, 2), ColorToRGB(clBlue));
    EXPECT_EQ(c.Pixel(4, 4), ColorToRGB(clLime));
    EXPECT_EQ(c.Pixel(8, 8), ColorToRGB(clWhite)) << "right and bottom are outside";
    c.Brush().SetStyle(TBrushStyle::bsClear);
    c.Rectangle(10, 10, 16, 16);
    EXPECT_EQ(c.Pixel(12, 12), ColorToRGB(clWhite)) << "a clear brush leaves the inside";
    c.Brush().SetColor(clLime);
    c.FillRect({10, 10, 12, 12});
    EXPECT_EQ(c.Pixel(10, 10), ColorToRGB(clLime)) << "choosing a colour makes the brush solid";
    c.Pen().SetMode(gdi::Rop2::XorPen);
    c.Pen().SetColor(clWhite);
    c.MoveTo(0, 19);
    c.LineTo(3, 19);
    EXPECT_EQ(c.Pixel(1, 19), 0x000000u) << "XOR with white inverts white";
}

TEST(CanvasTest, BitmapKeepsItsPixelsWhenResizedAndRefusesImpossibleSizes) {
    TBitmap b(4, 4);
    b.Canvas().SetPixel(1, 1, clRed);
    b.Canvas().SetPixel(3, 3, clBlue);
    ASSERT_TRUE(b.SetSize(2, 8));
    EXPECT_EQ(b.Canvas().Pixel(1, 1), ColorToRGB(clRed));
    EXPECT_EQ(b.Canvas().Pixel(1, 6), ColorToRGB(clWhite)) << "new pixels are white";
    EXPECT_FALSE(b.SetSize(1 << 30, 1 << 30));
    EXPECT_EQ(b.Width(), 2) << "unchanged after a refused size";
    ASSERT_TRUE(b.SetBitsPerPixel(8));
    EXPECT_EQ(b.Canvas().Pixel(1, 1), ColorToRGB(clRed)) << "the palette holds the classic colours";
    TBitmap copy(2, 8);
    copy.Canvas().Draw(0, 0, b);
    EXPECT_EQ(copy.Canvas().Pixel(1, 1), ColorToRGB(clRed));
}

TEST(CanvasTest, SystemColoursResolveAndPlainColoursPassThrough) {
    EXPECT_EQ(ColorToRGB(clRed), 0x0000FFu);
    EXPECT_EQ(ColorToRGB(clBtnFace), win::GetSysColor(win::COLOR_BTNFACE))
        << "the desktop's colours are the window system's";
    EXPECT_EQ(ColorToRGB(clInfoBk), win::GetSysColor(win::COLOR_INFOBK));
    EXPECT_EQ(ColorToRGB(SystemColor(200)), 0u) << "an unknown system colour is black";
}

} // namespace
} // namespace plat::comp
