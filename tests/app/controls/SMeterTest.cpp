#include <gtest/gtest.h>

#include <limits>

#include <cmath>
#include <vector>

#include "app/controls/SMeterScale.h"
#include "app/controls/TmySMeter.h"
#include "tests/app/controls/ControlTestSupport.h"

namespace lxq {
namespace {

using namespace plat::comp;

TEST(SMeterScaleTest, ReadoutTexts) {
    struct Case {
        double dbm;
        bool dbmOn, sUnits, uv, pp;
        const char* text;
    };
    const std::vector<Case> cases = {
        {-73.4, true, true, false, false, "-73 dBm"},
        {-102, false, true, false, false, "S3"}, // strictly below: S3 is -108
        {-101, false, true, false, false, "S4"},
        {-125, false, true, false, false, "S0"},
        {-5, false, true, false, false, "S9+60dB"}, // S9+70dB is never reached
        {-107, false, false, true, false, "1.0 µV"},
        {-47, false, false, true, false, "998.8 µV"},
        {-40, false, false, true, false, "2.2 mV"},
        {-107, false, false, true, true, "2.8 µV"},
        {-60, false, false, false, false, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SMeterReadout(c.dbm, c.dbmOn, c.sUnits, c.uv, c.pp), c.text) << c.dbm;
    }
}

TEST(SMeterScaleTest, LabelsAtEveryBigTick) {
    EXPECT_EQ(ScaleLabelValues(-130, -30, 6), (std::vector<double>{-130, -110, -90, -70, -50, -30}));
    EXPECT_EQ(ScaleLabelValues(0, 10, 0), (std::vector<double>{0, 10}));
}

TEST(SMeterScaleTest, LevelsAndMarks) {
    EXPECT_EQ(SUnitLevel(8, false), -72);
    EXPECT_EQ(SUnitLevel(8, true), -92) << "S9 sits 20 dB lower below 30 MHz";
    EXPECT_EQ(SUnitLevel(15, false), -2);
    EXPECT_STREQ(SUnitLabel(9), "9+10dB");
    const double oneMicrovolt = 10 * std::log10(20e-12); // -106.99 dBm into 50 ohms
    EXPECT_NEAR(MicrovoltDbm(MicrovoltMark(1), false), oneMicrovolt, 1e-9);
    EXPECT_NEAR(MicrovoltDbm(MicrovoltMark(1), true),
                oneMicrovolt - 20 * std::log10(2 * std::sqrt(2.0)), 1e-9);
    EXPECT_DOUBLE_EQ(MicrovoltMark(0), 0.1);
    EXPECT_DOUBLE_EQ(MicrovoltMark(3), 100.0);
}

class SMeterTest : public testing::Test {
protected:
    SMeterTest() {
        meter_ = new TmySMeter(nullptr);
        meter_->SetParent(&parent_);
        meter_->SetBounds(0, 0, 240, 140);
        meter_->SetMin(-130);
        meter_->SetMax(-30);
        meter_->SetSquelch(-80);
    }
    // The brightest colour near the middle of the needle for the present position (the
    // anti-aliased needle's axis).
    TColor NeedleMiddle() {
        const double f = (meter_->Position() - meter_->Min()) / (meter_->Max() - meter_->Min());
        int x = 0, y = 0;
        meter_->GetPixel(f, 0.5, x, y);
        const auto frame = test::Render(*meter_);
        TColor best = 0;
        auto sum = [](TColor c) { return (c & 0xFF) + (c >> 8 & 0xFF) + (c >> 16 & 0xFF); };
        for (int dy = -3; dy <= 3; ++dy)
            for (int dx = -3; dx <= 3; ++dx) {
                const TColor c = test::PixelAt(*frame, x + dx, y + dy);
                if (sum(c) > sum(best)) best = c;
            }
        return best;
    }

    TWinControl parent_{nullptr};
    TmySMeter* meter_;
};

TEST_F(SMeterTest, ValuesAreClampedIntoTheScale) {
    meter_->SetPosition(-200);
    EXPECT_EQ(meter_->Position(), -130);
    meter_->SetPosition(10);
    EXPECT_EQ(meter_->Position(), -30);
    meter_->SetSecPosition(-500);
    EXPECT_EQ(meter_->SecPosition(), -130);
    meter_->SetSquelch(0);
    EXPECT_EQ(meter_->Squelch(), -30);
}

// A scale of no width or a level that is no number leaves the needle at rest at the scale's start,
// drawn as for a level at Min: no position on the dial comes of a division by zero.
TEST_F(SMeterTest, ANeedleWithoutAPlaceRestsAtTheStart) {
    meter_->SetPosition(-130);
    const auto atRest = test::Render(*meter_);
    auto same = [&](const char* what) {
        const auto frame = test::Render(*meter_);
        int differing = 0;
        for (int y = 0; y < meter_->Height(); ++y)
            for (int x = 0; x < meter_->Width(); ++x)
                differing += test::PixelAt(*frame, x, y) != test::PixelAt(*atRest, x, y);
        EXPECT_EQ(differing, 0) << what;
    };
    meter_->SetPosition(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(meter_->Position(), -130);
    same("a NaN position");
    meter_->SetSecPosition(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(meter_->SecPosition(), -130);

    meter_->SetMax(-130); // Min = Max
    meter_->SetPosition(-130);
    EXPECT_EQ(meter_->Position(), -130);
    const auto flat = test::Render(*meter_);
    int x = 0, y = 0;
    meter_->GetPixel(0, 0.5, x, y);
    int lit = 0;
    for (int dy = -3; dy <= 3; ++dy)
        for (int dx = -3; dx <= 3; ++dx) lit += test::PixelAt(*flat, x + dx, y + dy) != ColorToRGB(meter_->Color());
    EXPECT_GT(lit, 0) << "the needle stands at the start";
}

TEST_F(SMeterTest, OnlyScaleChangesRenderTheScaleAgain) {
    const int renders = meter_->ScaleRenders();
    meter_->SetSquelch(-80);
    meter_->SetPosition(-60);
    meter_->SetNeedleColor(0x00FF00);
    EXPECT_EQ(meter_->ScaleRenders(), renders) << "same squelch, needle and position only repaint";
    meter_->SetSquelch(-70);
    meter_->SetShowSUnits(true);
    meter_->SetShowSUnits(true);
    EXPECT_EQ(meter_->ScaleRenders(), renders + 2);
}

TEST_F(SMeterTest, NeedleColourFollowsTheSquelch) {
    meter_->SetPosition(-50);
    EXPECT_EQ(NeedleMiddle(), 0xFFFFFFu) << "at or above the squelch: NeedleColor";
    meter_->SetPosition(-110);
    EXPECT_EQ(NeedleMiddle(), 0x0000FFu) << "below the squelch: SquelchColor";
    meter_->SetDefeat(true);
    EXPECT_EQ(NeedleMiddle(), 0xFFFFFFu) << "a defeated squelch never colours the needle";
}

TEST_F(SMeterTest, ScaleIsRenderedAtHalfSizeAndChangesColourAtTheSquelch) {
    meter_->SetPosition(-130); // needle out of the way at the left end
    const auto& scale = meter_->ScaleBitmap();
    EXPECT_EQ(scale.Width(), 240);
    EXPECT_EQ(scale.Height(), 140);
    // On the arc: the right end is in the font colour (yellow), the left end in the squelch
    // colour (red); the averaging keeps the hue.
    int x = 0, y = 0;
    auto arcColour = [&](double f) {
        meter_->GetPixel(f, 1, x, y);
        TColor best = 0;
        for (int dy = -2; dy <= 2; ++dy) {
            const TColor c = scale.Surface().GetPixel(x, y + dy);
            if ((c & 0xFF) + (c >> 8 & 0xFF) + (c >> 16 & 0xFF) >
                (best & 0xFF) + (best >> 8 & 0xFF) + (best >> 16 & 0xFF))
                best = c;
        }
        return best;
    };
    const TColor right = arcColour(0.9);
    EXPECT_GT(right & 0xFF, 0x80u);
    EXPECT_GT(right >> 8 & 0xFF, 0x80u);
    EXPECT_EQ(right >> 16 & 0xFF, 0u);
    const TColor left = arcColour(0.1);
    EXPECT_GT(left & 0xFF, 0x80u);
    EXPECT_EQ(left >> 8 & 0xFF, 0u);
}

TEST_F(SMeterTest, DisabledMeterHasNoNeedleAndRestoresItsColours) {
    int changes = 0;
    meter_->OnEnableChanged = [&](TObject*) { ++changes; };
    meter_->SetDisableColor(0x404040);
    meter_->SetPosition(-50);
    meter_->SetEnabled(false);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(meter_->Font().Color(), 0x404040u);
    EXPECT_EQ(NeedleMiddle(), 0u);
    meter_->SetEnabled(true);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(meter_->Font().Color(), 0x00FFFFu);
    EXPECT_EQ(NeedleMiddle(), 0xFFFFFFu);
}

TEST_F(SMeterTest, StatusTextsAreAskedForEachPlace) {
    std::vector<int> asked;
    meter_->OnDebugString = [&](TObject* sender, int index, TFont&, std::string& text) {
        EXPECT_EQ(sender, meter_);
        EXPECT_TRUE(text.empty());
        asked.push_back(index);
        if (index == 0) text = "AGC";
    };
    meter_->SetPosition(-130);
    const auto frame = test::Render(*meter_);
    EXPECT_EQ(asked, (std::vector<int>{0, 1, 2, 3, 4, 5, 6}));
    int lit = 0;
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 30; ++x) lit += test::PixelAt(*frame, x, y) == 0x00FFFFu;
    EXPECT_GT(lit, 5) << "top-left text in the read-out font's colour";
}

TEST_F(SMeterTest, NeedleIsBlendedTowardBlack) {
    meter_->SetPosition(-130);
    meter_->ComposeFrame();
    // A vertical needle, six subpixels wide on a 3x3 grid offset by 2 subpixels: a pixel in
    // full colour and a partly covered one beside it, black beyond.
    meter_->DrawNeedle(100, 20, 100, 60, 0x00FF00);
    const auto& buffer = meter_->Buffer();
    EXPECT_EQ(buffer.Surface().GetPixel(99, 40), 0x00FF00u);
    const TColor rim = buffer.Surface().GetPixel(98, 40);
    EXPECT_GT(rim >> 8 & 0xFF, 0u);
    EXPECT_LT(rim >> 8 & 0xFF, 0xFFu);
    EXPECT_EQ(rim & 0xFF00FF, 0u);
    EXPECT_EQ(buffer.Surface().GetPixel(97, 40), 0u);
    EXPECT_EQ(buffer.Surface().GetPixel(100, 40), 0u);
}

} // namespace
} // namespace lxq
