#include "platform/gdi/DC.h"

#include "platform/gdi/FontFace.h"
#include "platform/gdi/FontLibrary.h"
#include "tests/platform/gdi/Picture.h"

#include <gtest/gtest.h>

#include <limits>
#include <thread>

namespace plat::gdi {
namespace {

using test::WhiteCanvas;

// Bounds of the pixels that are not white.
Rect InkBounds(const Bitmap& bmp) {
    Rect r{};
    for (int y = 0; y < bmp.Height(); ++y)
        for (int x = 0; x < bmp.Width(); ++x)
            if (bmp.GetPixel(x, y) != 0xFFFFFF) r = r.Union({x, y, x + 1, y + 1});
    return r;
}

Font Arial(int height, int weight = 400, bool italic = false) {
    return Font(FontDesc{height, weight, italic, false, false, "Arial"});
}

// A white canvas with a context that draws text of the given height on a transparent background.
struct TextCanvas {
    TextCanvas(int width, int height, int fontHeight)
        : bmp(WhiteCanvas(width, height)), dc(bmp.get()) {
        dc.SelectFont(Arial(fontHeight));
        dc.SetBkMode(BkMode::Transparent);
    }
    std::unique_ptr<Bitmap> bmp;
    DC dc;
};

TEST(DCText, TheSystemsFaceResolvesToItsMetricTwinWithPlausibleMetrics) {
    const auto [path, index] = FontLibrary::Instance().Locate(FontDesc{});
    EXPECT_NE(path.find("LiberationSans-Regular"), std::string::npos) << path;
    const auto italic = FontLibrary::Instance().Locate(FontDesc{-11, 700, true});
    EXPECT_NE(italic.first.find("LiberationSans-BoldItalic"), std::string::npos) << italic.first;

    auto bmp = WhiteCanvas(10, 10);
    DC dc(bmp.get());
    dc.SelectFont(Arial(-11));
    TextMetrics tm = dc.GetTextMetrics();
    EXPECT_EQ(tm.ascent, 10);
    EXPECT_EQ(tm.descent, 3);
    EXPECT_EQ(tm.height, 13);
    EXPECT_EQ(tm.internalLeading, 2);
    EXPECT_GE(tm.aveCharWidth, 4);
    EXPECT_LE(tm.aveCharWidth, 6);
    dc.SelectFont(Arial(20)); // positive: the whole cell
    tm = dc.GetTextMetrics();
    EXPECT_EQ(tm.height, 20);
    EXPECT_GT(tm.ascent, tm.descent);
    dc.SelectFont(Arial(std::numeric_limits<int>::min())); // limited, not overflowing
    EXPECT_GT(dc.GetTextMetrics().height, 900);
    dc.SelectFont(Arial(-20, 700, true));
    tm = dc.GetTextMetrics();
    EXPECT_EQ(tm.weight, 700);
    EXPECT_TRUE(tm.italic);
}

TEST(DCText, ExtentsAddUpCharacterByCharacterAndStayStable) {
    auto bmp = WhiteCanvas(10, 10);
    DC dc(bmp.get());
    dc.SelectFont(Arial(-13));
    const Size m = dc.GetTextExtent("M");
    EXPECT_GT(m.cx, 5);
    EXPECT_EQ(dc.GetTextExtent("MMMM").cx, 4 * m.cx);
    EXPECT_EQ(dc.GetTextExtent("145.500").cx, dc.GetTextExtent("145.500").cx);
    EXPECT_EQ(dc.GetTextExtent("").cx, 0);
    EXPECT_EQ(dc.GetTextExtent("x").cy, dc.GetTextMetrics().height);
    EXPECT_LT(dc.GetTextExtent("iiii").cx, dc.GetTextExtent("WWWW").cx);
    dc.SelectFont(Arial(-13, 700));
    EXPECT_GT(dc.GetTextExtent("Frequency").cx, 0);
    const int bold = dc.GetTextExtent("Frequency").cx;
    dc.SelectFont(Arial(-13));
    const int regular = dc.GetTextExtent("Frequency").cx;
    EXPECT_LT(regular, bold);
    dc.SelectFont(Arial(-26));
    EXPECT_NEAR(dc.GetTextExtent("Frequency").cx, 2 * regular, regular / 10.0);
}

TEST(DCText, TextOutDrawsInsideItsCellAndHonoursAlignment) {
    TextCanvas bmpCanvas(80, 30, -16);
    auto& bmp = bmpCanvas.bmp;
    DC& dc = bmpCanvas.dc;
    const Size ext = dc.GetTextExtent("Hg");
    dc.TextOut(10, 5, "Hg");
    const Rect ink = InkBounds(*bmp);
    EXPECT_FALSE(ink.IsEmpty());
    EXPECT_GE(ink.left, 10);
    EXPECT_LE(ink.right, 10 + ext.cx + 1);
    EXPECT_GE(ink.top, 5);
    EXPECT_LE(ink.bottom, 5 + ext.cy);

    auto right = WhiteCanvas(80, 30);
    DC rdc(right.get());
    rdc.SelectFont(Arial(-16));
    rdc.SetTextAlign(ta::Right | ta::Baseline);
    rdc.SetBkColor(0x00FF00);
    rdc.TextOut(70, 20, "Hg");
    // Opaque background: the whole cell is painted, ending at x = 70, baseline at y = 20.
    const TextMetrics tm = rdc.GetTextMetrics();
    EXPECT_EQ(right->GetPixel(70 - ext.cx, 20 - tm.ascent), 0x00FF00u);
    EXPECT_EQ(right->GetPixel(69, 20 + tm.descent - 1), 0x00FF00u);
    EXPECT_EQ(right->GetPixel(70, 20), 0xFFFFFFu);
    EXPECT_EQ(right->GetPixel(70 - ext.cx - 1, 20), 0xFFFFFFu);
}

TEST(DCText, DrawTextCentresClipsAndMeasures) {
    TextCanvas bmpCanvas(100, 40, -14);
    auto& bmp = bmpCanvas.bmp;
    DC& dc = bmpCanvas.dc;
    Rect r{0, 0, 100, 40};
    dc.DrawText("Centre", r, dt::Center | dt::VCenter | dt::SingleLine);
    const Rect ink = InkBounds(*bmp);
    EXPECT_NEAR((ink.left + ink.right) / 2.0, 50.0, 2.0);
    EXPECT_NEAR((ink.top + ink.bottom) / 2.0, 20.0, 4.0);

    // Clipped to the rectangle unless told otherwise.
    auto clipped = WhiteCanvas(100, 40);
    DC cdc(clipped.get());
    cdc.SelectFont(Arial(-14));
    Rect narrow{10, 10, 30, 30};
    cdc.DrawText("WWWWWWWW", narrow, dt::SingleLine);
    const Rect cink = InkBounds(*clipped);
    EXPECT_GE(cink.left, 10);
    EXPECT_LE(cink.right, 30);

    Rect measure{0, 0, 60, 0};
    const int height = dc.DrawText("one two three four", measure, dt::WordBreak | dt::CalcRect);
    const int lineHeight = dc.GetTextMetrics().height;
    EXPECT_EQ(height % lineHeight, 0);
    EXPECT_GE(height, 2 * lineHeight);
    EXPECT_EQ(measure.bottom, height);
    EXPECT_LE(measure.right, 60);
    EXPECT_GT(measure.right, 0);
}

TEST(DCText, EllipsisFitsTheRectangle) {
    TextCanvas bmpCanvas(60, 20, -12);
    auto& bmp = bmpCanvas.bmp;
    DC& dc = bmpCanvas.dc;
    Rect r{0, 0, 40, 20};
    Rect calc = r;
    dc.DrawText("A rather long caption", calc, dt::SingleLine | dt::EndEllipsis | dt::CalcRect);
    EXPECT_LE(calc.Width(), 40);
    dc.DrawText("A rather long caption", r, dt::SingleLine | dt::EndEllipsis | dt::NoClip);
    EXPECT_LE(InkBounds(*bmp).right, 41);
}

TEST(DCText, GivenWidthsPlaceEachCharacterAndClipRegionsCutGlyphs) {
    TextCanvas bmpCanvas(60, 20, -14);
    auto& bmp = bmpCanvas.bmp;
    DC& dc = bmpCanvas.dc;
    const int widths[] = {20, 20};
    dc.ExtTextOut(0, 0, 0, nullptr, "lll", widths);
    // Narrow 'l's: one stroke near x = 1, 21 and 41.
    for (int x0 : {0, 20, 40}) {
        bool ink = false;
        for (int x = x0; x < x0 + 5; ++x)
            for (int y = 0; y < 20; ++y) ink = ink || bmp->GetPixel(x, y) != 0xFFFFFF;
        EXPECT_TRUE(ink) << x0;
    }
    EXPECT_EQ(InkBounds(*bmp).right <= 46, true);

    auto cut = WhiteCanvas(60, 20);
    DC cdc(cut.get());
    cdc.SelectFont(Arial(-14));
    const Rect holes[] = {{0, 0, 10, 20}, {20, 0, 30, 20}};
    const Region clip = Region::FromRects(holes);
    cdc.SelectClipRegion(&clip);
    cdc.TextOut(0, 0, "MMMMMM");
    for (int y = 0; y < 20; ++y)
        for (int x = 10; x < 20; ++x) ASSERT_EQ(cut->GetPixel(x, y), 0xFFFFFFu) << x << "," << y;
    EXPECT_FALSE(InkBounds(*cut).IsEmpty());
}

// Fonts and their glyph caches are shared by every context of the process, on any thread.
TEST(DCText, ContextsOnSeveralThreadsShareOneFontSafely) {
    const Font shared = Arial(-17, 700);
    std::vector<std::thread> threads;
    std::vector<int> widths(4, 0);
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            auto bmp = WhiteCanvas(200, 30);
            DC dc(bmp.get());
            dc.SelectFont(shared);
            for (int i = 0; i < 50; ++i) {
                dc.TextOut(0, 0, "Signal \xC2\xB5V 0123456789");
                widths[static_cast<std::size_t>(t)] = dc.GetTextExtent("Signal \xC2\xB5V 0123456789").cx;
            }
        });
    for (std::thread& th : threads) th.join();
    for (int w : widths) EXPECT_EQ(w, widths[0]);
    EXPECT_GT(widths[0], 0);
}

TEST(DCText, TextOnALowDepthBitmapUsesWholePixels) {
    auto bmp = Bitmap::Create(40, 20, 1);
    bmp->Clear(0xFFFFFF);
    DC dc(bmp.get());
    dc.SelectFont(Arial(-14));
    dc.SetBkMode(BkMode::Transparent);
    dc.TextOut(2, 2, "Ab");
    int black = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x) black += bmp->GetPixel(x, y) == 0 ? 1 : 0;
    EXPECT_GT(black, 10);
}

} // namespace
} // namespace plat::gdi
