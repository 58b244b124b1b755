#include "app/controls/TstMemo.h"

#include <algorithm>

#include "app/controls/ColorShadow.h"
#include "platform/components/ScrollBarPainter.h"

namespace lxq {

using namespace plat::comp;

void TstMemo::SetDefaultShadow(bool v) {
    if (v == defaultShadow_) return;
    defaultShadow_ = v;
    Invalidate();
}

void TstMemo::SetShadowOffset(int v) {
    v = std::clamp(v, 0, 360);
    if (v == shadowOffset_) return;
    shadowOffset_ = v;
    if (!defaultShadow_) Invalidate();
}

void TstMemo::PaintNonClient(plat::gdi::DC& dc) {
    TCustomMemo::PaintNonClient(dc);
    if (!defaultShadow_) DrawNC(dc);
}

void TstMemo::DrawNC(plat::gdi::DC& dc) {
    TRect client = ClientAreaInWindow();
    const TScrollStyle bars = ScrollBars();
    const bool vertical = bars == TScrollStyle::ssVertical || bars == TScrollStyle::ssBoth;
    const bool horizontal = bars == TScrollStyle::ssHorizontal || bars == TScrollStyle::ssBoth;
    // The bars the frame holds are the width the window system reserves for them.
    if (vertical) client.right += kScrollBarSize;
    if (horizontal) client.bottom += kScrollBarSize;
    if (vertical && horizontal)
        dc.FillRect({client.right - kScrollBarSize, client.bottom - kScrollBarSize, client.right,
                     client.bottom},
                    plat::gdi::Brush::Solid(ColorToRGB(ParentBrushColor())));
    lxq::DrawNC(dc, Width(), Height(), client, ParentBrushColor(), shadowOffset_);
}

void TstMemo::WndProc(TMessage& m) {
    TCustomMemo::WndProc(m);
    if (m.Msg == CM_PARENTCOLORCHANGED && !defaultShadow_) Invalidate();
}

} // namespace lxq
