#include "app/controls/TstCustomEdit.h"

#include "platform/win/PaintApi.h"

namespace lxq {

void TstCustomEdit::RedrawFrame() {
    if (HandleAllocated())
        plat::win::RedrawWindow(Handle(), nullptr, nullptr,
                                plat::win::RDW_FRAME | plat::win::RDW_INVALIDATE);
    Invalidate();
}

} // namespace lxq
