#include "demod/ui/toolkit/RC_Spinner.h"

#include "demod/ui/toolkit/RC_Cursor.h"
#include "demod/ui/toolkit/RC_Glyphs.h"
#include "platform/win/Win.h"

#include <algorithm>

namespace gdi = plat::gdi;

RC_Spinner::RC_Spinner(RC_Window* parent, int x, int y, int w, int h, bool vertical)
    : RC_Window(parent, x, y, w, h, kWindowless), vertical_(vertical) {
    first_ = new RC_Button(this, 0, 0, 1, 1, vertical ? kGlyphUp : kGlyphLeft);
    second_ = new RC_Button(this, 0, 0, 1, 1, vertical ? kGlyphDown : kGlyphRight);
    for (RC_Button* b : {first_, second_}) {
        b->SetKind(RC_Button::kAutoRepeat);
        b->SetFrameWidth(1);
        b->Show(plat::win::SW_SHOW);
    }
    first_->onAction = {&RC_Spinner::Up, this};
    second_->onAction = {&RC_Spinner::Down, this};
    Layout();
}

void RC_Spinner::Up(void* user, RC_Window*) { static_cast<RC_Spinner*>(user)->Step(1, true); }
void RC_Spinner::Down(void* user, RC_Window*) { static_cast<RC_Spinner*>(user)->Step(-1, true); }

void RC_Spinner::SetMinimum(double v) {
    minimum_ = v;
    if (v >= maximum_) maximum_ = v + 1.0;
    value_ = std::clamp(value_, minimum_, maximum_);
}

void RC_Spinner::SetMaximum(double v) {
    maximum_ = v;
    if (v <= minimum_) minimum_ = v - 1.0;
    value_ = std::clamp(value_, minimum_, maximum_);
}

void RC_Spinner::SetValue(double v) { value_ = std::clamp(v, minimum_, maximum_); }

void RC_Spinner::Step(int n, bool notify) {
    if (n > 0 && onIncrement) onIncrement.fn(onIncrement.user, this);
    if (n < 0 && onDecrement) onDecrement.fn(onDecrement.user, this);
    const double next = std::clamp(value_ + n * step_, minimum_, maximum_);
    if (next == value_) return;
    value_ = next;
    if (notify && onValueChange) onValueChange.fn(onValueChange.user, this, value_);
}

void RC_Spinner::Layout() {
    const int f = FrameWidth();
    const int gap = (Style() & kShowStrip) != 0 ? 2 * stripHalf_ : 0;
    if (vertical_) {
        const int inner = Width() - 2 * f;
        const int half = (Height() - 2 * f - gap) / 2;
        first_->Move(f, f, inner, half, true);
        second_->Move(f, Height() - f - half, inner, half, true);
        strip_ = {f, f + half, f + inner, Height() - f - half};
    } else {
        const int inner = Height() - 2 * f;
        const int half = (Width() - 2 * f - gap) / 2;
        first_->Move(f, f, half, inner, true);
        second_->Move(Width() - f - half, f, half, inner, true);
        strip_ = {f + half, f, Width() - f - half, f + inner};
    }
}

void RC_Spinner::Move(int x, int y, int width, int height, bool relayout) {
    RC_Window::Move(x, y, width, height, relayout);
    Layout();
}

void RC_Spinner::OnFlagsChanged(std::uint32_t a, std::uint32_t b) {
    const bool stripChanged = ((a ^ FlagsA()) & kShowStrip) != 0;
    RC_Window::OnFlagsChanged(a, b);
    if (stripChanged) {
        Layout();
        Invalidate();
    }
}

void RC_Spinner::PaintContent() {
    RC_Window::PaintContent();
    Layout();
    if ((Style() & kShowStrip) == 0 || strip_.IsEmpty()) return;
    gdi::Rect r = strip_;
    DrawFrame(held_ ? 1 : 2, stripHalf_, stripFrameColour_, r);
    FillRect(r, BackgroundColour());
}

void RC_Spinner::MouseEvent(int kind, std::uint32_t keys, int x, int y) {
    const bool onStrip = (Style() & kShowStrip) != 0 && strip_.Contains({x, y});
    const RC_Cursor& drag = vertical_ ? RC_GetSharedCursors().spinnerVertical : RC_GetSharedCursors().spinnerHorizontal;
    switch (kind) {
    case kLeftDown:
        if (!onStrip) break;
        SetStateFlags(kCapture);
        held_ = true;
        Invalidate();
        SetCursorShape(drag.Handle());
        anchor_ = Along(x, y);
        dragCounter_ = 0;
        return;
    case kMouseMove:
        if (held_) {
            const int pos = Along(x, y);
            // Each pixel moved counts; every pixels-per-step of them makes one step, towards
            // larger coordinates downwards.
            while (anchor_ != pos) {
                const int dir = pos > anchor_ ? 1 : -1;
                anchor_ += dir;
                dragCounter_ += dir;
                if (dragCounter_ % pixelsPerStep_ == 0) Step(dir > 0 ? -stepCount_ : stepCount_, true);
            }
            return;
        }
        if (onStrip) {
            SetCursorShape(drag.Handle());
            return;
        }
        break;
    case kLeftUp:
        if (!held_) break;
        held_ = false;
        ClearStateFlags(kCapture);
        Invalidate();
        return;
    default: break;
    }
    RC_Window::MouseEvent(kind, keys, x, y);
}
