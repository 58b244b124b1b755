#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/controls/TmyFrequencyEdit.h"
#include "app/controls/TmyIntEdit.h"
#include "app/controls/TmyUpDown.h"
#include "app/controls/TstSpeedButton.h"
#include "platform/components/TApplication.h"
#include "platform/components/TForm.h"
#include "platform/win/InputApi.h"
#include "platform/win/WindowApi.h"
#include "tests/app/controls/ControlTestSupport.h"

namespace lxq {
namespace {

using namespace plat::comp;
namespace win = plat::win;

class UpDownTest : public testing::Test {
protected:
    UpDownTest() {
        spin_ = new TmyUpDown(nullptr);
        spin_->SetParent(&parent_);
        spin_->SetBounds(100, 0, 12, 25);
        spin_->OnDirection = [this](TComponent*, int& val) { directions_.push_back(val); };
    }
    TmyIntEdit* BindInt(int value, int step = 1) {
        auto* e = new TmyIntEdit(nullptr);
        e->SetParent(&parent_);
        e->SetBounds(10, 20, 60, 21);
        e->SetValue(value);
        spin_->SetIntEdit(e);
        spin_->Step = step;
        return e;
    }
    TmyFrequencyEdit* BindFrequency(std::int64_t value) {
        auto* e = new TmyFrequencyEdit(nullptr);
        e->SetParent(&parent_);
        e->SetBounds(10, 50, 120, 24);
        e->SetValue(value);
        spin_->SetFrequencyEdit(e);
        return e;
    }
    void Up() { Click(spin_->UpHalf()); }
    void Down() { Click(spin_->DownHalf()); }
    void Click(TstSpeedButton& half) {
        const int y = half.Top() + 2;
        test::Mouse(*spin_, win::WM_LBUTTONDOWN, 3, y, win::MK_LBUTTON);
        test::Mouse(*spin_, win::WM_LBUTTONUP, 3, y);
    }
    void Wheel(int delta) {
        spin_->Perform(win::WM_MOUSEWHEEL,
                       static_cast<win::WParam>(static_cast<std::uint16_t>(delta)) << 16, 0);
    }

    TWinControl parent_{nullptr};
    TmyUpDown* spin_;
    std::vector<int> directions_;
};

TEST_F(UpDownTest, HalvesAndBarShareTheHeight) {
    EXPECT_EQ(spin_->UpHalf().BoundsRect(), (TRect{0, 0, 12, 11}));
    EXPECT_EQ(spin_->Bar().BoundsRect(), (TRect{0, 11, 12, 14}));
    EXPECT_EQ(spin_->DownHalf().BoundsRect(), (TRect{0, 14, 12, 25}));
    EXPECT_EQ(spin_->UpHalf().Kind(), TSTButtonKind::stbkUpArrow);
    EXPECT_EQ(spin_->DownHalf().Kind(), TSTButtonKind::stbkDownArrow);
    EXPECT_EQ(spin_->Bar().Kind(), TSTButtonKind::stbkNone);
    EXPECT_EQ(spin_->UpHalf().Font().Color(), clLime);
    EXPECT_EQ(spin_->UpHalf().Delay(), 500) << "the halves keep their delay until Delay is written";
}

// The three buttons cover every row whatever the height: an even height gives the bar the spare
// row, and the spinner's bottom row is the down half's dark edge, as with an odd height.
TEST_F(UpDownTest, EvenHeightsLeaveNoRowUncovered) {
    const auto odd = test::Render(*spin_);
    const TColor edge = test::PixelAt(*odd, 6, 24);
    for (int height : {24, 26, 20}) {
        spin_->SetBounds(100, 0, 12, height);
        const int h = (height - 3) / 2;
        EXPECT_EQ(spin_->UpHalf().BoundsRect(), (TRect{0, 0, 12, h})) << height;
        EXPECT_EQ(spin_->Bar().BoundsRect(), (TRect{0, h, 12, height - h})) << height;
        EXPECT_EQ(spin_->DownHalf().BoundsRect(), (TRect{0, height - h, 12, height})) << height;
        const auto even = test::Render(*spin_);
        EXPECT_EQ(test::PixelAt(*even, 6, height - 1), edge) << height;
    }
}

TEST_F(UpDownTest, AClickStepsOnceAndHoldingRepeats) {
    test::FakeTime time;
    Up();
    EXPECT_EQ(directions_, (std::vector<int>{1}));
    directions_.clear();
    const int y = spin_->DownHalf().Top() + 2;
    test::Mouse(*spin_, win::WM_LBUTTONDOWN, 3, y, win::MK_LBUTTON);
    time.Advance(1200);
    test::Mouse(*spin_, win::WM_LBUTTONUP, 3, y);
    // At the press, then every 100 ms from 500 ms on: 500, 600, ... 1200.
    EXPECT_EQ(directions_, std::vector<int>(9, -1));
}

TEST_F(UpDownTest, EachWheelMessageIsOneStep) {
    const std::pair<int, int> cases[] = {{120, 1}, {360, 1}, {-120, -1}, {-360, -1}, {60, -1}};
    for (const auto& [delta, val] : cases) {
        directions_.clear();
        Wheel(delta);
        EXPECT_EQ(directions_, (std::vector<int>{val})) << delta;
    }
}

TEST_F(UpDownTest, GetStepFollowsTheLeadingDigit) {
    spin_->Step = 7;
    EXPECT_EQ(spin_->GetStep(145'500'000), 7) << "AutoStep 0: the fixed step";
    spin_->SetAutoStep(0);
    EXPECT_EQ(spin_->AutoStep(), 1) << "cannot be written back to 0";
    const std::pair<std::int64_t, std::int64_t> cases[] = {
        {145'500'000, 10'000'000}, {999, 10}, {1000, 100}, {5, 1}, {0, 1}, {-2500, 100}};
    for (const auto& [v, step] : cases) EXPECT_EQ(spin_->GetStep(v), step) << v;
    spin_->SetAutoStep(3);
    EXPECT_EQ(spin_->GetStep(145'500'000), 100'000);
}

TEST_F(UpDownTest, BoundIntegerFieldStepsWithAndWithoutRounding) {
    struct Case {
        bool round;
        bool up;
        int result;
    };
    const Case cases[] = {{true, true, 1300}, {true, false, 1100}, {false, true, 1334},
                          {false, false, 1134}};
    TmyIntEdit* e = BindInt(1234, 100);
    for (const auto& c : cases) {
        e->SetValue(1234);
        spin_->RoundStep = c.round;
        c.up ? Up() : Down();
        EXPECT_EQ(e->Value(), c.result) << c.round << c.up;
    }
}

TEST_F(UpDownTest, AutoStepDownTakesTheStepFromBelow) {
    TmyFrequencyEdit* f = BindFrequency(1000);
    spin_->SetAutoStep(1);
    Up();
    EXPECT_EQ(f->Value(), 1100);
    EXPECT_EQ(spin_->Step, 100);
    f->SetValue(1000);
    Down();
    EXPECT_EQ(f->Value(), 990);
    EXPECT_EQ(spin_->Step, 10);
}

TEST_F(UpDownTest, UndefinedValueIsAStopBeyondTheLimits) {
    TmyIntEdit* e = BindInt(10);
    e->SetMax(10);
    e->SetMin(1);
    e->SetUndefValue(11);
    e->SetUndefValueText("off");
    e->SetDisplayUndefValueText(true);
    Up();
    EXPECT_EQ(e->Value(), 11);
    EXPECT_EQ(e->Text(), "off");
    Up();
    EXPECT_EQ(e->Value(), 11) << "12 is neither in range nor the undefined value";
    Down();
    EXPECT_EQ(e->Value(), 10);

    e->SetMax(16);
    e->SetUndefValue(0);
    e->SetValue(1);
    Down();
    EXPECT_EQ(e->Value(), 0);
    Down();
    EXPECT_EQ(e->Value(), 0);
}

TEST_F(UpDownTest, HandlerMayChangeTheDirection) {
    TmyIntEdit* e = BindInt(1234, 100);
    spin_->OnDirection = [](TComponent*, int& val) { val = 0; };
    Up();
    EXPECT_EQ(e->Value(), 1200) << "a step of 0 re-writes the value, rounded";
    spin_->OnDirection = [](TComponent*, int& val) { val *= 3; };
    Up();
    EXPECT_EQ(e->Value(), 1500);
}

TEST_F(UpDownTest, AZeroStepDoesNotDivideByZero) {
    TmyIntEdit* e = BindInt(50, 0);
    Up();
    EXPECT_EQ(e->Value(), 50);
}

TEST_F(UpDownTest, UnboundSpinnerOnlyReports) {
    Up();
    Down();
    EXPECT_EQ(directions_, (std::vector<int>{1, -1}));
}

TEST_F(UpDownTest, BindingPlacesTheSpinnerBesideTheField) {
    TmyIntEdit* e = BindInt(0);
    EXPECT_EQ(e->UpDownControl(), spin_);
    EXPECT_EQ(spin_->BoundsRect(), (TRect{70, 20, 80, 41}));
    TmyFrequencyEdit* f = BindFrequency(0);
    EXPECT_EQ(f->UpDownControl(), spin_);
    EXPECT_EQ(spin_->BoundsRect(), (TRect{130, 50, 142, 74}));
}

TEST_F(UpDownTest, DisablingReachesTheButtons) {
    spin_->SetEnabled(false);
    EXPECT_FALSE(spin_->Enabled());
    EXPECT_FALSE(spin_->UpHalf().Enabled());
    EXPECT_FALSE(spin_->Bar().Enabled());
    spin_->SetEnabled(true);
    EXPECT_TRUE(spin_->DownHalf().Enabled());
}

class UpDownDragTest : public UpDownTest {
protected:
    UpDownDragTest() {
        spin_->OnMiddleStart = [this](TObject*) { events_.push_back("start"); };
        spin_->OnMiddleEnd = [this](TObject*) { events_.push_back("end"); };
    }
    // Moves over the bar to bar-relative y, the left button held or not.
    void Move(int y, bool held) {
        const TPoint screen = spin_->Bar().ClientToScreen({3, y});
        win::SetCursorPos(screen.x, screen.y);
        test::Mouse(*spin_, win::WM_MOUSEMOVE, 3, spin_->Bar().Top() + y, held ? win::MK_LBUTTON : 0);
    }
    void Press(int y) {
        test::Mouse(*spin_, win::WM_LBUTTONDOWN, 3, spin_->Bar().Top() + y, win::MK_LBUTTON);
    }

    std::vector<std::string> events_;
};

TEST_F(UpDownDragTest, DraggingTheBarStepsOnePerPixel) {
    Move(1, false);
    Press(1);
    Move(-4, true); // five pixels up
    Move(-2, true); // two down
    Move(-2, true); // sideways only
    EXPECT_EQ(directions_, (std::vector<int>{5, -2, 0}));
    EXPECT_EQ(events_, (std::vector<std::string>{"start"}));
    EXPECT_TRUE(spin_->Dragging());
    test::Mouse(*spin_, win::WM_LBUTTONUP, 3, spin_->Bar().Top() - 2);
    EXPECT_EQ(events_, (std::vector<std::string>{"start", "end"}));
    EXPECT_FALSE(spin_->Dragging());
}

TEST_F(UpDownDragTest, MovesWithoutTheButtonOnlyTrackAndReleaseAlwaysEnds) {
    Move(1, false);
    Move(2, false);
    EXPECT_TRUE(directions_.empty());
    test::Mouse(*spin_, win::WM_LBUTTONDOWN, 3, spin_->Bar().Top() + 1, win::MK_LBUTTON);
    test::Mouse(*spin_, win::WM_LBUTTONUP, 3, spin_->Bar().Top() + 1);
    EXPECT_EQ(events_, (std::vector<std::string>{"end"}));
}

TEST_F(UpDownDragTest, ThePointerWrapsAtTheScreenEdgeWithoutAJump) {
    TmyIntEdit* e = BindInt(100);
    spin_->RoundStep = false;
    Move(1, false);
    Press(1);
    // Up to the top screen row.
    const int top = -spin_->Bar().ClientToScreen({0, 0}).y;
    Move(top, true);
    EXPECT_EQ(e->Value(), 100 + 1 - top);
    win::Point p{};
    win::GetCursorPos(&p);
    EXPECT_EQ(p.y, win::GetSystemMetrics(win::SM_CYSCREEN) - 1) << "moved to the bottom row";
    const int afterWrap = e->Value();
    // The next move from the bottom row only picks up the position; the one after steps again.
    const int bottom = p.y - spin_->Bar().ClientToScreen({0, 0}).y;
    test::Mouse(*spin_, win::WM_MOUSEMOVE, 3, spin_->Bar().Top() + bottom, win::MK_LBUTTON);
    EXPECT_EQ(e->Value(), afterWrap);
    test::Mouse(*spin_, win::WM_MOUSEMOVE, 3, spin_->Bar().Top() + bottom - 3, win::MK_LBUTTON);
    EXPECT_EQ(e->Value(), afterWrap + 3);
}

class SpinnerFieldTest : public testing::Test {
protected:
    SpinnerFieldTest() {
        panel_.SetColor(0x404040);
        spin_ = new TmyUpDown(nullptr);
        spin_->SetParent(&panel_);
        field_ = new TmyIntEdit(nullptr);
        field_->SetParent(&panel_);
        field_->SetBounds(0, 0, 80, 21);
        field_->SetDefaultShadow(false);
    }
    void Wheel(TWinControl& c, int delta) {
        c.Perform(win::WM_MOUSEWHEEL, static_cast<win::WParam>(static_cast<std::uint16_t>(delta)) << 16,
                  0);
    }

    TWinControl panel_{nullptr};
    TmyUpDown* spin_;
    TmyIntEdit* field_;
};

TEST_F(SpinnerFieldTest, WheelOverTheFieldStepsThroughItsSpinner) {
    field_->SetValue(5);
    Wheel(*field_, 120);
    EXPECT_EQ(field_->Value(), 5) << "no spinner named: nothing forwarded";
    spin_->SetIntEdit(field_);
    Wheel(*field_, 120);
    EXPECT_EQ(field_->Value(), 6);
    Wheel(*field_, -240);
    EXPECT_EQ(field_->Value(), 5);

    auto* freq = new TmyFrequencyEdit(nullptr);
    freq->SetParent(&panel_);
    freq->SetValue(7'000'000);
    auto* freqSpin = new TmyUpDown(nullptr);
    freqSpin->SetParent(&panel_);
    freqSpin->Step = 1000;
    freqSpin->SetFrequencyEdit(freq);
    Wheel(*freq, 120);
    EXPECT_EQ(freq->Value(), 7'001'000);
}

TEST_F(SpinnerFieldTest, TheUnitNarrowsTheClientAreaAndSitsInTheFrame) {
    const int client = field_->ClientWidth();
    field_->SetUnit("dBm");
    const int cx = field_->Font().TextExtent("dBm").cx;
    EXPECT_EQ(field_->UnitWidth(), cx);
    EXPECT_EQ(field_->ClientWidth(), client - cx);
    const int b = (field_->Height() - field_->ClientHeight()) / 2;
    EXPECT_EQ(field_->UnitRect(), (TRect{80 - b - cx, b, 80 - b, 21 - b}));

    field_->SetColor(clBlack);
    field_->Font().SetColor(clWhite);
    auto countIn = [&](TColor colour) {
        const auto bitmap = test::Render(*field_);
        const TRect r = field_->UnitRect();
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) n += test::PixelAt(*bitmap, x, y) == colour;
        return n;
    };
    EXPECT_GT(countIn(clWhite), 5) << "the unit in the font colour";
    field_->SetEnabled(false);
    EXPECT_EQ(countIn(clWhite), 0);
    EXPECT_GT(countIn(ColorToRGB(clGrayText)), 5) << "grey while disabled";

    field_->SetUnit("");
    EXPECT_EQ(field_->ClientWidth(), client) << "an empty unit gives the column back";
}

TEST_F(SpinnerFieldTest, TheFrameIsShadedFromTheParent) {
    field_->SetUnit("%");
    const auto bitmap = test::Render(*field_);
    const int b = (field_->Height() - field_->ClientHeight()) / 2;
    ASSERT_GT(b, 0);
    const int mid = field_->Height() / 2;
    for (int i = 0; i < b; ++i) {
        EXPECT_EQ(test::PixelAt(*bitmap, i, mid), GetColorShadow(0x404040, 50, -b, i + 1)) << i;
        EXPECT_EQ(test::PixelAt(*bitmap, 79 - i, mid), GetColorShadow(0x404040, 50, b, i + 1)) << i;
        EXPECT_EQ(test::PixelAt(*bitmap, 40, 20 - i), GetColorShadow(0x404040, 50, b, i + 1)) << i;
    }
}

TEST(SpinnerFieldFocusTest, AWheelStepKeepsTheFocusInTheField) {
    plat::sys::FakeClock clock;
    plat::sys::ScopedClock scoped(clock);
    Application().ResetTerminated();
    TForm form(nullptr);
    auto* field = new TmyIntEdit(nullptr);
    field->SetParent(&form);
    field->SetBounds(0, 0, 80, 21);
    auto* other = new TmyIntEdit(nullptr);
    other->SetParent(&form);
    other->SetLeft(120);
    auto* spin = new TmyUpDown(nullptr);
    spin->SetParent(&form);
    spin->SetIntEdit(field);
    field->SetExitControl(other);
    field->SetValue(5);
    form.Show();
    Application().ProcessMessages();
    field->SetFocus();
    Application().ProcessMessages();
    field->Perform(win::WM_MOUSEWHEEL, static_cast<win::WParam>(120) << 16, 0);
    Application().ProcessMessages();
    EXPECT_EQ(field->Value(), 6);
    EXPECT_TRUE(field->Focused());
    EXPECT_EQ(field->ExitControl(), other) << "restored after the step";
    form.Hide();
}

} // namespace
} // namespace lxq
