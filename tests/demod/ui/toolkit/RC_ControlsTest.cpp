#include "tests/demod/ui/toolkit/ToolkitTestKit.h"

#include "demod/ui/toolkit/RC_Button.h"
#include "demod/ui/toolkit/RC_CheckBox.h"
#include "demod/ui/toolkit/RC_Glyphs.h"
#include "demod/ui/toolkit/RC_Label.h"
#include "demod/ui/toolkit/RC_Spinner.h"

#include <vector>

namespace {

using namespace toolkit_test;

struct Actions {
    std::vector<RC_Window*> from;
    static void Fn(void* user, RC_Window* w) { static_cast<Actions*>(user)->from.push_back(w); }
    std::size_t Count() const { return from.size(); }
};

class RC_ControlsTest : public ToolkitTest {
protected:
    RC_Button* MakeButton(int kind, int x = 10, int y = 10) {
        auto* b = new RC_Button(top_, x, y, 40, 20, "Go");
        b->SetKind(kind);
        b->onAction = {&Actions::Fn, &actions_};
        b->Show(win::SW_SHOW);
        return b;
    }
    Actions actions_;
};

TEST_F(RC_ControlsTest, PushButtonActsOnReleaseInsideOnly) {
    RC_Button* b = MakeButton(RC_Button::kPush);
    Mouse(b, win::WM_LBUTTONDOWN, 5, 5, win::MK_LBUTTON);
    EXPECT_TRUE(b->IsPressed());
    EXPECT_EQ(actions_.Count(), 0u);
    EXPECT_EQ(top_->CaptureWindow(), b);
    Mouse(b, win::WM_LBUTTONUP, 5, 5);
    EXPECT_EQ(actions_.Count(), 1u);
    EXPECT_EQ(actions_.from[0], b);
    EXPECT_EQ(top_->CaptureWindow(), nullptr);
    // Pressed, dragged out and released outside: no action.
    Mouse(b, win::WM_LBUTTONDOWN, 5, 5, win::MK_LBUTTON);
    Mouse(b, win::WM_MOUSEMOVE, 60, 5, win::MK_LBUTTON);
    EXPECT_FALSE(b->IsPressed());
    Mouse(b, win::WM_LBUTTONUP, 60, 5);
    EXPECT_EQ(actions_.Count(), 1u);
}

TEST_F(RC_ControlsTest, TogglesFlipOnReleaseAndDriveTheirLinkedObject) {
    RC_Button* b = MakeButton(RC_Button::kToggle);
    RC_Object linked;
    linked.SetFlags(0x100, 0);
    b->SetLinkedObject(&linked, 0xF, 0, 0x5, 0, 0x2, 0);
    Click(b, 3, 3);
    EXPECT_TRUE(b->IsDown());
    EXPECT_EQ(actions_.Count(), 1u);
    EXPECT_EQ(linked.FlagsA(), 0x105u);
    Click(b, 3, 3);
    EXPECT_FALSE(b->IsDown());
    EXPECT_EQ(linked.FlagsA(), 0x102u);
    // Released outside: the state stays.
    Mouse(b, win::WM_LBUTTONDOWN, 3, 3, win::MK_LBUTTON);
    Mouse(b, win::WM_MOUSEMOVE, 100, 100, win::MK_LBUTTON);
    Mouse(b, win::WM_LBUTTONUP, 100, 100);
    EXPECT_FALSE(b->IsDown());
    EXPECT_EQ(actions_.Count(), 2u);
}

TEST_F(RC_ControlsTest, RadioButtonsOfAGroupReleaseEachOther) {
    RC_Button* a = MakeButton(RC_Button::kRadio, 0, 0);
    RC_Button* b = MakeButton(RC_Button::kRadio, 50, 0);
    RC_Button* other = MakeButton(RC_Button::kRadio, 100, 0);
    a->SetTabOrder(1), b->SetTabOrder(1), other->SetTabOrder(2);
    other->SetDown(true);
    Click(a, 2, 2);
    EXPECT_TRUE(a->IsDown());
    EXPECT_EQ(actions_.Count(), 1u) << "a radio button acts on the press";
    Click(a, 2, 2);
    EXPECT_EQ(actions_.Count(), 1u) << "pressed while down: nothing";
    Click(b, 2, 2);
    EXPECT_TRUE(b->IsDown());
    EXPECT_FALSE(a->IsDown());
    EXPECT_TRUE(other->IsDown()) << "another group is left alone";
}

TEST_F(RC_ControlsTest, AutoRepeatActsPerTickWhileHeldAndStopsOnReleaseOrDisable) {
    RC_Button* b = MakeButton(RC_Button::kAutoRepeat);
    b->SetRepeat(400, 100);
    Mouse(b, win::WM_LBUTTONDOWN, 5, 5, win::MK_LBUTTON);
    EXPECT_EQ(actions_.Count(), 1u) << "at once";
    clock_.AdvanceMs(399);
    Pump();
    EXPECT_EQ(actions_.Count(), 1u);
    clock_.AdvanceMs(1);
    Pump();
    EXPECT_EQ(actions_.Count(), 2u) << "first repeat";
    for (int i = 0; i < 3; ++i) {
        clock_.AdvanceMs(100);
        Pump();
    }
    EXPECT_EQ(actions_.Count(), 5u);
    Mouse(b, win::WM_LBUTTONUP, 5, 5);
    clock_.AdvanceMs(1000);
    Pump();
    EXPECT_EQ(actions_.Count(), 5u);

    Mouse(b, win::WM_LBUTTONDOWN, 5, 5, win::MK_LBUTTON);
    clock_.AdvanceMs(400);
    Pump();
    EXPECT_EQ(actions_.Count(), 7u);
    b->SetEnabled(false);
    for (int i = 0; i < 5; ++i) {
        clock_.AdvanceMs(100);
        Pump();
    }
    EXPECT_EQ(actions_.Count(), 7u) << "a disabled button repeats no more";
}

TEST_F(RC_ControlsTest, ButtonLooksFollowPressAndEnable) {
    RC_Button* b = MakeButton(RC_Button::kPush);
    b->SetFrameWidth(0);
    b->SetCaption("");
    EXPECT_EQ(Render(b)->GetPixel(20, 10), 0x606060u);
    b->SetPressed(true);
    EXPECT_EQ(Render(b)->GetPixel(20, 10), RC_ScaleColour(0x606060, 11, 7));
    b->SetPressed(false);
    b->SetEnabled(false);
    EXPECT_EQ(Render(b)->GetPixel(20, 10), RC_ScaleColour(0x606060, 6, 7));
}

// The chosen mode, SAGC speed or filter kind is a radio button that is down: it must look down,
// as a toggle that is down does, fill and bevel, or the window hides the state it shows.
TEST_F(RC_ControlsTest, ButtonsThatAreDownLookDownWhateverTheirKind) {
    for (int kind : {RC_Button::kRadio, RC_Button::kToggle, RC_Button::kToggleFlat}) {
        RC_Button* b = MakeButton(kind);
        b->SetCaption("");
        const auto up = Render(b);
        EXPECT_EQ(up->GetPixel(20, 10), 0x606060u) << kind;
        b->SetDown(true);
        const auto down = Render(b);
        EXPECT_EQ(down->GetPixel(20, 10), RC_ScaleColour(0x606060, 10, 7)) << kind;
        // The raised bevel's light top edge turns into a sunken one's shadow.
        EXPECT_LT(down->GetPixel(20, 0) & 0xFF, up->GetPixel(20, 0) & 0xFF) << kind;
        b->SetDown(false);
        EXPECT_EQ(Render(b)->GetPixel(20, 10), 0x606060u) << kind;
        delete b;
    }
}

TEST_F(RC_ControlsTest, GlyphIsDrawnInTheGlyphColourInsideTheContent) {
    auto* b = new RC_Button(top_, 0, 0, 30, 30, kGlyphStop);
    b->Show(win::SW_SHOW);
    b->SetFrameWidth(0);
    b->SetGlyphColour(0x0000FF);
    const auto image = Render(b);
    EXPECT_EQ(image->GetPixel(15, 15), 0x0000FFu);
    EXPECT_EQ(image->GetPixel(1, 1), 0x606060u);
}

TEST_F(RC_ControlsTest, CheckBoxTogglesOnReleaseInsideAndGroupsClearEachOther) {
    auto* a = new RC_CheckBox(top_, 0, 0, 80, 20, "One");
    auto* b = new RC_CheckBox(top_, 0, 30, 80, 20, "Two");
    a->Show(win::SW_SHOW), b->Show(win::SW_SHOW);
    a->onAction = {&Actions::Fn, &actions_};
    Mouse(a, win::WM_LBUTTONDOWN, 5, 5, win::MK_LBUTTON);
    EXPECT_TRUE(a->IsPressed());
    Mouse(a, win::WM_MOUSEMOVE, 200, 5, win::MK_LBUTTON);
    EXPECT_FALSE(a->IsPressed());
    Mouse(a, win::WM_LBUTTONUP, 200, 5);
    EXPECT_EQ(a->CheckState(), RC_CheckBox::kClear);
    Click(a, 5, 5);
    EXPECT_EQ(a->CheckState(), RC_CheckBox::kChecked);
    EXPECT_EQ(actions_.Count(), 1u);
    a->SetState(RC_CheckBox::kCheckedGreyed);
    Click(a, 5, 5);
    EXPECT_EQ(a->CheckState(), RC_CheckBox::kClear);

    a->SetTabOrder(4), b->SetTabOrder(4);
    a->SetState(RC_CheckBox::kChecked);
    b->SetState(RC_CheckBox::kChecked);
    EXPECT_EQ(a->CheckState(), RC_CheckBox::kClear);
}

TEST_F(RC_ControlsTest, CheckBoxDrawsItsMarkOnlyWhenChecked) {
    auto* box = new RC_CheckBox(top_, 0, 0, 20, 20, "");
    box->Show(win::SW_SHOW);
    box->SetPlacement(1 | 4); // box centred
    auto green = [](const plat::gdi::Bitmap& img) {
        int n = 0;
        for (int y = 0; y < img.Height(); ++y) {
            for (int x = 0; x < img.Width(); ++x) n += img.GetPixel(x, y) == 0x00FF00u;
        }
        return n;
    };
    const auto clear = Render(box);
    EXPECT_EQ(green(*clear), 0);
    EXPECT_EQ(clear->GetPixel(10, 10), 0x000000u) << "the box fill";
    box->SetState(RC_CheckBox::kChecked);
    EXPECT_GT(green(*Render(box)), 10);
}

TEST_F(RC_ControlsTest, LabelFitsItsTextAndDimsWhenDisabled) {
    auto* label = new RC_Label(top_, 0, 0, 5, 5, "Squelch");
    label->SetStyle(RC_Label::kFitWidth | RC_Label::kFitHeight);
    label->Show(win::SW_SHOW);
    Render(label);
    EXPECT_GT(label->Width(), 30);
    EXPECT_GT(label->Height(), 8);
    EXPECT_LT(label->Height(), 20);
}

TEST_F(RC_ControlsTest, SpinnerStepsClampAndReportOnlyChanges) {
    auto* s = new RC_Spinner(top_, 0, 0, 20, 40, true);
    s->Show(win::SW_SHOW);
    struct Seen {
        std::vector<double> values;
        int up = 0, down = 0;
    } seen;
    s->onValueChange = {[](void* u, RC_Spinner*, double v) { static_cast<Seen*>(u)->values.push_back(v); }, &seen};
    s->onIncrement = {[](void* u, RC_Window*) { ++static_cast<Seen*>(u)->up; }, &seen};
    s->onDecrement = {[](void* u, RC_Window*) { ++static_cast<Seen*>(u)->down; }, &seen};
    s->SetMaximum(3);
    s->SetValue(2);
    s->Step(5, true);
    EXPECT_EQ(s->Value(), 3.0);
    s->Step(1, true);
    EXPECT_EQ(seen.values, (std::vector<double>{3.0})) << "no change, no report";
    EXPECT_EQ(seen.up, 2);
    Click(s->SecondArrow(), 2, 2);
    EXPECT_EQ(s->Value(), 2.0);
    EXPECT_EQ(seen.down, 1);
    Click(s->FirstArrow(), 2, 2);
    EXPECT_EQ(s->Value(), 3.0);
    s->SetMinimum(3);
    EXPECT_EQ(s->Maximum(), 4.0);
    s->SetMaximum(1);
    EXPECT_EQ(s->Minimum(), 0.0);
    EXPECT_EQ(s->Value(), 1.0);
}

TEST_F(RC_ControlsTest, SpinnerStripDragStepsByPixels) {
    auto* s = new RC_Spinner(top_, 0, 0, 20, 44, true);
    s->SetStyle(RC_Spinner::kShowStrip);
    s->Show(win::SW_SHOW);
    s->SetMaximum(1000);
    s->SetValue(500);
    s->SetPixelsPerStep(2);
    const plat::gdi::Rect strip = s->StripRect();
    ASSERT_FALSE(strip.IsEmpty());
    const int y = strip.top + 1;
    Mouse(s, win::WM_LBUTTONDOWN, 10, y, win::MK_LBUTTON);
    EXPECT_TRUE(s->StripHeld());
    Mouse(s, win::WM_MOUSEMOVE, 10, y + 10, win::MK_LBUTTON); // downwards: 5 steps down
    EXPECT_EQ(s->Value(), 495.0);
    Mouse(s, win::WM_MOUSEMOVE, 10, y - 20, win::MK_LBUTTON); // far outside, still held
    EXPECT_EQ(s->Value(), 510.0);
    Mouse(s, win::WM_LBUTTONUP, 10, y);
    EXPECT_FALSE(s->StripHeld());
    EXPECT_EQ(top_->CaptureWindow(), nullptr);
}

} // namespace
