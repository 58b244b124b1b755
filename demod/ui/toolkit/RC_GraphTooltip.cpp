#include "demod/ui/toolkit/RC_GraphTooltip.h"

namespace {
constexpr int kAbovePointer = 10;
constexpr int kFrame = 2;
} // namespace

RC_GraphTooltip::RC_GraphTooltip(RC_Window* owner, int x, int y, const char* text)
    : RC_Window(owner, x, y - kAbovePointer - 2 * kFrame, 2 * kFrame, 2 * kFrame, kKeepsLoop | kOwnedPopup) {
    SetBackgroundColour(0x606060);
    SetFrameColour(0x606060);
    SetFrameType(4);
    SetFrameWidth(kFrame);
    SetTextColour(0xffffff);
    SetCaption(text);
}

void RC_GraphTooltip::FollowPointer(int x, int y) { Move(x, y - kAbovePointer - Height(), Width(), Height(), false); }

void RC_GraphTooltip::PaintContent() {
    const int w = TextWidth(Caption()) + 2 * kFrame + 4;
    const int h = TextHeight(Caption()) + 2 * kFrame;
    if (w != Width() || h != Height()) {
        // Grows upwards: the bottom edge stays where the pointer put it.
        Move(X(), Y() + Height() - h, w, h, false);
        Invalidate();
        return;
    }
    RC_Window::PaintContent();
    SetBackgroundModeOfContext(1);
    DrawTextAligned(ContentRect(), Caption(), 1u | 4u);
}
