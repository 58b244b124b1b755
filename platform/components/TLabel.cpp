#include "platform/components/TLabel.h"

#include "platform/components/TBitmap.h"

namespace plat::comp {

TLabel::TLabel(TComponent* owner) : TGraphicControl(owner) {
    SetBounds(0, 0, 65, 17);
    SetParentColor(true);
    SetControlStyle(ControlStyle() | cs::SetCaption);
}

void TLabel::SetAlignment(TAlignment a) {
    if (a == alignment_) return;
    alignment_ = a;
    Invalidate();
}

void TLabel::SetLayout(TTextLayout l) {
    if (l == layout_) return;
    layout_ = l;
    Invalidate();
}

void TLabel::SetAutoSize(bool v) {
    if (v == autoSize_) return;
    autoSize_ = v;
    AdjustBounds();
}

void TLabel::SetTransparent(bool v) {
    if (v == transparent_) return;
    transparent_ = v;
    Invalidate();
}

void TLabel::SetWordWrap(bool v) {
    if (v == wordWrap_) return;
    wordWrap_ = v;
    AdjustBounds();
    Invalidate();
}

unsigned TLabel::DrawFlags() const {
    unsigned f = wordWrap_ ? gdi::dt::WordBreak : 0;
    if (alignment_ == TAlignment::taCenter) f |= gdi::dt::Center;
    if (alignment_ == TAlignment::taRightJustify) f |= gdi::dt::Right;
    return f;
}

void TLabel::AdjustBounds() {
    if (!autoSize_) return;
    // Measure on a scratch surface: the label may not be on screen yet.
    TBitmap scratch(1, 1);
    scratch.Canvas().Font().Assign(Font());
    TRect r{0, 0, wordWrap_ ? Width() : 0, 0};
    const std::string text = Caption().empty() ? std::string(" ") : Caption();
    scratch.Canvas().DrawText(text, r, DrawFlags() | gdi::dt::CalcRect);
    const int w = wordWrap_ ? Width() : r.Width();
    int left = Left();
    if (alignment_ == TAlignment::taRightJustify) left += Width() - w;
    if (alignment_ == TAlignment::taCenter) left += (Width() - w) / 2;
    SetBounds(wordWrap_ ? Left() : left, Top(), w, r.Height());
}

void TLabel::WndProc(TMessage& m) {
    TGraphicControl::WndProc(m);
    if (m.Msg == CM_TEXTCHANGED || m.Msg == CM_FONTCHANGED) AdjustBounds();
}

void TLabel::Paint() {
    TCanvas& c = Canvas();
    TRect r = ClientRect();
    if (!transparent_) {
        c.Brush().SetColor(Color());
        c.FillRect(r);
    }
    c.Brush().SetStyle(TBrushStyle::bsClear);
    unsigned flags = DrawFlags();
    if (layout_ != TTextLayout::tlTop) {
        TRect measured = r;
        c.DrawText(Caption(), measured, flags | gdi::dt::CalcRect);
        const int dy = r.Height() - measured.Height();
        r.top += layout_ == TTextLayout::tlCenter ? dy / 2 : dy;
    }
    if (!Enabled()) {
        c.Font().SetColor(clBtnHighlight);
        TRect shadow = r.Offset(1, 1);
        c.DrawText(Caption(), shadow, flags);
        c.Font().SetColor(clBtnShadow);
    }
    c.DrawText(Caption(), r, flags);
}

} // namespace plat::comp
