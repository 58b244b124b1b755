#include "app/controls/TstListBox.h"

#include <algorithm>

#include "platform/win/DropApi.h"
#include "platform/win/Styles.h"

namespace lxq {

using namespace plat::comp;

void TstListBox::CreateParams(TCreateParams& p) {
    TCustomListBox::CreateParams(p);
    p.style = (p.style & ~LBS_HASSTRINGS) | LBS_NODATA;
    if (acceptFiles_) p.exStyle |= plat::win::WS_EX_ACCEPTFILES;
}

void TstListBox::SetLength(int count) {
    count_ = std::max(count, 0);
    Perform(LB_SETCOUNT, static_cast<plat::win::WParam>(count_));
}

void TstListBox::PaintNonClient(plat::gdi::DC& dc) {
    TCustomListBox::PaintNonClient(dc);
    // A scroll bar, when the rows need one, counts as client area: the frame goes round it.
    if (!DefaultShadow()) DrawShadowFrame(dc, InsideBorder());
}

void TstListBox::SetAcceptFiles(bool v) {
    if (HandleAllocated()) plat::win::DragAcceptFiles(Handle(), v);
    acceptFiles_ = v;
}

void TstListBox::WndProc(TMessage& m) {
    if (m.Msg == plat::win::WM_DROPFILES) {
        DropFiles(static_cast<plat::win::Hdrop>(m.WParam));
        return;
    }
    ShadowFramed::WndProc(m);
}

void TstListBox::DropFiles(plat::win::Hdrop drop) {
    plat::win::Point at;
    if (plat::win::DragQueryPoint(drop, &at)) {
        // Whole paths, however long; the last dropped comes first.
        auto files = std::make_unique<TStringList>();
        const std::uint32_t count = plat::win::DragQueryFileCount(drop);
        for (std::uint32_t i = count; i-- > 0;) files->Add(plat::win::DragQueryFile(drop, i));
        if (OnApiDropFiles) OnApiDropFiles(this, {at.x, at.y}, files);
    }
    plat::win::DragFinish(drop);
}

} // namespace lxq
