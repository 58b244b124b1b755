#pragma once
// Draws the classic scroll bars the standard controls keep in their frames.

#include "platform/gdi/DC.h"
#include "platform/components/Types.h"

namespace plat::comp {

constexpr int kScrollBarSize = 16;

// A vertical (or horizontal) bar in `bar` with its thumb for a position within 0..range - page.
void PaintScrollBar(gdi::DC& dc, const TRect& bar, bool vertical, int position, int page, int range);

} // namespace plat::comp
