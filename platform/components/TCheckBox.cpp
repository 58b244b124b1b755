#include "platform/components/TCheckBox.h"

#include "platform/components/Frames.h"

namespace plat::comp {
TRect CheckCaptionRect(const TRect& client, TAlignment alignment, int markSize) {
    if (alignment == TAlignment::taLeftJustify)
        return {client.left, client.top, client.right - markSize - 4, client.bottom};
    return {client.left + markSize + 4, client.top, client.right, client.bottom};
}

void DrawCheckMark(TCanvas& c, int left, int top, TCheckBoxState state, bool enabled) {
    TRect box{left, top, left + kCheckMarkSize, top + kCheckMarkSize};
    DrawSunkenField(c, box, enabled && state != TCheckBoxState::cbGrayed ? clWindow : clBtnFace);
    if (state == TCheckBoxState::cbUnchecked) return;
    // The classic tick: a 3-pixel-thick stroke down to the right, then up.
    c.Pen().SetColor(enabled ? clWindowText : clGrayText);
    const int x = box.left + 1, y = box.top + 3;
    for (int i = 0; i < 3; ++i) {
        c.MoveTo(x, y + 2 + i);
        c.LineTo(x + 2, y + 4 + i);
        c.LineTo(x + 7, y - 1 + i);
    }
}

TCheckBox::TCheckBox(TComponent* owner) : TCustomControl(owner) {
    SetBounds(0, 0, 97, 17);
    SetTabStop(true);
    SetControlStyle((ControlStyle() | cs::SetCaption) & ~(cs::ClickEvents | cs::DoubleClicks));
}

void TCheckBox::SetState(TCheckBoxState s) {
    if (s == state_) return;
    state_ = s;
    Invalidate();
    Click();
}

void TCheckBox::SetAlignment(TAlignment a) {
    if (a == alignment_) return;
    alignment_ = a;
    Invalidate();
}

void TCheckBox::Toggle() {
    switch (state_) {
    case TCheckBoxState::cbUnchecked: SetState(TCheckBoxState::cbChecked); break;
    case TCheckBoxState::cbChecked:
        SetState(allowGrayed_ ? TCheckBoxState::cbGrayed : TCheckBoxState::cbUnchecked);
        break;
    case TCheckBoxState::cbGrayed: SetState(TCheckBoxState::cbUnchecked); break;
    }
}

void TCheckBox::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TCustomControl::MouseUp(button, shift, x, y);
    if (button == TMouseButton::mbLeft && Enabled() && ClientRect().Contains({x, y})) {
        SetFocus();
        Toggle();
    }
}

void TCheckBox::KeyDown(std::uint16_t& key, TShiftState shift) {
    TCustomControl::KeyDown(key, shift);
    if (key == vk::Space) {
        key = 0;
        Toggle();
    }
}

void TCheckBox::Paint() {
    TCanvas& c = Canvas();
    const TRect client = ClientRect();
    c.Brush().SetColor(Color());
    c.FillRect(client);
    const int top = (client.Height() - kCheckMarkSize) / 2;
    const int left = alignment_ == TAlignment::taLeftJustify ? client.right - kCheckMarkSize : 0;
    DrawCheckMark(c, left, top, state_, Enabled());
    c.Brush().SetStyle(TBrushStyle::bsClear);
    c.Font().SetColor(Enabled() ? Font().Color() : clGrayText);
    TRect text = CheckCaptionRect(client, alignment_, kCheckMarkSize);
    c.DrawText(Caption(), text, gdi::dt::VCenter | gdi::dt::SingleLine);
    if (Focused()) DrawFocusRect(c, text.Inflate(1, 0));
}

} // namespace plat::comp
