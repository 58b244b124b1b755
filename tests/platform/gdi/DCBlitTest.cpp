#include "platform/gdi/DC.h"

#include "tests/platform/gdi/Picture.h"

#include <gtest/gtest.h>

namespace plat::gdi {
namespace {

using Rows = std::vector<std::string>;
using test::Picture;
using test::WhiteCanvas;

// A 4 x 2 source: black, white, black, red on top; red, black, white, white below.
std::unique_ptr<Bitmap> Source(int bpp = 32) {
    auto src = WhiteCanvas(4, 2, bpp);
    src->SetPixel(0, 0, 0);
    src->SetPixel(2, 0, 0);
    src->SetPixel(3, 0, 0x0000FF);
    src->SetPixel(0, 1, 0x0000FF);
    src->SetPixel(1, 1, 0);
    return src;
}

TEST(DCBlit, CopiesWithTheRasterOperationWithinTheClip) {
    auto src = Source();
    DC from(src.get());
    auto dst = WhiteCanvas(6, 3);
    DC to(dst.get());
    to.ExcludeClipRect({1, 1, 2, 2});
    to.BitBlt(1, 1, 4, 2, from, 0, 0, rop3::SrcCopy);
    EXPECT_EQ(Picture(*dst), (Rows{"......", "...#?.", ".?#..."}));
    // Exclusive-or twice gives the original back; OR keeps what was there.
    auto before = dst->Clone();
    to.BitBlt(0, 0, 4, 2, from, 0, 0, rop3::SrcInvert);
    to.BitBlt(0, 0, 4, 2, from, 0, 0, rop3::SrcInvert);
    EXPECT_EQ(Picture(*dst), Picture(*before));
    auto canvas = WhiteCanvas(1, 1);
    canvas->SetPixel(0, 0, 0x00FF00);
    auto red = WhiteCanvas(1, 1);
    red->SetPixel(0, 0, 0x0000FF);
    DC c(canvas.get());
    DC r(red.get());
    c.BitBlt(0, 0, 1, 1, r, 0, 0, rop3::SrcPaint);
    EXPECT_EQ(canvas->GetPixel(0, 0), 0x00FFFFu);
    c.BitBlt(0, 0, 1, 1, r, 0, 0, rop3::DstInvert);
    EXPECT_EQ(canvas->GetPixel(0, 0), 0xFF0000u);
}

TEST(DCBlit, OneBitBitmapsUseTheColoursOfTheContexts) {
    auto mono = Bitmap::Create(3, 1, 1);
    mono->SetNative(1, 0, 1);
    DC from(mono.get());
    auto dst = WhiteCanvas(3, 1);
    DC to(dst.get());
    to.SetTextColor(0x0000FF); // 0 bits
    to.SetBkColor(0x00FF00);   // 1 bits
    to.BitBlt(0, 0, 3, 1, from, 0, 0, rop3::SrcCopy);
    EXPECT_EQ(dst->GetPixel(0, 0), 0x0000FFu);
    EXPECT_EQ(dst->GetPixel(1, 0), 0x00FF00u);

    // Colour to one bit: pixels of the source's background colour become 1 (a mask).
    auto src = Source();
    DC colour(src.get());
    colour.SetBkColor(0xFFFFFF);
    auto mask = Bitmap::Create(4, 2, 1);
    DC maskDc(mask.get());
    maskDc.BitBlt(0, 0, 4, 2, colour, 0, 0, rop3::SrcCopy);
    EXPECT_EQ(mask->GetNative(1, 0), 1u);
    EXPECT_EQ(mask->GetNative(0, 0), 0u);
    EXPECT_EQ(mask->GetNative(3, 0), 0u);
    EXPECT_EQ(mask->GetNative(3, 1), 1u);
}

TEST(DCBlit, StretchedCopiesRepeatAndMirrorPixels) {
    auto src = Source();
    DC from(src.get());
    auto dst = WhiteCanvas(8, 4);
    DC to(dst.get());
    to.StretchBlt(0, 0, 8, 4, from, 0, 0, 4, 2, rop3::SrcCopy);
    EXPECT_EQ(Picture(*dst), (Rows{"##..##??", "##..##??", "??##....", "??##...."}));
    auto mirrored = WhiteCanvas(4, 2);
    DC m(mirrored.get());
    m.StretchBlt(3, 0, -4, 2, from, 0, 0, 4, 2, rop3::SrcCopy);
    EXPECT_EQ(Picture(*mirrored), (Rows{"?#.#", "..#?"}));
    auto half = WhiteCanvas(2, 1);
    DC h(half.get());
    h.StretchBlt(0, 0, 2, 1, from, 0, 0, 4, 2, rop3::SrcCopy);
    EXPECT_EQ(Picture(*half), (Rows{"#."})); // nearest to each centre: row 1, columns 1 and 3
}

TEST(DCBlit, TransparentCopyLeavesTheKeyColourOut) {
    auto src = Source();
    DC from(src.get());
    auto dst = Bitmap::Create(4, 2, 32);
    dst->Clear(0x00FF00);
    DC to(dst.get());
    to.TransparentBlt(0, 0, 4, 2, from, 0, 0, 4, 2, 0xFFFFFF);
    EXPECT_EQ(dst->GetPixel(1, 0), 0x00FF00u);
    EXPECT_EQ(dst->GetPixel(0, 0), 0x000000u);
    EXPECT_EQ(dst->GetPixel(3, 0), 0x0000FFu);

}

// Scrolling a bitmap onto itself in every direction, through a clip of several pieces, must read
// every pixel before it is overwritten; an exclusive-or onto itself goes through another path.
TEST(DCBlit, OverlappingCopiesOntoTheSameBitmapReadThePixelsAsTheyWere) {
    const Point shifts[] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}, {2, 3}, {-3, -2}, {4, -1}};
    const Rect pieces[] = {{0, 0, 3, 8}, {5, 0, 8, 8}, {0, 2, 8, 4}};
    const Region clip = Region::FromRects(pieces);
    for (const Point shift : shifts) {
        SCOPED_TRACE(::testing::Message() << shift.x << "," << shift.y);
        auto bmp = Bitmap::Create(8, 8, 32);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) bmp->SetPixel(x, y, static_cast<ColorRef>(y * 8 + x + 1));
        auto before = bmp->Clone();
        DC dc(bmp.get());
        dc.SelectClipRegion(&clip);
        dc.BitBlt(shift.x, shift.y, 8, 8, dc, 0, 0, rop3::SrcCopy);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) {
                const int sx = x - shift.x, sy = y - shift.y;
                const bool copied = clip.Contains(Point{x, y}) && sx >= 0 && sx < 8 && sy >= 0 && sy < 8;
                ASSERT_EQ(bmp->GetPixel(x, y), copied ? before->GetPixel(sx, sy) : before->GetPixel(x, y))
                    << x << "," << y;
            }
    }
    auto strip = WhiteCanvas(5, 1);
    for (int x = 0; x < 5; ++x) strip->SetPixel(x, 0, static_cast<ColorRef>(x));
    DC self(strip.get());
    self.BitBlt(1, 0, 4, 1, self, 0, 0, rop3::SrcInvert);
    for (int x = 1; x < 5; ++x) EXPECT_EQ(strip->GetPixel(x, 0), static_cast<ColorRef>(x ^ (x - 1)));
}

TEST(DCBlit, PatternBrushesTileFromTheBrushOrigin) {
    auto tile = Bitmap::Create(2, 2, 1);
    tile->SetNative(0, 0, 1);
    tile->SetNative(1, 1, 1);
    Brush checker{BrushStyle::Pattern, 0, HatchStyle::Horizontal, std::shared_ptr<Bitmap>(tile.release())};
    auto bmp = WhiteCanvas(4, 2);
    DC dc(bmp.get());
    dc.SetTextColor(0x000000); // 0 bits
    dc.SetBkColor(0xFFFFFF);   // 1 bits
    dc.SetBrushOrg({1, 0});
    dc.FillRect({0, 0, 4, 2}, checker);
    EXPECT_EQ(Picture(*bmp), (Rows{"#.#.", ".#.#"}));
    dc.SelectBrush(checker);
    dc.PatBlt(0, 0, 4, 2, rop3::PatInvert); // pattern ^ itself: all black
    EXPECT_EQ(Picture(*bmp), (Rows{"####", "####"}));
}

TEST(DCBlit, CopiesBetweenDepthsConvertColours) {
    for (int bpp : {4, 8, 16, 24}) {
        SCOPED_TRACE(bpp);
        auto src = Source(bpp);
        auto dst = WhiteCanvas(4, 2);
        DC to(dst.get());
        to.DrawBitmap(0, 0, *src);
        EXPECT_EQ(Picture(*dst), (Rows{"#.#?", "?#.."}));
    }
}

} // namespace
} // namespace plat::gdi
