#include "platform/components/TRadioButton.h"

#include "platform/components/Frames.h"
#include "platform/components/TCheckBox.h"

namespace plat::comp {
namespace {

constexpr int kMark = 12;

} // namespace

TRadioButton::TRadioButton(TComponent* owner) : TCustomControl(owner) {
    SetBounds(0, 0, 113, 17);
    SetTabStop(true);
    SetControlStyle((ControlStyle() | cs::SetCaption) & ~(cs::ClickEvents | cs::DoubleClicks));
}

void TRadioButton::SetChecked(bool v) {
    if (v == checked_) return;
    checked_ = v;
    Invalidate();
    if (!v) return;
    if (TWinControl* p = Parent()) {
        for (int i = 0; i < p->ControlCount(); ++i) {
            auto* other = dynamic_cast<TRadioButton*>(p->Controls(i));
            if (other && other != this) other->SetChecked(false);
        }
    }
    Click();
}

void TRadioButton::SetAlignment(TAlignment a) {
    if (a == alignment_) return;
    alignment_ = a;
    Invalidate();
}

void TRadioButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TCustomControl::MouseUp(button, shift, x, y);
    if (button == TMouseButton::mbLeft && Enabled() && ClientRect().Contains({x, y})) {
        SetFocus();
        SetChecked(true);
    }
}

void TRadioButton::KeyDown(std::uint16_t& key, TShiftState shift) {
    TCustomControl::KeyDown(key, shift);
    if (key == vk::Space) {
        key = 0;
        SetChecked(true);
    }
}

void TRadioButton::Paint() {
    TCanvas& c = Canvas();
    const TRect client = ClientRect();
    c.Brush().SetColor(Color());
    c.FillRect(client);
    const int top = (client.Height() - kMark) / 2;
    const int left = alignment_ == TAlignment::taLeftJustify ? client.right - kMark : 0;
    // Two arcs make the sunken circle: dark above-left, light below-right.
    c.Pen().SetColor(clBtnShadow);
    c.Brush().SetColor(Enabled() ? clWindow : clBtnFace);
    c.Ellipse(left, top, left + kMark, top + kMark);
    c.Pen().SetColor(clBtnHighlight);
    c.Brush().SetStyle(TBrushStyle::bsClear);
    c.Ellipse(left + 1, top + 1, left + kMark, top + kMark);
    if (checked_) {
        c.Pen().SetColor(clWindowText);
        c.Brush().SetColor(Enabled() ? clWindowText : clGrayText);
        c.Ellipse(left + 4, top + 4, left + kMark - 4, top + kMark - 4);
    }
    c.Brush().SetStyle(TBrushStyle::bsClear);
    c.Font().SetColor(Enabled() ? Font().Color() : clGrayText);
    TRect text = CheckCaptionRect(client, alignment_, kMark);
    c.DrawText(Caption(), text, gdi::dt::VCenter | gdi::dt::SingleLine);
    if (Focused()) DrawFocusRect(c, text.Inflate(1, 0));
}

} // namespace plat::comp
