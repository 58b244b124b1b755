#include "platform/components/TButton.h"

#include "platform/components/Frames.h"
#include "platform/components/TCustomForm.h"

namespace plat::comp {

TButton::TButton(TComponent* owner) : TCustomControl(owner) {
    SetBounds(0, 0, 75, 25);
    SetTabStop(true);
    SetControlStyle(ControlStyle() & ~cs::DoubleClicks);
}

void TButton::SetDefault(bool v) {
    if (v == default_) return;
    default_ = v;
    Invalidate();
}

void TButton::Click() {
    if (modalResult_ != mrNone) {
        if (TCustomForm* form = ParentForm()) form->SetModalResult(modalResult_);
    }
    TCustomControl::Click();
}

void TButton::SetPressed(bool v) {
    if (v == pressed_) return;
    pressed_ = v;
    Invalidate();
}

void TButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == TMouseButton::mbLeft) {
        SetFocus();
        SetPressed(true);
    }
    TCustomControl::MouseDown(button, shift, x, y);
}

void TButton::MouseMove(TShiftState shift, int x, int y) {
    if (ControlState() & cst::LButtonDown) SetPressed(ClientRect().Contains({x, y}));
    TCustomControl::MouseMove(shift, x, y);
}

void TButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == TMouseButton::mbLeft) SetPressed(false);
    TCustomControl::MouseUp(button, shift, x, y);
}

void TButton::KeyDown(std::uint16_t& key, TShiftState shift) {
    TCustomControl::KeyDown(key, shift);
    if (key == vk::Space) {
        key = 0;
        Click();
    }
}

void TButton::Paint() {
    TCanvas& c = Canvas();
    TRect r = ClientRect();
    if (default_ || Focused()) {
        c.Brush().SetColor(clWindowFrame);
        c.FrameRect(r);
        r = r.Inflate(-1, -1);
    }
    DrawButtonFace(c, r, Color(), pressed_);
    c.Brush().SetStyle(TBrushStyle::bsClear);
    c.Font().SetColor(Enabled() ? Font().Color() : clGrayText);
    TRect text = pressed_ ? r.Offset(1, 1) : r;
    c.DrawText(Caption(), text,
               gdi::dt::Center | gdi::dt::VCenter | gdi::dt::SingleLine);
    if (Focused()) DrawFocusRect(c, r.Inflate(-2, -2));
}

} // namespace plat::comp
