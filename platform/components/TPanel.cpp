#include "platform/components/TPanel.h"

#include <algorithm>

#include "platform/components/Frames.h"

namespace plat::comp {

TPanel::TPanel(TComponent* owner) : TCustomControl(owner) {
    SetBounds(0, 0, 185, 41);
    SetControlStyle(ControlStyle() | cs::AcceptsControls | cs::SetCaption | cs::Opaque);
}

void TPanel::SetBevelOuter(TPanelBevel b) {
    if (b == bevelOuter_) return;
    bevelOuter_ = b;
    Realign();
    Invalidate();
}

void TPanel::SetBevelInner(TPanelBevel b) {
    if (b == bevelInner_) return;
    bevelInner_ = b;
    Realign();
    Invalidate();
}

void TPanel::SetBevelWidth(int w) {
    w = std::max(w, 1);
    if (w == bevelWidth_) return;
    bevelWidth_ = w;
    Realign();
    Invalidate();
}

void TPanel::SetBorderWidth(int w) {
    w = std::max(w, 0);
    if (w == borderWidth_) return;
    borderWidth_ = w;
    Realign();
    Invalidate();
}

void TPanel::SetAlignment(TAlignment a) {
    if (a == alignment_) return;
    alignment_ = a;
    Invalidate();
}

int TPanel::Inset() const {
    int n = borderWidth_;
    if (bevelOuter_ != TPanelBevel::bvNone) n += bevelWidth_;
    if (bevelInner_ != TPanelBevel::bvNone) n += bevelWidth_;
    return n;
}

void TPanel::AdjustClientRect(TRect& rect) { rect = rect.Inflate(-Inset(), -Inset()); }

void TPanel::Paint() {
    TCanvas& c = Canvas();
    TRect r = ClientRect();
    auto bevel = [&](TPanelBevel b) {
        if (b == TPanelBevel::bvNone) return;
        const bool raised = b == TPanelBevel::bvRaised;
        Frame3D(c, r, raised ? clBtnHighlight : clBtnShadow, raised ? clBtnShadow : clBtnHighlight,
                bevelWidth_);
    };
    bevel(bevelOuter_);
    Frame3D(c, r, Color(), Color(), borderWidth_);
    bevel(bevelInner_);
    c.Brush().SetColor(Color());
    c.FillRect(r);
    if (Caption().empty()) return;
    c.Brush().SetStyle(TBrushStyle::bsClear);
    c.Font().SetColor(Enabled() ? Font().Color() : clGrayText);
    unsigned flags = gdi::dt::VCenter | gdi::dt::SingleLine;
    if (alignment_ == TAlignment::taCenter) flags |= gdi::dt::Center;
    if (alignment_ == TAlignment::taRightJustify) flags |= gdi::dt::Right;
    c.DrawText(Caption(), r, flags);
}

} // namespace plat::comp
