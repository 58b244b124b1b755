#include "platform/components/TCustomControl.h"

namespace plat::comp {

void TCustomControl::PaintWindow(gdi::DC& dc) {
    canvas_.Reset(Font(), Color());
    canvas_.SetHandle(&dc);
    Paint();
    canvas_.SetHandle(nullptr);
}

} // namespace plat::comp
