#include "app/controls/TstCustomPanel.h"
#include "app/controls/SolidBrush.h"

#include <algorithm>

#include "app/controls/BevelRings.h"
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

void TstCustomPanel::SetAutoSize(bool v) {
    if (v == autoSize_) return;
    autoSize_ = v;
    AdjustSize();
}

bool TstCustomPanel::CanAutoSize(int& newWidth, int& newHeight) {
    if (docking_) return false;
    int right = 0, bottom = 0;
    bool any = false;
    for (int i = 0; i < ControlCount(); ++i) {
        const TControl* c = Controls(i);
        if (!c->Visible()) continue;
        any = true;
        right = std::max(right, c->Left() + c->Width());
        bottom = std::max(bottom, c->Top() + c->Height());
    }
    if (!any) return false;
    // The children lie inside the bevel, whose width is the one drawn at the new size.
    const int frameW = Width() - ClientWidth(), frameH = Height() - ClientHeight();
    const int n = bevelWidth_;
    newWidth = right + n + frameW;
    newHeight = bottom + n + frameH;
    return true;
}

void TstCustomPanel::AdjustSize() {
    int w = Width(), h = Height();
    if (autoSize_ && CanAutoSize(w, h) && (w != Width() || h != Height())) SetBounds(Left(), Top(), w, h);
}

bool TstCustomPanel::DockClient(TControl& client, TAlign align) {
    if (!dockSite_) return false;
    struct Docking {
        bool& flag;
        explicit Docking(bool& f) : flag(f) { flag = true; }
        ~Docking() { flag = false; }
    } docking(docking_);
    if (autoSize_) {
        switch (align) {
        case TAlign::alTop:
            if (Height() == 0) SetHeight(client.Height());
            break;
        case TAlign::alBottom:
            if (Height() == 0) SetBounds(Left(), Top() - client.Height(), Width(), client.Height());
            break;
        case TAlign::alLeft:
            if (Width() == 0) SetWidth(client.Width());
            break;
        case TAlign::alRight:
            if (Width() == 0) SetBounds(Left() - client.Width(), Top(), client.Width(), Height());
            break;
        default: break;
        }
    }
    client.SetParent(this);
    client.SetAlign(align);
    return true;
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
        const bool inner = bevelStyle_ == TBevelStyle::bsGradientInner;
        DrawBevelRings(
            c, r, n,
            [&](int i) {
                return inner ? GetColorShadow(base, shadowOffset_, -n, i + 1)
                             : GetColorShadow(base, shadowOffset_, n, n - i);
            },
            [&](int i) {
                return inner ? GetColorShadow(base, shadowOffset_, n, i + 1)
                             : GetColorShadow(base, shadowOffset_, -n, n - i);
            });
    }
    if (OnPaint) OnPaint(this);
}

void TstCustomPanel::WndProc(TMessage& m) {
    TCustomControl::WndProc(m);
    if (m.Msg == CM_PARENTCOLORCHANGED && (parentShadow_ || bevelStyle_ == TBevelStyle::bsRound))
        Invalidate();
}

} // namespace lxq
