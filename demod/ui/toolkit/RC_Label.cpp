#include "demod/ui/toolkit/RC_Label.h"

namespace gdi = plat::gdi;

RC_Label::RC_Label(RC_Window* parent, int x, int y, int w, int h, const char* caption)
    : RC_Window(parent, x, y, w, h, kWindowless) {
    SetBackgroundColour(0x404040);
    SetFrameColour(0x404040);
    Font().SetHeight(-11);
    Font().SetWeight(400);
    SetCaption(caption);
}

void RC_Label::PaintContent() {
    RC_Window::PaintContent();
    const std::uint32_t style = Style();
    if ((style & (kFitWidth | kFitHeight)) != 0) {
        // Sizing to the text repaints the label at its new size.
        const int border = 2 * FrameWidth();
        const int w = (style & kFitWidth) != 0 ? TextWidth(Caption()) + border : Width();
        const int h = (style & kFitHeight) != 0 ? TextHeight(Caption()) + border : Height();
        if (w != Width() || h != Height()) {
            Move(X(), Y(), w, h, true);
            return;
        }
    }
    const RC_Colour bg = BackgroundColour();
    const bool enabled = EnabledChain();
    const RC_Colour ink = enabled ? textColour_ : RC_BlendColour(textColour_, bg, 2, 1);
    const gdi::Rect c = ContentRect();
    if ((style & kHeading) != 0) {
        const int e = c.Height() / 2;
        Pen().SetWidth(1);
        Pen().SetColour(RC_BlendColour(bg, textColour_, 2, 1));
        MoveTo(c.left, c.bottom);
        LineTo(c.left + e, c.bottom - e);
        LineTo(c.right - e - 1, c.bottom - e);
        LineTo(c.right - 1, c.bottom);
    }
    SetTextColour(ink);
    SetBackgroundModeOfContext(2);
    SetBackgroundColourOfContext(bg);
    DrawTextAligned(c, Caption(), align_);
}
