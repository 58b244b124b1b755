#pragma once
// The classic scroll bars the standard controls keep in their frames: where their parts lie,
// and how they are drawn.

#include "platform/gdi/DC.h"
#include "platform/components/Types.h"

namespace plat::comp {

constexpr int kScrollBarSize = 16;

struct ScrollBarParts {
    TRect first;  // arrow button at the start (up or left)
    TRect last;   // arrow button at the end
    TRect thumb;  // empty when everything fits (range <= page)
};

// The parts of a bar in `bar` for a position within 0..range - page.
ScrollBarParts LayoutScrollBar(const TRect& bar, bool vertical, int position, int page, int range);
void PaintScrollBar(gdi::DC& dc, const TRect& bar, bool vertical, int position, int page, int range);
// The position a click at `p` in the bar leads to: a line for the arrows, a page for the track.
int ScrollBarClick(const TRect& bar, bool vertical, int position, int page, int range, TPoint p);

} // namespace plat::comp
