#include "app/controls/TstPanel.h"

#include <algorithm>

namespace lxq {

using namespace plat::comp;
namespace dt = plat::gdi::dt;

unsigned SingleLineFlags(TAlignment alignment, TTextLayout layout, bool abbreviate) {
    unsigned f = dt::SingleLine;
    if (abbreviate) f |= dt::EndEllipsis;
    if (layout == TTextLayout::tlCenter) f |= dt::VCenter;
    else if (layout == TTextLayout::tlBottom) f |= dt::Bottom;
    if (alignment == TAlignment::taCenter) f |= dt::Center;
    else if (alignment == TAlignment::taRightJustify) f |= dt::Right;
    return f;
}

TstPanel::TstPanel(TComponent* owner) : TstCustomPanel(owner) {
    SetControlStyle(ControlStyle() | cs::SetCaption);
}

void TstPanel::SetAbbreviate(bool v) {
    if (v == abbreviate_) return;
    abbreviate_ = v;
    Invalidate();
}

void TstPanel::SetAlignment(TAlignment v) {
    if (v == alignment_) return;
    alignment_ = v;
    Invalidate();
}

void TstPanel::SetIndent(int v) {
    v = std::max(v, 0);
    if (v == indent_) return;
    indent_ = v;
    Invalidate();
}

void TstPanel::SetLayout(TTextLayout v) {
    if (v == layout_) return;
    layout_ = v;
    Invalidate();
}

void TstPanel::SetEnabled(bool enabled) {
    TstCustomPanel::SetEnabled(enabled);
    if (!enable4All_) return;
    for (int i = 0; i < ControlCount(); ++i) {
        TControl* child = Controls(i);
        if (child->Tag() >= 0) child->SetEnabled(enabled);
    }
}

void TstPanel::Paint() {
    TstCustomPanel::Paint();
    const int n = AdjustBevel();
    TRect r = ClientRect();
    r = {r.left + n + indent_, r.top + n, r.right - n - indent_, r.bottom - n};
    if (r.IsEmpty() || Caption().empty()) return;
    TCanvas& c = Canvas();
    c.Brush().SetStyle(TBrushStyle::bsClear);
    c.Font().Assign(Font());
    c.DrawText(Caption(), r, SingleLineFlags(alignment_, layout_, abbreviate_));
}

} // namespace lxq
