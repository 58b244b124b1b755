#include <gtest/gtest.h>

#include <cstdlib>

#include "app/controls/ColorShadow.h"
#include "app/controls/TstEdit.h"
#include "app/controls/TstMemo.h"
#include "platform/components/ScrollBarPainter.h"
#include "tests/app/controls/ControlTestSupport.h"

namespace lxq {
namespace {

using namespace plat::comp;

struct HlsCase {
    int r, g, b;
    Hls hls;
};

TEST(ColorShadowTest, RgbToHlsAndBack) {
    const HlsCase cases[] = {
        {255, 255, 255, {240, 360, 0}}, {0, 0, 0, {240, 0, 0}},     {128, 128, 128, {240, 181, 0}},
        {255, 0, 0, {0, 180, 360}},     {0, 255, 0, {120, 180, 360}}, {0, 0, 255, {240, 180, 360}},
        {200, 100, 50, {20, 176, 216}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.r << "," << c.g << "," << c.b);
        EXPECT_EQ(RgbToHls(c.r, c.g, c.b), c.hls);
        if (c.hls.s != 0) {
            EXPECT_EQ(HlsToRgb(c.hls.h, c.hls.l, c.hls.s), (Rgb{c.r, c.g, c.b}));
        }
    }
}

TEST(ColorShadowTest, GreysSurviveTheModelWithinRounding) {
    for (int v = 0; v <= 255; ++v) {
        const Hls hls = RgbToHls(v, v, v);
        EXPECT_EQ(hls.s, 0);
        EXPECT_EQ(hls.h, 240);
        const Rgb back = HlsToRgb(hls.h, hls.l, hls.s);
        EXPECT_LE(std::abs(back.r - v), 1) << v;
        EXPECT_EQ(back.r, back.g);
        EXPECT_EQ(back.g, back.b);
    }
}

struct ShadowCase {
    TColor color;
    int offset, steps, k;
    TColor expected;
};

TEST(ColorShadowTest, GetColorShadowShiftsLightnessByKOverSteps) {
    const ShadowCase cases[] = {
        {clWhite, 50, 3, 3, clWhite},       // the offset is capped at 360 - L = 0
        {0x808080, 50, 0, 1, 0x808080},     // no steps: only through the model
        {0x808080, 90, 1, 1, 0xBFBFBF},     // L 181 + 90
        {0x808080, 90, -1, 1, 0x404040},    // L 181 - 90
        {0x808080, 90, -3, 1, 0x6A6A6A},    // a third of the offset
        {0x808080, 90, 3, 2, 0xAAAAAA},     // two thirds
        {clBlack, 50, -2, 2, clBlack},      // nothing darker than black
        {0x202020, 100, -1, 1, clBlack},    // the offset is capped at L
        {0xF0F0F0, 100, 1, 1, clWhite},     // and at 360 - L
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.color << std::dec << " " << c.offset
                                        << " " << c.steps << " " << c.k);
        EXPECT_EQ(GetColorShadow(c.color, c.offset, c.steps, c.k), c.expected);
    }
    EXPECT_EQ(GetColorShadow(clBtnFace, 50, -2, 1), GetColorShadow(ColorToRGB(clBtnFace), 50, -2, 1))
        << "system colours are resolved first";
}

TEST(ColorShadowTest, DrawNCDrawsOneRingPerBorderPixelDarkTopLeftLightBottomRight) {
    TBitmap bitmap(20, 12);
    const TColor c = 0x808080;
    DrawNC(*bitmap.Canvas().Handle(), 20, 12, {2, 2, 18, 10}, c, 50);
    auto px = [&](int x, int y) { return test::PixelAt(bitmap, x, y); };
    EXPECT_EQ(px(0, 5), GetColorShadow(c, 50, -2, 1)) << "outer left ring: half the offset";
    EXPECT_EQ(px(1, 5), GetColorShadow(c, 50, -2, 2)) << "inner left ring: the full offset";
    EXPECT_EQ(px(5, 0), GetColorShadow(c, 50, -2, 1));
    EXPECT_EQ(px(5, 1), GetColorShadow(c, 50, -2, 2));
    EXPECT_EQ(px(19, 5), GetColorShadow(c, 50, 2, 1));
    EXPECT_EQ(px(18, 5), GetColorShadow(c, 50, 2, 2));
    EXPECT_EQ(px(5, 11), GetColorShadow(c, 50, 2, 1));
    EXPECT_EQ(px(5, 10), GetColorShadow(c, 50, 2, 2));
    EXPECT_EQ(px(19, 0), GetColorShadow(c, 50, 2, 1)) << "the right side owns its top corner";
    EXPECT_EQ(px(0, 11), GetColorShadow(c, 50, 2, 1)) << "the bottom side owns its left corner";
    EXPECT_EQ(px(5, 5), clWhite) << "the client area is left alone";
}

TEST(ColorShadowTest, ShadowEditFramesItselfFromTheParentsColour) {
    TWinControl parent(nullptr);
    parent.SetColor(0x808080);
    auto* edit = new TstEdit(nullptr);
    edit->SetParent(&parent);
    edit->SetBounds(0, 0, 40, 20);
    const auto plain = test::Render(*edit);
    edit->SetDefaultShadow(false);
    const auto shaded = test::Render(*edit);
    EXPECT_NE(test::PixelAt(*plain, 0, 10), GetColorShadow(0x808080, 50, -2, 1));
    EXPECT_EQ(test::PixelAt(*shaded, 0, 10), GetColorShadow(0x808080, 50, -2, 1));
    EXPECT_EQ(test::PixelAt(*shaded, 1, 10), GetColorShadow(0x808080, 50, -2, 2));
    EXPECT_EQ(test::PixelAt(*shaded, 39, 10), GetColorShadow(0x808080, 50, 2, 1));
    parent.SetColor(0x0000A0);
    const auto recoloured = test::Render(*edit);
    EXPECT_EQ(test::PixelAt(*recoloured, 0, 10), GetColorShadow(0x0000A0, 50, -2, 1))
        << "the frame follows the parent's colour";
}

TEST(ColorShadowTest, MemoFrameGoesRoundTheScrollBars) {
    TWinControl parent(nullptr);
    parent.SetColor(0x808080);
    auto* memo = new TstMemo(nullptr);
    memo->SetParent(&parent);
    memo->SetBounds(0, 0, 60, 50);
    memo->SetScrollBars(TScrollStyle::ssBoth);
    memo->SetDefaultShadow(false);
    const auto bitmap = test::Render(*memo);
    // The frame's inner right ring lies outside the vertical bar, and the corner square where
    // both bars meet takes the parent's colour.
    EXPECT_EQ(test::PixelAt(*bitmap, 58, 10), GetColorShadow(0x808080, 50, 2, 2));
    EXPECT_EQ(test::PixelAt(*bitmap, 58 - kScrollBarSize / 2, 48 - kScrollBarSize / 2), 0x808080u);
}

} // namespace
} // namespace lxq
