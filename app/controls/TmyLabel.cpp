#include "app/controls/TmyLabel.h"
#include "app/controls/SolidBrush.h"

namespace lxq {

using namespace plat::comp;
namespace dt = plat::gdi::dt;

void TmyLabel::SetShowBurried(bool v) {
    if (v == showBurried_) return;
    showBurried_ = v;
    Invalidate();
}

void TmyLabel::SetDisColor(TColor v) {
    if (v == disableColor_) return;
    disableColor_ = v;
    if (!Enabled()) Invalidate();
}

void TmyLabel::SetBurColor(TColor v) {
    if (v == burriedColor_) return;
    burriedColor_ = v;
    if (!Enabled()) Invalidate();
}

void TmyLabel::Paint() {
    TCanvas& c = Canvas();
    TRect r = ClientRect();
    if (!Transparent()) {
        SetSolidBrush(c, Color());
        c.FillRect(r);
    }
    c.Brush().SetStyle(TBrushStyle::bsClear);
    unsigned flags = WordWrap() ? dt::WordBreak : 0;
    if (Alignment() == TAlignment::taCenter) flags |= dt::Center;
    if (Alignment() == TAlignment::taRightJustify) flags |= dt::Right;
    if (Layout() != TTextLayout::tlTop) {
        TRect measured = r;
        c.Font().Assign(Font());
        c.DrawText(Caption(), measured, flags | dt::CalcRect);
        const int dy = r.Height() - measured.Height();
        r.top += Layout() == TTextLayout::tlCenter ? dy / 2 : dy;
    }
    DoDrawText(r, flags);
}

void TmyLabel::DoDrawText(TRect& r, unsigned flags) {
    TCanvas& c = Canvas();
    c.Font().Assign(Font());
    if (Enabled()) {
        c.DrawText(Caption(), r, flags);
        return;
    }
    if (showBurried_) {
        TRect shifted = r.Offset(1, 1);
        c.Font().SetColor(burriedColor_);
        c.DrawText(Caption(), shifted, flags);
    }
    c.Font().SetColor(disableColor_);
    c.DrawText(Caption(), r, flags);
}

} // namespace lxq
