#include "platform/components/TGraphicControl.h"

namespace plat::comp {

void TGraphicControl::PaintTo(gdi::DC& dc, int x, int y) {
    const int saved = dc.SaveDC();
    dc.OffsetViewportOrg(x, y);
    dc.IntersectClipRect({0, 0, Width(), Height()});
    canvas_.Reset(Font(), Color());
    canvas_.SetHandle(&dc);
    Paint();
    canvas_.SetHandle(nullptr);
    dc.RestoreDC(saved);
}

} // namespace plat::comp
