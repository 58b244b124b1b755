#include "tests/demod/ui/toolkit/ToolkitTestKit.h"

#include "demod/ui/toolkit/RC_Slider.h"

#include <vector>

namespace {

using namespace toolkit_test;

struct Values {
    std::vector<double> seen;
    static void Fn(void* user, RC_Slider*, double v) { static_cast<Values*>(user)->seen.push_back(v); }
};

// Sliders 108 pixels long and 20 across: track frame 2, so the track runs from 2 to 106 and a
// thumb of 8 travels 96 pixels.
class RC_SliderTest : public ToolkitTest {
protected:
    RC_Slider* Make(int orientation) {
        const bool vertical = (orientation & 1) != 0;
        auto* s = new RC_Slider(top_, 10, 10, vertical ? 20 : 108, vertical ? 108 : 20, orientation);
        s->Show(win::SW_SHOW);
        s->onValueChange = {&Values::Fn, &values_};
        return s;
    }
    // A point of the slider at `along` on its axis, in the middle across.
    static void At(RC_Slider* s, std::uint32_t msg, int along, win::WParam keys = 0) {
        if (s->Width() < s->Height()) Mouse(s, msg, 10, along, keys);
        else Mouse(s, msg, along, 10, keys);
    }
    Values values_;
};

TEST_F(RC_SliderTest, DraggingMapsThePointerLinearlyAndPinsPastTheEnds) {
    struct Case {
        int orientation;
        int pointer;
        double value;
    };
    const Case cases[] = {
        {0, 30, 75.0}, {1, 30, 75.0}, {2, 30, 25.0}, {3, 30, 25.0},     // linear part
        {0, 6, 100.0}, {1, -40, 100.0}, {2, 6, 0.0}, {3, -40, 0.0},     // at or before the start
        {0, 102, 0.0}, {1, 300, 0.0}, {2, 102, 100.0}, {3, 300, 100.0}, // at or beyond the end
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "orientation " << c.orientation << " pointer " << c.pointer);
        values_.seen.clear();
        RC_Slider* s = Make(c.orientation);
        const plat::gdi::Rect thumb = s->ThumbRect();
        ASSERT_TRUE(s->Width() < s->Height() ? thumb.Contains({10, 54}) : thumb.Contains({54, 10}));
        At(s, win::WM_LBUTTONDOWN, 54, win::MK_LBUTTON);
        EXPECT_EQ(top_->CaptureWindow(), s);
        At(s, win::WM_MOUSEMOVE, c.pointer, win::MK_LBUTTON);
        EXPECT_DOUBLE_EQ(s->Value(), c.value);
        ASSERT_EQ(values_.seen.size(), 1u) << "a drag reports each change";
        EXPECT_DOUBLE_EQ(values_.seen[0], c.value);
        At(s, win::WM_LBUTTONUP, c.pointer);
        EXPECT_EQ(top_->CaptureWindow(), nullptr);
        At(s, win::WM_MOUSEMOVE, 54);
        EXPECT_DOUBLE_EQ(s->Value(), c.value) << "the drag ended with the release";
        s->Close();
    }
}

TEST_F(RC_SliderTest, HoldingOnTheTrackPagesEvery250msUntilTheThumbReachesThePointer) {
    RC_Slider* s = Make(RC_Slider::kMinTop);
    s->SetPageStep(10.0);
    At(s, win::WM_LBUTTONDOWN, 100, win::MK_LBUTTON);
    EXPECT_DOUBLE_EQ(s->Value(), 60.0) << "one page at once";
    clock_.AdvanceMs(249);
    Pump();
    EXPECT_DOUBLE_EQ(s->Value(), 60.0);
    for (double expected : {70.0, 80.0, 90.0, 100.0, 100.0, 100.0}) {
        clock_.AdvanceMs(250);
        Pump();
        EXPECT_DOUBLE_EQ(s->Value(), expected);
    }
    EXPECT_EQ(values_.seen, (std::vector<double>{60, 70, 80, 90, 100}));
    // The pointer moves back above the thumb: paging follows it the other way.
    At(s, win::WM_MOUSEMOVE, 4, win::MK_LBUTTON);
    clock_.AdvanceMs(250);
    Pump();
    EXPECT_DOUBLE_EQ(s->Value(), 90.0);
    At(s, win::WM_LBUTTONUP, 4);
    clock_.AdvanceMs(1000);
    Pump();
    EXPECT_DOUBLE_EQ(s->Value(), 90.0) << "release stops paging";
    EXPECT_EQ(top_->CaptureWindow(), nullptr);
}

TEST_F(RC_SliderTest, PagingStopsWhenTheSliderIsDisabled) {
    RC_Slider* s = Make(RC_Slider::kMinTop);
    s->SetPageStep(5.0);
    At(s, win::WM_LBUTTONDOWN, 100, win::MK_LBUTTON);
    s->SetEnabled(false);
    for (int i = 0; i < 4; ++i) {
        clock_.AdvanceMs(250);
        Pump();
    }
    EXPECT_DOUBLE_EQ(s->Value(), 55.0);
    EXPECT_EQ(s->State() & RC_Slider::kPaging, 0u);
}

TEST_F(RC_SliderTest, RangeSettersPushTheOtherBoundAndTheValue) {
    RC_Slider* s = Make(RC_Slider::kMaxTop);
    s->SetMinimum(150);
    EXPECT_EQ((std::vector<double>{s->Minimum(), s->Maximum(), s->Value()}), (std::vector<double>{150, 151, 150}));
    s->SetMaximum(-5);
    EXPECT_EQ((std::vector<double>{s->Minimum(), s->Maximum(), s->Value()}), (std::vector<double>{-6, -5, -5}));
    s->SetSliderValue(-100);
    EXPECT_DOUBLE_EQ(s->Value(), -6);
    s->SetSliderValue(3);
    EXPECT_DOUBLE_EQ(s->Value(), -5);
    EXPECT_TRUE(values_.seen.empty()) << "program changes are not reported";
}

TEST_F(RC_SliderTest, ArrowButtonsStepTowardTheirEndAndReport) {
    // The first button sits at the start of the axis.
    const double firstDelta[] = {+1, +1, -1, -1};
    for (int orientation = 0; orientation < 4; ++orientation) {
        SCOPED_TRACE(orientation);
        values_.seen.clear();
        RC_Slider* s = Make(orientation);
        s->SetButtons(true);
        ASSERT_NE(s->FirstButton(), nullptr);
        EXPECT_EQ(s->FirstButton()->Glyph(), (orientation & 1) != 0 ? 6 : 8);
        Click(s->FirstButton(), 3, 3);
        EXPECT_DOUBLE_EQ(s->Value(), 50 + firstDelta[orientation]);
        Click(s->SecondButton(), 3, 3);
        Click(s->SecondButton(), 3, 3);
        EXPECT_DOUBLE_EQ(s->Value(), 50 - firstDelta[orientation]);
        EXPECT_EQ(values_.seen.size(), 3u);
        s->SetSliderValue(orientation < 2 ? 0 : 100);
        Click(s->SecondButton(), 3, 3);
        EXPECT_EQ(values_.seen.size(), 3u) << "no report at the bound";
        s->SetButtons(false);
        EXPECT_EQ(s->FirstButton(), nullptr);
        s->Close();
    }
}

TEST_F(RC_SliderTest, ButtonsShortenTheTrack) {
    RC_Slider* s = Make(RC_Slider::kMinTop);
    s->SetButtons(true);
    // Buttons of 16 at both ends: the track runs from 18 to 90.
    s->SetSliderValue(0);
    EXPECT_EQ(s->ThumbRect().top, 18);
    s->SetSliderValue(100);
    EXPECT_EQ(s->ThumbRect().bottom, 90);
    s->SetThumbLength(1000);
    EXPECT_EQ(s->ThumbLength(), 72 - 4);
    s->SetThumbLength(0);
    EXPECT_EQ(s->ThumbLength(), 4);
}

TEST_F(RC_SliderTest, ThumbIsDrawnAtTheValue) {
    RC_Slider* s = Make(RC_Slider::kMinTop);
    s->SetSliderValue(0);
    auto image = Render(s);
    EXPECT_EQ(image->GetPixel(10, 6), 0x606060u) << "thumb at the top";
    EXPECT_EQ(image->GetPixel(10, 100), 0x202020u);
    EXPECT_EQ(image->GetPixel(0, 50), RC_ScaleColour(0x404040, 1, 4)) << "sunken track frame, outer line";
    s->SetSliderValue(100);
    image = Render(s);
    EXPECT_EQ(image->GetPixel(10, 6), 0x202020u);
    EXPECT_EQ(image->GetPixel(10, 101), 0x606060u) << "thumb at the bottom";
}

} // namespace
