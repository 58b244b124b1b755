#include <gtest/gtest.h>

#include <vector>

#include "app/controls/TmyTuningPad.h"
#include "tests/app/controls/ControlTestSupport.h"

namespace lxq {
namespace {

using namespace plat::comp;
namespace win = plat::win;

class TuningPadTest : public testing::Test {
protected:
    TuningPadTest() {
        pad_ = new TmyTuningPad(nullptr);
        pad_->SetParent(&parent_);
        pad_->OnStep = [this](TComponent* c, int step) {
            EXPECT_EQ(c, pad_);
            steps_.push_back(step);
        };
    }
    void Down(TmyImage& area, int x, TMouseButton button = TMouseButton::mbLeft) {
        const std::uint32_t msg = button == TMouseButton::mbLeft    ? win::WM_LBUTTONDOWN
                                  : button == TMouseButton::mbRight ? win::WM_RBUTTONDOWN
                                                                    : win::WM_MBUTTONDOWN;
        test::Mouse(area, msg, x, 2);
    }
    void Up(TmyImage& area, int x, TMouseButton button = TMouseButton::mbLeft) {
        const std::uint32_t msg = button == TMouseButton::mbLeft    ? win::WM_LBUTTONUP
                                  : button == TMouseButton::mbRight ? win::WM_RBUTTONUP
                                                                    : win::WM_MBUTTONUP;
        test::Mouse(area, msg, x, 2);
    }

    TWinControl parent_{nullptr};
    TmyTuningPad* pad_;
    std::vector<int> steps_;
};

TEST_F(TuningPadTest, StepGrowsWithTheDistanceFromTheCentre) {
    ASSERT_EQ(pad_->Width(), 200);
    EXPECT_EQ(pad_->HalfRange(), 90);
    const std::pair<int, int> cases[] = {
        {100, 0},     {101, 0},      {105, 1},        {95, -1},      {112, 10},
        {126, 1000},  {74, -1000},   {139, 6250},     {177, 50000},  {190, 1'000'000},
        {199, 1'000'000}, {0, -1'000'000},
    };
    for (const auto& [x, step] : cases) EXPECT_EQ(pad_->GetStep(x), step) << x;
}

TEST_F(TuningPadTest, RightButtonReversesTheSign) {
    Down(pad_->DragArea(), 74, TMouseButton::mbRight);
    Up(pad_->DragArea(), 74, TMouseButton::mbRight);
    Down(pad_->DragArea(), 74);
    Up(pad_->DragArea(), 74);
    Down(pad_->Key(0), 2, TMouseButton::mbRight);
    Up(pad_->Key(0), 2, TMouseButton::mbRight);
    EXPECT_EQ(steps_, (std::vector<int>{1000, -1000, 10000}));
}

TEST_F(TuningPadTest, KeysEmitTheSharedTable) {
    TmyTuningPad other(nullptr);
    TmyTuningPad::SetStep(13, 25000);
    TmyTuningPad::SetStep(14, 1);  // ignored
    TmyTuningPad::SetStep(-1, 1);  // ignored
    Down(pad_->Key(13), 2);
    Up(pad_->Key(13), 2);
    TmyTuningPad::SetStep(13, 10000);
    Down(pad_->Key(6), 2);
    Up(pad_->Key(6), 2);
    EXPECT_EQ(steps_, (std::vector<int>{25000, -1}));
}

TEST_F(TuningPadTest, OneStepAtThePressThenDelayThenEveryInterval) {
    test::FakeTime time;
    std::vector<std::int64_t> at;
    const std::int64_t start = time.NowMs();
    pad_->OnStep = [&](TComponent*, int) { at.push_back(time.NowMs() - start); };
    Down(pad_->DragArea(), 126);
    EXPECT_TRUE(pad_->Held());
    EXPECT_FALSE(pad_->ConfinedTo().IsEmpty()) << "the pointer is kept in the drag area";
    time.Advance(1350);
    Up(pad_->DragArea(), 126);
    time.Advance(500);
    EXPECT_EQ(at, (std::vector<std::int64_t>{0, 1000, 1100, 1200, 1300}));
    EXPECT_TRUE(pad_->ConfinedTo().IsEmpty());
}

TEST_F(TuningPadTest, MiddleButtonDoesNothingButItsReleaseStillStops) {
    test::FakeTime time;
    Down(pad_->DragArea(), 126, TMouseButton::mbMiddle);
    time.Advance(1500);
    EXPECT_TRUE(steps_.empty());
    EXPECT_FALSE(pad_->Held());
    Down(pad_->DragArea(), 126);
    Up(pad_->DragArea(), 126, TMouseButton::mbMiddle);
    EXPECT_FALSE(pad_->Timer().Enabled());
    EXPECT_TRUE(pad_->ConfinedTo().IsEmpty());
}

TEST_F(TuningPadTest, TheStepFollowsThePointerWhileHeld) {
    test::FakeTime time;
    Down(pad_->DragArea(), 126);
    test::Mouse(pad_->DragArea(), win::WM_MOUSEMOVE, 177, 2, win::MK_LBUTTON);
    EXPECT_EQ(pad_->CursorLineX(), 177);
    time.Advance(1000);
    Up(pad_->DragArea(), 177);
    EXPECT_EQ(steps_, (std::vector<int>{1000, 50000}));
    pad_->DragArea().Perform(CM_MOUSELEAVE);
    EXPECT_EQ(pad_->CursorLineX(), -1);
}

// The rightmost inked column of the hint strip.
int HintEnd(TmyTuningPad& pad) {
    TBitmap& b = pad.HintStrip().Bitmap();
    for (int x = b.Width() - 1; x >= 0; --x)
        for (int y = 0; y < b.Height(); ++y)
            if (b.Canvas().Handle()->GetPixel(x, y) != pad.Color()) return x;
    return -1;
}

TEST_F(TuningPadTest, HintDigitsStayPutWhenTheSignFlips) {
    TmyImage& key = pad_->Key(12);
    test::Mouse(key, win::WM_MOUSEMOVE, 2, 2);
    const int positive = HintEnd(*pad_);
    TmyTuningPad::SetStep(12, -6250);
    test::Mouse(key, win::WM_MOUSEMOVE, 2, 2);
    const int negative = HintEnd(*pad_);
    TmyTuningPad::SetStep(12, 6250);
    ASSERT_GT(positive, 0);
    EXPECT_EQ(negative, positive) << "-6.25 kHz ends where +6.25 kHz ends";
    EXPECT_EQ(pad_->CurrentStep(), -6250);
}

TEST_F(TuningPadTest, GrowingRedrawsTheWholeScale) {
    pad_->SetBounds(0, 0, 400, 100);
    TBitmap& scale = pad_->ScaleStrip().Bitmap();
    ASSERT_EQ(scale.Width(), 400);
    EXPECT_EQ(scale.Canvas().Handle()->GetPixel(390, 2), pad_->Color());
    EXPECT_EQ(pad_->HalfRange(), 195);
}

TEST_F(TuningPadTest, ScaleTicksRiseFromTheStripsBottom) {
    TBitmap& scale = pad_->ScaleStrip().Bitmap();
    auto px = [&](int x, int y) { return scale.Canvas().Handle()->GetPixel(x, y); };
    const int bottom = scale.Height() - 1;
    EXPECT_EQ(px(100, bottom), clRed);
    EXPECT_EQ(px(100, bottom - 3), clRed) << "long tick at the centre";
    EXPECT_EQ(px(100 + 90 / 14, bottom), clRed);
    EXPECT_NE(px(100 + 90 / 14, bottom - 1), clRed) << "short tick";
    EXPECT_EQ(px(100 - 4 * 90 / 14, bottom - 3), clRed) << "long tick under the -1 label";
}

TEST_F(TuningPadTest, NarrowPads) {
    pad_->SetBounds(0, 0, 40, 100);
    EXPECT_EQ(pad_->Key(0).Width(), 0) << "keys of 4 - 4 pixels";
    EXPECT_EQ(pad_->HalfRange(), 15);
    pad_->SetBounds(0, 0, 20, 100);
    EXPECT_EQ(pad_->HalfRange(), 0);
    EXPECT_EQ(pad_->GetStep(19), 0) << "no scale, no rate";
}

} // namespace
} // namespace lxq

#include "platform/components/TApplication.h"
#include "platform/components/TForm.h"
#include "platform/win/InputApi.h"

namespace lxq {
namespace {

// Held down, the pad keeps the real pointer on the pressed area: a drag far beyond its end goes
// on at the end's step instead of leaving the pad. Releasing, or the pad going, frees the pointer.
TEST(TuningPadPointerTest, AHeldPadKeepsThePointerOnThePressedArea) {
    test::FakeTime time;
    Application().ResetTerminated();
    TForm form(nullptr);
    form.SetBounds(100, 100, 500, 200);
    auto* pad = new TmyTuningPad(nullptr);
    pad->SetParent(&form);
    pad->SetBounds(10, 10, 300, 60);
    std::vector<int> steps;
    pad->OnStep = [&](TComponent*, int step) { steps.push_back(step); };
    form.Show();
    Application().ProcessMessages();
    TmyImage& drag = pad->DragArea();
    const TPoint origin = drag.ClientToScreen({0, 0});
    const win::Point press{origin.x + drag.Width() / 2, origin.y + 2};
    win::InjectMouseMove(press);
    win::InjectMouseButton(press, win::MouseButton::Left, true);
    Application().ProcessMessages();
    ASSERT_TRUE(pad->Held());
    win::Rect clip;
    ASSERT_TRUE(win::GetClipCursor(&clip));
    EXPECT_EQ(clip.left, origin.x);
    EXPECT_EQ(clip.right, origin.x + drag.Width());

    win::InjectMouseMove({press.x + 2000, press.y + 500});
    Application().ProcessMessages();
    win::Point at;
    win::GetCursorPos(&at);
    EXPECT_EQ(at.x, origin.x + drag.Width() - 1) << "held at the drag area's right end";
    EXPECT_EQ(at.y, origin.y + drag.Height() - 1);
    EXPECT_EQ(pad->CursorLineX(), drag.Width() - 1);
    steps.clear();
    time.Advance(1000);
    ASSERT_FALSE(steps.empty());
    EXPECT_EQ(steps.back(), pad->GetStep(drag.Width() - 1)) << "the end's step";

    win::InjectMouseButton(at, win::MouseButton::Left, false);
    Application().ProcessMessages();
    EXPECT_FALSE(win::GetClipCursor(&clip)) << "free once released";

    win::InjectMouseButton(press, win::MouseButton::Left, true);
    Application().ProcessMessages();
    ASSERT_TRUE(win::GetClipCursor(&clip));
    delete pad;
    EXPECT_FALSE(win::GetClipCursor(&clip)) << "free when the pad goes";
    win::InjectMouseButton(press, win::MouseButton::Left, false);
    Application().ProcessMessages();
    form.Hide();
}

// The pointer over a key lights it; leaving the window straight from the key for no window of
// ours (the desktop) puts it back, as a move onto another area of the pad does.
TEST(TuningPadPointerTest, AKeyLeftForTheDesktopIsDrawnPlainAgain) {
    Application().ResetTerminated();
    TForm form(nullptr);
    form.SetBounds(100, 100, 500, 200);
    auto* pad = new TmyTuningPad(nullptr);
    pad->SetParent(&form);
    pad->SetBounds(10, 10, 300, 60);
    form.Show();
    Application().ProcessMessages();
    const auto keyColour = [&](int k) {
        TmyImage& key = pad->Key(k);
        return key.Bitmap().Surface().GetPixel(key.Width() / 2, key.Height() / 2);
    };
    const TColor plain = keyColour(3);
    const auto over = [&](int k) {
        TmyImage& key = pad->Key(k);
        const TPoint p = key.ClientToScreen({key.Width() / 2, key.Height() / 2});
        return win::Point{p.x, p.y};
    };
    const win::Point outside[] = {{20, 20}, over(4)};
    for (const win::Point& away : outside) {
        win::InjectMouseMove(over(3));
        Application().ProcessMessages();
        ASSERT_NE(keyColour(3), plain) << "lit under the pointer";
        win::InjectMouseMove(away);
        Application().ProcessMessages();
        EXPECT_EQ(keyColour(3), plain) << away.x << "," << away.y;
    }
    win::InjectMouseMove({20, 20});
    Application().ProcessMessages();
    form.Hide();
}

} // namespace
} // namespace lxq
