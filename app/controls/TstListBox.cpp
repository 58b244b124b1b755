#include "app/controls/TstListBox.h"

#include <algorithm>

#include "app/controls/ColorShadow.h"

namespace lxq {

using namespace plat::comp;

void TstListBox::CreateParams(TCreateParams& p) {
    TCustomListBox::CreateParams(p);
    p.style = (p.style & ~LBS_HASSTRINGS) | LBS_NODATA;
}

void TstListBox::SetDefaultShadow(bool v) {
    if (v == defaultShadow_) return;
    defaultShadow_ = v;
    Invalidate();
}

void TstListBox::SetShadowOffset(int v) {
    v = std::clamp(v, 0, 360);
    if (v == shadowOffset_) return;
    shadowOffset_ = v;
    if (!defaultShadow_) Invalidate();
}

void TstListBox::SetLength(int count) {
    count_ = std::max(count, 0);
    Perform(LB_SETCOUNT, static_cast<plat::win::WParam>(count_));
}

void TstListBox::PaintNonClient(plat::gdi::DC& dc) {
    TCustomListBox::PaintNonClient(dc);
    if (!defaultShadow_) DrawLBNC(dc);
}

void TstListBox::DrawLBNC(plat::gdi::DC& dc) {
    // A scroll bar, when the rows need one, counts as client area: the frame goes round it.
    DrawNC(dc, Width(), Height(), InsideBorder(), ParentBrushColor(), shadowOffset_);
}

void TstListBox::WndProc(TMessage& m) {
    TCustomListBox::WndProc(m);
    if (m.Msg == CM_PARENTCOLORCHANGED && !defaultShadow_) Invalidate();
}

void TstListBox::DropFiles(TPoint at, const std::vector<std::string>& paths) {
    if (!acceptFiles_) return;
    const TRect client = ClientAreaInWindow();
    if (!client.Contains(at)) return;
    // Paths are kept whole, however long.
    auto files = std::make_unique<TStringList>();
    for (auto it = paths.rbegin(); it != paths.rend(); ++it) files->Add(*it);
    if (OnApiDropFiles) OnApiDropFiles(this, {at.x - client.left, at.y - client.top}, files);
}

} // namespace lxq
