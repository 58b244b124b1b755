#include "demod/ui/toolkit/RC_GroupFrame.h"

#include <cstring>

namespace gdi = plat::gdi;

RC_GroupFrame::RC_GroupFrame(RC_Window* parent, int x, int y, int w, int h, const char* caption)
    : RC_Window(parent, x, y, w, h, kWindowless) {
    SetBackgroundColour(0x404040);
    SetFrameColour(0x606060);
    SetFrameType(2);
    SetFrameWidth(1);
    SetCaption(caption);
}

gdi::Rect RC_GroupFrame::InnerRect() const {
    const int inset = static_cast<int>(corner_ * 0.4 + FrameWidth());
    return gdi::Rect{0, 0, Width(), Height()}.Inflate(-inset, -inset);
}

void RC_GroupFrame::PaintFrame() {
    if (kind_ == kPlainFrame) RC_Window::PaintFrame();
}

void RC_GroupFrame::PaintContent() {
    RC_Window::PaintContent();
    if (kind_ == kRounded) {
        const int f = FrameWidth();
        const RC_Colour frame = frameColour_;
        Brush().SetStyle(1); // hollow: the background shows through
        Pen().SetWidth(1);
        Pen().SetColour(RC_ScaleColour(frame, 1, 3));
        RoundRect(f, f, Width(), Height(), corner_, corner_);
        Pen().SetColour(frame);
        RoundRect(0, 0, Width() - f, Height() - f, corner_, corner_);
    }
    const char* caption = Caption();
    if (caption[0] == '\0') return;
    // The caption covers the top line on the background, centred.
    const int tw = TextWidth(caption) + 8;
    const int th = TextHeight(caption);
    const gdi::Rect box{(Width() - tw) / 2, 0, (Width() - tw) / 2 + tw, th};
    FillRect(box, BackgroundColour());
    SetTextColour(IsEnabled() ? textColour_ : RC_BlendColour(textColour_, BackgroundColour(), 2, 1));
    SetBackgroundModeOfContext(1);
    DrawTextAligned(box, caption, 1);
}
