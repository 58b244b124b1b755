#pragma once
// Two auto-repeat arrow buttons that step a value, with an optional drag strip between them:
// dragging the strip steps the value by pixels moved.

#include "demod/ui/toolkit/RC_Button.h"
#include "demod/ui/toolkit/RC_Window.h"

class RC_Spinner : public RC_Window {
public:
    static constexpr std::uint32_t kShowStrip = 0x800;
    using ValueFn = void (*)(void* user, RC_Spinner* spinner, double value);

    RC_Spinner(RC_Window* parent, int x, int y, int w, int h, bool vertical);

    // At or above the maximum, the maximum becomes v + 1.
    void SetMinimum(double v);
    // At or below the minimum, the minimum becomes v - 1.
    void SetMaximum(double v);
    // Clamped, without callback.
    void SetValue(double v);
    void SetStep(double step) { step_ = step; }
    void SetPixelsPerStep(int pixels) { pixelsPerStep_ = pixels > 0 ? pixels : 1; }
    void SetStepsPerDrag(int steps) { stepCount_ = steps; }
    // value += n x step, clamped; n > 0 calls the increment callback, n < 0 the decrement one;
    // with notify and a change, the value-change callback.
    void Step(int n, bool notify);

    double Value() const { return value_; }
    double Minimum() const { return minimum_; }
    double Maximum() const { return maximum_; }
    bool StripHeld() const { return held_; }
    RC_Button* FirstArrow() const { return first_; }
    RC_Button* SecondArrow() const { return second_; }
    const plat::gdi::Rect& StripRect() const { return strip_; }

    RC_Callback<ValueFn> onValueChange;
    RC_Callback<RC_ActionFn> onDecrement;
    RC_Callback<RC_ActionFn> onIncrement;

    void PaintContent() override;
    void MouseEvent(int kind, std::uint32_t keys, int x, int y) override;
    void Move(int x, int y, int width, int height, bool relayout) override;

protected:
    void OnFlagsChanged(std::uint32_t a, std::uint32_t b) override;

private:
    void Layout();
    int Along(int x, int y) const { return vertical_ ? y : x; }
    static void Up(void* user, RC_Window*);
    static void Down(void* user, RC_Window*);

    RC_Button* first_;
    RC_Button* second_;
    RC_Colour stripFrameColour_ = 0x606060;
    int stripHalf_ = 2;
    double step_ = 1.0;
    double maximum_ = 100.0;
    double minimum_ = 0.0;
    double value_ = 0.0;
    bool held_ = false;
    int pixelsPerStep_ = 1;
    int dragCounter_ = 0;
    int anchor_ = 0;
    plat::gdi::Rect strip_;
    int stepCount_ = 1;
    bool vertical_;
};
