#include "app/controls/TstListBox.h"

#include <algorithm>

namespace lxq {

using namespace plat::comp;

void TstListBox::CreateParams(TCreateParams& p) {
    TCustomListBox::CreateParams(p);
    p.style = (p.style & ~LBS_HASSTRINGS) | LBS_NODATA;
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
