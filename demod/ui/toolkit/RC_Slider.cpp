#include "demod/ui/toolkit/RC_Slider.h"

#include "demod/ui/toolkit/RC_Glyphs.h"
#include "platform/win/Win.h"

#include <algorithm>

namespace gdi = plat::gdi;

namespace {
constexpr std::uint32_t kFirstRepeatMs = 500;
constexpr std::uint32_t kRepeatMs = 100;
} // namespace

RC_Slider::RC_Slider(RC_Window* parent, int x, int y, int w, int h, int orientation)
    : RC_Window(parent, x, y, w, h, kWindowless),
      pageTimer_(kPageFirstMs, &RC_Slider::PageTick, this),
      orientation_(orientation & 3) {
    SetBackgroundColour(0x202020);
}

RC_Slider::~RC_Slider() { pageTimer_.Stop(); }

void RC_Slider::SetMaximum(double v) {
    maximum_ = v;
    if (minimum_ > v) minimum_ = v - 1.0;
    if (value_ > v) value_ = v;
    Invalidate();
}

void RC_Slider::SetMinimum(double v) {
    minimum_ = v;
    if (maximum_ < v) maximum_ = v + 1.0;
    if (value_ < v) value_ = v;
    Invalidate();
}

void RC_Slider::SetSliderValue(double v) {
    v = std::clamp(v, minimum_, maximum_);
    if (v == value_) return;
    value_ = v;
    if ((State() & (kDragging | kPaging)) != 0) Notify();
    Invalidate();
}

void RC_Slider::Notify() {
    if (onValueChange) onValueChange.fn(onValueChange.user, this, value_);
}

void RC_Slider::SetButtons(bool on) {
    if (on == buttonsOn_) return;
    buttonsOn_ = on;
    if (on) {
        first_ = new RC_Button(this, 0, 0, 1, 1, Vertical() ? kGlyphUp : kGlyphLeft);
        second_ = new RC_Button(this, 0, 0, 1, 1, Vertical() ? kGlyphDown : kGlyphRight);
        for (RC_Button* b : {first_, second_}) {
            b->SetKind(RC_Button::kAutoRepeat);
            b->SetRepeat(kFirstRepeatMs, kRepeatMs);
            b->SetFrameWidth(1);
            b->onAction = {&RC_Slider::ButtonPressed, this};
            b->Show(plat::win::SW_SHOW);
        }
        LayoutButtons();
    } else {
        first_->Close();
        second_->Close();
        first_ = second_ = nullptr;
    }
    Invalidate();
}

void RC_Slider::ButtonPressed(void* user, RC_Window* button) {
    auto* self = static_cast<RC_Slider*>(user);
    // The first button sits at the start of the axis: toward larger values where the maximum is.
    const bool first = button == self->first_;
    const double step = (first == self->MaxAtStart()) ? self->buttonStep_ : -self->buttonStep_;
    const double before = self->value_;
    self->SetSliderValue(before + step);
    if (self->value_ != before && (self->State() & (kDragging | kPaging)) == 0) self->Notify();
}

int RC_Slider::ButtonSide() const { return buttonsOn_ ? std::max(0, Cross() - 2 * trackFrameWidth_) : 0; }
int RC_Slider::TrackStart() const { return trackFrameWidth_ + ButtonSide(); }
int RC_Slider::TrackEnd() const { return Length() - trackFrameWidth_ - ButtonSide(); }

void RC_Slider::SetThumbLength(int n) {
    const int extent = TrackEnd() - TrackStart();
    thumbLength_ = std::max(2 * trackFrameWidth_, std::min(n, extent - 2 * trackFrameWidth_));
    Invalidate();
}

void RC_Slider::SetTrackFrameWidth(int n) {
    trackFrameWidth_ = std::max(0, std::min({n, Width() / 2, Height() / 2}));
    LayoutButtons();
    Invalidate();
}

void RC_Slider::LayoutButtons() {
    if (!buttonsOn_) return;
    const int f = trackFrameWidth_, side = ButtonSide();
    if (Vertical()) {
        first_->Move(f, f, side, side, true);
        second_->Move(f, Height() - f - side, side, side, true);
    } else {
        first_->Move(f, f, side, side, true);
        second_->Move(Width() - f - side, f, side, side, true);
    }
}

void RC_Slider::Move(int x, int y, int width, int height, bool relayout) {
    RC_Window::Move(x, y, width, height, relayout);
    LayoutButtons();
}

gdi::Rect RC_Slider::ThumbRect() const {
    const int g = TrackStart(), h = TrackEnd(), t = thumbLength_;
    const double span = maximum_ - minimum_;
    double fraction = span > 0 ? (value_ - minimum_) / span : 0.0;
    if (MaxAtStart()) fraction = 1.0 - fraction;
    const int start = g + static_cast<int>(fraction * std::max(0, h - g - t) + 0.5);
    const int f = trackFrameWidth_;
    if (Vertical()) return {f, start, Width() - f, start + t};
    return {start, f, start + t, Height() - f};
}

void RC_Slider::PaintContent() {
    RC_Window::PaintContent();
    gdi::Rect track{0, 0, Width(), Height()};
    DrawFrame(trackFrameType_, trackFrameWidth_, trackFrameColour_, track);
    LayoutButtons();
    thumb_ = ThumbRect();
    gdi::Rect r = thumb_;
    DrawFrame(2, std::min(thumbFrameWidth_, thumbLength_ / 2), thumbFrameColour_, r);
    if (!r.IsEmpty()) FillRect(r, thumbColour_);
}

void RC_Slider::PageStep() {
    const gdi::Rect thumb = ThumbRect();
    const int p = Along(lastX_, lastY_);
    const int lo = Vertical() ? thumb.top : thumb.left;
    const int hi = Vertical() ? thumb.bottom : thumb.right;
    if (p >= lo && p < hi) return;
    const bool beforeThumb = p < lo;
    // Before the thumb lies the side of larger values when the maximum is at the start.
    SetSliderValue(value_ + (beforeThumb == MaxAtStart() ? pageStep_ : -pageStep_));
}

void RC_Slider::PageTick(void* user, RC_Timer*) {
    auto* self = static_cast<RC_Slider*>(user);
    // Paging ends with the capture, also when the capture went because the slider was disabled.
    if ((self->State() & kCapture) == 0) {
        self->pageTimer_.Stop();
        self->ClearStateFlags(kPaging);
        return;
    }
    if ((self->State() & kPaging) != 0) self->PageStep();
}

void RC_Slider::MouseEvent(int kind, std::uint32_t keys, int x, int y) {
    const std::uint32_t state = State();
    switch (kind) {
    case kLeftDown:
    case kLeftDouble: {
        const gdi::Rect thumb = ThumbRect();
        if (thumb.Contains({x, y})) {
            SetStateFlags(kDragging | kCapture);
            return;
        }
        const int p = Along(x, y);
        if (p < TrackStart() || p >= TrackEnd()) break;
        lastX_ = x, lastY_ = y;
        SetStateFlags(kPaging | kCapture);
        PageStep();
        pageTimer_.SetInterval(kPageFirstMs);
        pageTimer_.Start();
        return;
    }
    case kMouseMove:
        if ((state & kDragging) != 0) {
            const double g = TrackStart(), h = TrackEnd(), t = thumbLength_;
            const double p = Along(x, y);
            const double startValue = MaxAtStart() ? maximum_ : minimum_;
            const double endValue = MaxAtStart() ? minimum_ : maximum_;
            if (p <= g + t / 2 || h - t - g <= 0) {
                SetSliderValue(startValue);
            } else if (p >= h - t / 2) {
                SetSliderValue(endValue);
            } else {
                SetSliderValue(startValue + (endValue - startValue) * (p - g - t / 2) / (h - t - g));
            }
            return;
        }
        if ((state & kPaging) != 0) {
            lastX_ = x, lastY_ = y;
            return;
        }
        break;
    case kLeftUp:
        if ((state & kDragging) != 0) {
            ClearStateFlags(kDragging | kCapture);
            return;
        }
        if ((state & kPaging) != 0) {
            pageTimer_.Stop();
            ClearStateFlags(kPaging | kCapture);
            return;
        }
        break;
    default: break;
    }
    RC_Window::MouseEvent(kind, keys, x, y);
}
