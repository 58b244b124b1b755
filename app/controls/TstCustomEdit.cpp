#include "app/controls/TstCustomEdit.h"

#include <algorithm>

#include "app/controls/ColorShadow.h"
#include "platform/win/PaintApi.h"

namespace lxq {

using namespace plat::comp;

TstCustomEdit::TstCustomEdit(TComponent* owner) : TCustomEdit(owner) {}

void TstCustomEdit::SetDefaultShadow(bool v) {
    if (v == defaultShadow_) return;
    defaultShadow_ = v;
    RedrawFrame();
}

void TstCustomEdit::SetShadowOffset(int v) {
    v = std::clamp(v, 0, 360);
    if (v == shadowOffset_) return;
    shadowOffset_ = v;
    if (!defaultShadow_) RedrawFrame();
}

void TstCustomEdit::RedrawFrame() {
    if (HandleAllocated())
        plat::win::RedrawWindow(Handle(), nullptr, nullptr,
                                plat::win::RDW_FRAME | plat::win::RDW_INVALIDATE);
    Invalidate();
}

void TstCustomEdit::PaintNonClient(plat::gdi::DC& dc) {
    TCustomEdit::PaintNonClient(dc);
    if (!defaultShadow_)
        DrawNC(dc, Width(), Height(), ClientAreaInWindow(), ParentBrushColor(), shadowOffset_);
}

void TstCustomEdit::WndProc(TMessage& m) {
    TCustomEdit::WndProc(m);
    if (m.Msg == CM_PARENTCOLORCHANGED && !defaultShadow_) RedrawFrame();
}

} // namespace lxq
