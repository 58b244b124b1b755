#include "app/controls/TstCustomPanel.h"
#include "app/controls/SolidBrush.h"

#include <algorithm>
#include <array>

#include "app/controls/ColorShadow.h"

namespace lxq {

using namespace plat::comp;

TstCustomPanel::TstCustomPanel(TComponent* owner) : TCustomControl(owner) {
    SetControlStyle(cs::AcceptsControls | cs::CaptureMouse | cs::ClickEvents | cs::DoubleClicks |
                    cs::Opaque);
    SetBounds(0, 0, 185, 41);
}

int TstCustomPanel::AdjustBevel() const {
    return std::min(bevelWidth_, std::min(ClientWidth(), ClientHeight()) / 2);
}

void TstCustomPanel::AdjustClientRect(TRect& r) {
    const int n = AdjustBevel();
    r = {r.left + n, r.top + n, r.right - n, r.bottom - n};
}

void TstCustomPanel::SetBevelWidth(int v) {
    v = std::max(v, 0);
    if (v == bevelWidth_) return;
    bevelWidth_ = v;
    Realign();
    Invalidate();
}

void TstCustomPanel::SetBevelStyle(TBevelStyle v) {
    if (v == bevelStyle_) return;
    bevelStyle_ = v;
    Invalidate();
}

void TstCustomPanel::SetShadowOffset(int v) {
    v = std::clamp(v, 0, 360);
    if (v == shadowOffset_) return;
    shadowOffset_ = v;
    Invalidate();
}

void TstCustomPanel::SetParentShadow(bool v) {
    if (v == parentShadow_) return;
    parentShadow_ = v;
    Invalidate();
}

void TstCustomPanel::SetPenWidth(int v) {
    v = std::max(v, 0);
    if (v == penWidth_) return;
    penWidth_ = v;
    if (bevelStyle_ == TBevelStyle::bsRound) Invalidate();
}

void TstCustomPanel::Paint() {
    TCanvas& c = Canvas();
    const TColor base = parentShadow_ ? ParentBrushColor() : Color();
    const TRect r = ClientRect();
    const int n = AdjustBevel();
    const int L = r.left, T = r.top, R = r.right, B = r.bottom;
    if (bevelStyle_ == TBevelStyle::bsRound) {
        SetSolidBrush(c, ParentBrushColor());
        c.FillRect(r);
        const int w = n > 0 ? std::min(penWidth_, n - 1) : 0;
        c.Pen().SetWidth(w);
        SetSolidBrush(c, Color());
        c.Pen().SetColor(GetColorShadow(base, shadowOffset_, 1, 1));
        c.RoundRect(L + w / 2 + 1, T + w / 2 + 1, R - w / 2, B - w / 2, 2 * n - 1, 2 * n - 1);
        c.Brush().SetStyle(TBrushStyle::bsClear);
        c.Pen().SetColor(GetColorShadow(base, shadowOffset_, -1, 1));
        c.RoundRect(L + w / 2, T + w / 2, R - w / 2 - 1, B - w / 2 - 1, 2 * n - 1, 2 * n - 1);
        c.Pen().SetWidth(1);
    } else {
        SetSolidBrush(c, Color());
        c.FillRect({L + n, T + n, R - n, B - n});
        c.Pen().SetWidth(1);
        const bool inner = bevelStyle_ == TBevelStyle::bsGradientInner;
        for (int i = 0; i < n; ++i) {
            const TColor light = inner ? GetColorShadow(base, shadowOffset_, -n, i + 1)
                                       : GetColorShadow(base, shadowOffset_, n, n - i);
            const TColor dark = inner ? GetColorShadow(base, shadowOffset_, n, i + 1)
                                      : GetColorShadow(base, shadowOffset_, -n, n - i);
            const std::array<TPoint, 3> topLeft{{{L + i, B - i - 1}, {L + i, T + i}, {R - i, T + i}}};
            const std::array<TPoint, 3> bottomRight{
                {{L + i + 1, B - i - 1}, {R - i - 1, B - i - 1}, {R - i - 1, T + i}}};
            c.Pen().SetColor(light);
            c.Polyline(topLeft);
            c.Pen().SetColor(dark);
            c.Polyline(bottomRight);
        }
    }
    if (OnPaint) OnPaint(this);
}

void TstCustomPanel::WndProc(TMessage& m) {
    TCustomControl::WndProc(m);
    if (m.Msg == CM_PARENTCOLORCHANGED && (parentShadow_ || bevelStyle_ == TBevelStyle::bsRound))
        Invalidate();
}

} // namespace lxq
