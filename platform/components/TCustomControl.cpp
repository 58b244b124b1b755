#include "platform/components/TCustomControl.h"

namespace plat::comp {

void TCustomControl::PaintWindow(gdi::DC& dc) {
    canvas_.Font().Assign(Font());
    canvas_.Brush().SetColor(Color());
    canvas_.SetHandle(&dc);
    Paint();
    canvas_.SetHandle(nullptr);
}

} // namespace plat::comp
