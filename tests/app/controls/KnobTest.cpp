#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "app/controls/TstKnob.h"
#include "tests/app/controls/ControlTestSupport.h"

namespace lxq {
namespace {

using namespace plat::comp;
namespace win = plat::win;

int Lightness(TColor c) { return RgbToHls(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF).l; }

class KnobTest : public testing::Test {
protected:
    KnobTest() {
        knob_ = new TstKnob(nullptr);
        knob_->SetParent(&parent_);
        knob_->OnUpDown = [this](TObject* s, bool up, TShiftState) {
            EXPECT_EQ(s, knob_);
            steps_.push_back(up);
        };
    }
    // The pointer comes to a place, then a button goes down there.
    void PressAt(int x, int y, TMouseButton button = TMouseButton::mbLeft) {
        test::Mouse(*knob_, win::WM_MOUSEMOVE, x, y);
        const bool left = button == TMouseButton::mbLeft;
        test::Mouse(*knob_, left ? win::WM_LBUTTONDOWN : win::WM_RBUTTONDOWN, x, y,
                    left ? win::MK_LBUTTON : win::MK_RBUTTON);
    }
    void ReleaseAt(int x, int y, TMouseButton button = TMouseButton::mbLeft) {
        test::Mouse(*knob_, button == TMouseButton::mbLeft ? win::WM_LBUTTONUP : win::WM_RBUTTONUP, x, y);
    }

    TWinControl parent_{nullptr};
    TstKnob* knob_;
    std::vector<bool> steps_;
};

TEST_F(KnobTest, StepsTurnTheDimpleByAFullTurnOverStepCount) {
    knob_->SetStepCount(24);
    knob_->Step(true, 0, false);
    EXPECT_NEAR(knob_->Angle(), std::numbers::pi / 12, 1e-12) << "15 degrees";
    for (int i = 1; i < 24; ++i) knob_->Step(true, 0, true);
    EXPECT_NEAR(knob_->Angle(), 2 * std::numbers::pi, 1e-9) << "not wrapped";
    EXPECT_EQ(steps_.size(), 23u) << "steps without Notify are not reported";
}

TEST_F(KnobTest, HalvesAndButtonsChooseTheDirection) {
    struct Case {
        int y;
        TMouseButton button;
        std::vector<bool> expected;
    };
    const Case cases[] = {
        {70, TMouseButton::mbLeft, {true}},   // lower half, left: up
        {30, TMouseButton::mbLeft, {false}},  // upper half, left: down
        {70, TMouseButton::mbRight, {false}},
        {30, TMouseButton::mbRight, {true}},
        {1, TMouseButton::mbLeft, {}},        // outside the body
    };
    for (const auto& c : cases) {
        steps_.clear();
        PressAt(50, c.y, c.button);
        ReleaseAt(50, c.y, c.button);
        EXPECT_EQ(steps_, c.expected) << c.y;
    }
    test::Mouse(*knob_, win::WM_MOUSEMOVE, 50, 70);
    EXPECT_EQ(knob_->Cursor(), KnobCursor::Down);
    test::Mouse(*knob_, win::WM_MOUSEMOVE, 50, 30);
    EXPECT_EQ(knob_->Cursor(), KnobCursor::Up);
    test::Mouse(*knob_, win::WM_MOUSEMOVE, 2, 2);
    EXPECT_EQ(knob_->Cursor(), KnobCursor::Default);
}

TEST_F(KnobTest, HoldingRepeatsEverySpeedFromDelay) {
    test::FakeTime time;
    knob_->SetSpeed(50);
    knob_->SetDelay(500);
    std::vector<std::int64_t> at;
    const std::int64_t start = time.NowMs();
    knob_->OnUpDown = [&](TObject*, bool up, TShiftState) {
        EXPECT_TRUE(up);
        at.push_back(time.NowMs() - start);
    };
    PressAt(50, 70);
    time.Advance(700);
    ReleaseAt(50, 70);
    time.Advance(300);
    EXPECT_EQ(at, (std::vector<std::int64_t>{0, 500, 550, 600, 650, 700}));
}

TEST_F(KnobTest, MovingToTheOtherHalfTurnsBackAndRestartsTheDelay) {
    test::FakeTime time;
    knob_->SetSpeed(50);
    knob_->SetDelay(200);
    PressAt(50, 70);
    time.Advance(300);
    const auto ups = steps_.size();
    test::Mouse(*knob_, win::WM_MOUSEMOVE, 50, 30, win::MK_LBUTTON);
    time.Advance(150);
    EXPECT_EQ(steps_.size(), ups) << "the delay starts again";
    time.Advance(100);
    ASSERT_GT(steps_.size(), ups);
    EXPECT_FALSE(steps_.back());
    test::Mouse(*knob_, win::WM_MOUSEMOVE, 1, 1, win::MK_LBUTTON);
    const auto n = steps_.size();
    time.Advance(300);
    EXPECT_EQ(steps_.size(), n) << "leaving the body stops";
    ReleaseAt(1, 1);
}

TEST_F(KnobTest, KnobSitsCentredInAWideControl) {
    knob_->SetBounds(0, 0, 100, 60);
    EXPECT_EQ(knob_->KnobPos(), (TPoint{20, 0}));
    EXPECT_EQ(knob_->KnobSize(), 60);
}

TEST_F(KnobTest, KeysSwallowedByTheOwnerGoNoFurther) {
    int reached = 0;
    knob_->OnKeyDown = [&](TObject*, std::uint16_t&, TShiftState) { ++reached; };
    knob_->OnKeyMessage = [](TObject*, TMessage& m, bool& handled) {
        handled = m.WParam == vk::Up;
    };
    knob_->Perform(win::WM_KEYDOWN, vk::Up);
    EXPECT_EQ(reached, 0);
    knob_->Perform(win::WM_KEYDOWN, vk::Down);
    EXPECT_EQ(reached, 1);
}

TEST_F(KnobTest, RenderingLightFromTheUpperLeftAndAMovingDimple) {
    knob_->SetColor(0x808080);
    knob_->SetKnobColor(0x909090);
    knob_->SetSmallKnobColor(0x909090);
    const auto atZero = test::Render(*knob_);
    // The body's centre and the background corner.
    EXPECT_EQ(test::PixelAt(*atZero, 50, 40), 0x909090u);
    EXPECT_EQ(test::PixelAt(*atZero, 0, 0), 0x808080u);
    // The raised rim: lighter at the upper left, darker at the lower right.
    const int body = Lightness(0x909090);
    EXPECT_GT(Lightness(test::PixelAt(*atZero, 22, 22)), body);
    EXPECT_LT(Lightness(test::PixelAt(*atZero, 76, 76)), body);
    // A tick mark at 3 o'clock, lighter than the background.
    int brightest = 0;
    for (int y = 48; y <= 51; ++y)
        for (int x = 92; x <= 96; ++x) brightest = std::max(brightest, Lightness(test::PixelAt(*atZero, x, y)));
    EXPECT_GT(brightest, Lightness(0x808080));
    // The dimple at angle 0 sits right of centre: dark (sunken) at its upper left.
    const TRect d0 = knob_->DimpleRect();
    EXPECT_EQ(d0, (TRect{76, 46, 84, 54}));
    EXPECT_LT(Lightness(test::PixelAt(*atZero, d0.left + 1, d0.top + 2)), body);

    knob_->SetAngle(std::numbers::pi / 2);
    const TRect d90 = knob_->DimpleRect();
    EXPECT_EQ(d90, (TRect{46, 76, 54, 84}));
    const auto atQuarter = test::Render(*knob_);
    int changed = 0;
    for (int y = 0; y < 100; ++y) {
        for (int x = 0; x < 100; ++x) {
            if (test::PixelAt(*atZero, x, y) == test::PixelAt(*atQuarter, x, y)) continue;
            ++changed;
            EXPECT_TRUE(d0.Contains({x, y}) || d90.Contains({x, y})) << x << "," << y;
        }
    }
    EXPECT_GT(changed, 0) << "only the dimple moves";
    knob_->SetAngle(2 * std::numbers::pi);
    const auto fullTurn = test::Render(*knob_);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x)
            ASSERT_EQ(test::PixelAt(*fullTurn, x, y), test::PixelAt(*atZero, x, y)) << x << "," << y;
}

} // namespace
} // namespace lxq
