#include "app/controls/TmyIntEdit.h"

#include "app/controls/WheelForwarding.h"
#include "platform/components/TCanvas.h"
#include "platform/win/WindowApi.h"

namespace lxq {

using namespace plat::comp;

TmyIntEdit::TmyIntEdit(TComponent* owner) : TstIntEdit(owner) { SetDoubleBuffered(true); }

void TmyIntEdit::SetUnit(const std::string& s) {
    if (s == unit_) return;
    unit_ = s;
    MeasureUnit();
    Invalidate();
}

void TmyIntEdit::MeasureUnit() {
    // An empty unit gives its column back to the digits.
    const int cx = unit_.empty() ? 0 : Font().TextExtent(unit_).cx;
    if (cx == unitWidth_) return;
    unitWidth_ = cx;
    FrameChanged();
}

TRect TmyIntEdit::ClientAreaInWindow() const {
    TRect r = TstIntEdit::ClientAreaInWindow();
    r.right = std::max(r.left, r.right - unitWidth_);
    return r;
}

TRect TmyIntEdit::UnitRect() const {
    const int b = (Height() - ClientHeight()) / 2;
    return {Width() - b - unitWidth_, b, Width() - b, Height() - b};
}

void TmyIntEdit::Invalidate() {
    TstIntEdit::Invalidate();
    if (HandleAllocated())
        plat::win::SetWindowPos(Handle(), 0, 0, 0, 0, 0,
                                plat::win::SWP_FRAMECHANGED | plat::win::SWP_NOZORDER |
                                    plat::win::SWP_NOMOVE | plat::win::SWP_NOSIZE |
                                    plat::win::SWP_NOACTIVATE);
}

void TmyIntEdit::WndProc(TMessage& m) {
    TstIntEdit::WndProc(m);
    switch (m.Msg) {
    case plat::win::WM_NCCALCSIZE:
        if (m.WParam != 0)
            if (auto* r = reinterpret_cast<plat::win::Rect*>(m.LParam))
                r->right = std::max(r->left, r->right - unitWidth_);
        break;
    case CM_ENABLEDCHANGED:
        Invalidate();
        break;
    case CM_FONTCHANGED:
        MeasureUnit();
        break;
    default:
        ForwardWheelToSpinner(*this, upDown_, m);
        break;
    }
}

void TmyIntEdit::PaintNonClient(plat::gdi::DC& dc) {
    if (!unit_.empty()) {
        MeasureUnit();
        TCanvas canvas(&dc);
        canvas.Font().Assign(Font());
        canvas.Font().SetColor(Enabled() ? Font().Color() : clGrayText);
        canvas.Brush().SetColor(Color());
        TRect r = UnitRect();
        canvas.FillRect(r);
        const int cy = canvas.TextExtent(unit_).cy;
        // On the line of the digits: the edit centres its text in the client area.
        if (ClientHeight() > cy) r.top += (ClientHeight() - Font().TextExtent("Ag").cy) / 2;
        canvas.Brush().SetStyle(TBrushStyle::bsClear);
        canvas.DrawText(unit_, r, plat::gdi::dt::EditControl);
    }
    DravNC(dc);
}

void TmyIntEdit::DravNC(plat::gdi::DC& dc) {
    const int b = (Height() - ClientHeight()) / 2;
    const int w = Width(), h = Height();
    const TColor parent = ParentBrushColor();
    auto polyline = [&](TColor c, std::initializer_list<TPoint> points) {
        dc.SelectPen({plat::gdi::PenStyle::Solid, 1, ColorToRGB(c)});
        const TPoint* p = points.begin();
        dc.MoveTo(p->x, p->y);
        for (++p; p != points.end(); ++p) dc.LineTo(p->x, p->y);
    };
    for (int i = 0; i < b; ++i)
        polyline(GetColorShadow(parent, ShadowOffset(), b, i + 1),
                 {{i, h - i - 1}, {w - i - 1, h - i - 1}, {w - i - 1, i}});
    for (int i = 0; i < b; ++i)
        polyline(GetColorShadow(parent, ShadowOffset(), -b, i + 1),
                 {{w - i - 1, i}, {i, i}, {i, h - i - 1}});
}

} // namespace lxq
