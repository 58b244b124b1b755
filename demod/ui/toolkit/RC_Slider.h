#pragma once
// A windowless slider: a double value between a minimum and a maximum shown as a thumb on a
// track, in four orientations, optionally with two auto-repeat arrow buttons at the ends. The
// user drags the thumb, holds the mouse on the track to page toward the pointer, or presses
// the arrows; only those user actions report through the value-change callback.

#include "demod/ui/toolkit/RC_Button.h"
#include "demod/ui/toolkit/RC_Timer.h"
#include "demod/ui/toolkit/RC_Window.h"

class RC_Slider : public RC_Window {
public:
    // 0 horizontal, maximum at the left; 1 vertical, maximum at the top; 2 horizontal, minimum
    // at the left; 3 vertical, minimum at the top.
    enum Orientation : int { kMaxLeft = 0, kMaxTop = 1, kMinLeft = 2, kMinTop = 3 };
    // State bits while the user moves the value.
    static constexpr std::uint32_t kPaging = 0x800;
    static constexpr std::uint32_t kDragging = 0x1000;
    static constexpr std::uint32_t kPageFirstMs = 250;
    using ValueFn = void (*)(void* user, RC_Slider* slider, double value);

    RC_Slider(RC_Window* parent, int x, int y, int w, int h, int orientation);
    ~RC_Slider() override;

    void SetMaximum(double v);
    void SetMinimum(double v);
    // Clamped to the range; reports only while the user drags or pages.
    void SetSliderValue(double v);
    void SetPageStep(double step) { pageStep_ = step; }
    void SetButtonStep(double step) { buttonStep_ = step; }
    void SetButtons(bool on);
    void SetThumbLength(int n);
    void SetTrackFrameWidth(int n);

    double Value() const { return value_; }
    double Minimum() const { return minimum_; }
    double Maximum() const { return maximum_; }
    int ThumbLength() const { return thumbLength_; }
    int TrackFrameWidth() const { return trackFrameWidth_; }
    RC_Button* FirstButton() const { return first_; }
    RC_Button* SecondButton() const { return second_; }
    // Where the thumb is drawn for the current value, in slider coordinates.
    plat::gdi::Rect ThumbRect() const;

    RC_Callback<ValueFn> onValueChange;

    void PaintContent() override;
    void MouseEvent(int kind, std::uint32_t keys, int x, int y) override;
    void Move(int x, int y, int width, int height, bool relayout) override;

private:
    bool Vertical() const { return (orientation_ & 1) != 0; }
    // Larger values toward the start of the axis (left or top).
    bool MaxAtStart() const { return orientation_ == kMaxLeft || orientation_ == kMaxTop; }
    int Along(int x, int y) const { return Vertical() ? y : x; }
    int Cross() const { return Vertical() ? Width() : Height(); }
    int Length() const { return Vertical() ? Height() : Width(); }
    int ButtonSide() const;
    // The track between the buttons along the axis: [start, end).
    int TrackStart() const;
    int TrackEnd() const;
    void LayoutButtons();
    void PageStep();
    void Notify();
    static void ButtonPressed(void* user, RC_Window* button);
    static void PageTick(void* user, RC_Timer* timer);

    RC_Button* first_ = nullptr;
    RC_Button* second_ = nullptr;
    bool buttonsOn_ = false;
    double pageStep_ = 1.0;
    double maximum_ = 100.0;
    double minimum_ = 0.0;
    double value_ = 50.0;
    int lastX_ = 0, lastY_ = 0;
    plat::gdi::Rect thumb_;
    RC_Colour thumbColour_ = 0x606060;
    RC_Colour thumbFrameColour_ = 0x606060;
    int thumbFrameWidth_ = 2;
    int thumbLength_ = 8;
    double buttonStep_ = 1.0;
    RC_Timer pageTimer_;
    RC_Colour trackFrameColour_ = 0x404040;
    int trackFrameType_ = 1;
    int trackFrameWidth_ = 2;
    int orientation_;
};
