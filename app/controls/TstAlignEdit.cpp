#include "app/controls/TstAlignEdit.h"

namespace lxq {

using namespace plat::comp;

void TstAlignEdit::CreateParams(TCreateParams& p) {
    TstCustomEdit::CreateParams(p);
    if (alignment_ == TAlignment::taRightJustify) p.style |= ES_RIGHT;
    else if (alignment_ == TAlignment::taCenter) p.style |= ES_CENTER;
}

void TstAlignEdit::SetAlignment(TAlignment a) {
    if (a == alignment_) return;
    alignment_ = a;
    // The alignment is a window style: the window is made again with it.
    if (HandleAllocated()) {
        DestroyHandle();
        HandleNeeded();
    }
    Invalidate();
}

} // namespace lxq
