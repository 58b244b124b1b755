#include "app/controls/TstMemo.h"

#include "platform/components/ScrollBarPainter.h"

namespace lxq {

using namespace plat::comp;

void TstMemo::PaintNonClient(plat::gdi::DC& dc) {
    TCustomMemo::PaintNonClient(dc);
    if (DefaultShadow()) return;
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
    DrawShadowFrame(dc, client);
}

} // namespace lxq
