#include "platform/components/TControl.h"

#include "platform/components/TCustomForm.h"
#include "platform/components/TWinControl.h"
#include "platform/win/InputApi.h"

namespace plat::comp {
namespace {

// Controls live on the user-interface thread; these are that thread's mouse bookkeeping.
thread_local TControl* t_captureControl = nullptr;
thread_local TShiftState t_modifiers = 0;

TMouseButton ButtonOf(std::uint32_t msg) {
    switch (msg) {
    case win::WM_RBUTTONDOWN:
    case win::WM_RBUTTONUP:
    case win::WM_RBUTTONDBLCLK: return TMouseButton::mbRight;
    case win::WM_MBUTTONDOWN:
    case win::WM_MBUTTONUP:
    case win::WM_MBUTTONDBLCLK: return TMouseButton::mbMiddle;
    default: return TMouseButton::mbLeft;
    }
}

} // namespace

TShiftState MouseShiftState(win::WParam keys) {
    TShiftState s = KeyboardShiftState() & ss::Alt;
    if (keys & win::MK_SHIFT) s |= ss::Shift;
    if (keys & win::MK_CONTROL) s |= ss::Ctrl;
    if (keys & win::MK_LBUTTON) s |= ss::Left;
    if (keys & win::MK_RBUTTON) s |= ss::Right;
    if (keys & win::MK_MBUTTON) s |= ss::Middle;
    return s;
}

TShiftState KeyboardShiftState() {
    // Keys pressed on the real keyboard are known to the window system; keys sent straight to a
    // control (tests, code) only to this thread's record.
    TShiftState s = t_modifiers;
    if (win::GetKeyState(win::VK_SHIFT) < 0) s |= ss::Shift;
    if (win::GetKeyState(win::VK_CONTROL) < 0) s |= ss::Ctrl;
    if (win::GetKeyState(win::VK_MENU) < 0) s |= ss::Alt;
    return s;
}

void TrackModifierKey(std::uint32_t message, std::uint16_t key) {
    TShiftState bit = 0;
    if (key == vk::Shift) bit = ss::Shift;
    else if (key == vk::Control) bit = ss::Ctrl;
    else if (key == vk::Menu) bit = ss::Alt;
    if (bit == 0) return;
    const bool down = message == win::WM_KEYDOWN || message == win::WM_SYSKEYDOWN;
    t_modifiers = down ? (t_modifiers | bit) : (t_modifiers & ~bit);
}

TControl::TControl(TComponent* owner) : TComponent(owner) {
    font_.OnChange = [this](TObject*) { FontChanged(); };
}

TControl::~TControl() {
    if (t_captureControl == this) t_captureControl = nullptr;
    if (parent_) parent_->RemoveControl(this);
}

void TControl::SetParent(TWinControl* parent) {
    if (parent == parent_ || parent == this) return;
    if (parent_) parent_->RemoveControl(this);
    if (parent) {
        parent->InsertControl(this);
        if (parentColor_) color_ = parent->Color();
        if (parentFont_) {
            font_.OnChange = nullptr;
            font_.Assign(parent->Font());
            font_.OnChange = [this](TObject*) { FontChanged(); };
        }
    }
}

TCustomForm* TControl::ParentForm() const {
    const TControl* c = this;
    while (c) {
        if (auto* form = dynamic_cast<const TCustomForm*>(c)) return const_cast<TCustomForm*>(form);
        c = c->parent_;
    }
    return nullptr;
}

void TControl::SetBounds(int left, int top, int width, int height) {
    if (width < 0) width = 0;
    if (height < 0) height = 0;
    if (left == left_ && top == top_ && width == width_ && height == height_) return;
    if (parent_) parent_->InvalidateRect(BoundsRect());
    const bool resized = width != width_ || height != height_;
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    Invalidate();
    if (parent_ && align_ != TAlign::alNone) parent_->Realign();
    if (resized) Resize();
}

TPoint TControl::ClientOrigin() const { return ClientToParent({0, 0}); }

TPoint TControl::ClientToParent(TPoint p) const {
    TPoint offset{left_, top_};
    if (auto* w = dynamic_cast<const TWinControl*>(this)) {
        const TRect frame = w->ClientAreaInWindow();
        offset.x += frame.left;
        offset.y += frame.top;
    }
    return {p.x + offset.x, p.y + offset.y};
}

TPoint TControl::ClientToScreen(TPoint p) const {
    const TControl* c = this;
    while (c) {
        p = c->ClientToParent(p);
        c = c->parent_;
    }
    return p;
}

TPoint TControl::ScreenToClient(TPoint p) const {
    const TPoint origin = ClientToScreen({0, 0});
    return {p.x - origin.x, p.y - origin.y};
}

void TControl::SetVisible(bool visible) {
    if (visible == visible_) return;
    if (parent_) parent_->InvalidateRect(BoundsRect());
    visible_ = visible;
    Perform(CM_VISIBLECHANGED, visible ? 1 : 0);
    if (parent_ && align_ != TAlign::alNone) parent_->Realign();
}

bool TControl::Showing() const {
    for (const TControl* c = this; c; c = c->parent_) {
        if (!c->visible_) return false;
    }
    return true;
}

void TControl::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    Perform(CM_ENABLEDCHANGED);
}

void TControl::SetColor(TColor color) {
    parentColor_ = false;
    if (color == color_) return;
    color_ = color;
    Perform(CM_COLORCHANGED);
}

void TControl::SetParentColor(bool v) {
    if (v == parentColor_) return;
    parentColor_ = v;
    if (v && parent_) Perform(CM_PARENTCOLORCHANGED);
}

void TControl::SetParentFont(bool v) {
    if (v == parentFont_) return;
    parentFont_ = v;
    if (v && parent_) Perform(CM_PARENTFONTCHANGED);
}

void TControl::FontChanged() {
    parentFont_ = false;
    Perform(CM_FONTCHANGED);
}

void TControl::SetText(const std::string& text) {
    if (text == text_) return;
    text_ = text;
    TextChanged();
    Perform(CM_TEXTCHANGED);
}

void TControl::SetName(const std::string& name) {
    // A new control shows its name until it is given a caption of its own.
    const bool follow = (controlStyle_ & cs::SetCaption) && text_ == Name();
    TComponent::SetName(name);
    if (follow) SetText(name);
}

void TControl::SetAlign(TAlign align) {
    if (align == align_) return;
    align_ = align;
    if (parent_) parent_->Realign();
}

void TControl::Invalidate() {
    if (parent_ && visible_) parent_->InvalidateRect(BoundsRect());
}

void TControl::Repaint() {
    // Painting happens when the window system asks; marking is all a repaint needs here.
    Invalidate();
}

win::LResult TControl::Perform(std::uint32_t msg, win::WParam wParam, win::LParam lParam) {
    TMessage m{msg, wParam, lParam, 0};
    WndProc(m);
    return m.Result;
}

void TControl::WndProc(TMessage& m) {
    switch (m.Msg) {
    case win::WM_LBUTTONDOWN:
    case win::WM_RBUTTONDOWN:
    case win::WM_MBUTTONDOWN:
    case win::WM_LBUTTONDBLCLK:
    case win::WM_RBUTTONDBLCLK:
    case win::WM_MBUTTONDBLCLK:
    case win::WM_LBUTTONUP:
    case win::WM_RBUTTONUP:
    case win::WM_MBUTTONUP:
    case win::WM_MOUSEMOVE:
        HandleMouse(m);
        return;
    case CM_MOUSEENTER:
        if (OnMouseEnter) OnMouseEnter(this);
        return;
    case CM_MOUSELEAVE:
        if (OnMouseLeave) OnMouseLeave(this);
        return;
    case CM_ENABLEDCHANGED:
    case CM_COLORCHANGED:
    case CM_FONTCHANGED:
    case CM_TEXTCHANGED:
    case CM_VISIBLECHANGED:
        Invalidate();
        return;
    case CM_PARENTCOLORCHANGED:
        if (parentColor_ && parent_) {
            color_ = parent_->Color();
            Perform(CM_COLORCHANGED);
        }
        return;
    case CM_PARENTFONTCHANGED:
        if (parentFont_ && parent_) {
            font_.OnChange = nullptr;
            font_.Assign(parent_->Font());
            font_.OnChange = [this](TObject*) { FontChanged(); };
            Perform(CM_FONTCHANGED);
        }
        return;
    default:
        DefaultHandler(m);
    }
}

void TControl::DefaultHandler(TMessage&) {}

void TControl::HandleMouse(TMessage& m) {
    const int x = win::GetXParam(m.LParam);
    const int y = win::GetYParam(m.LParam);
    TShiftState shift = MouseShiftState(m.WParam);
    const TMouseButton button = ButtonOf(m.Msg);
    switch (m.Msg) {
    case win::WM_MOUSEMOVE:
        MouseMove(shift, x, y);
        return;
    case win::WM_LBUTTONUP:
    case win::WM_RBUTTONUP:
    case win::WM_MBUTTONUP: {
        const bool clicked = button == TMouseButton::mbLeft && (controlState_ & cst::Clicked);
        if (button == TMouseButton::mbLeft) controlState_ &= ~(cst::LButtonDown | cst::Clicked);
        if (t_captureControl == this) t_captureControl = nullptr;
        MouseUp(button, shift, x, y);
        if (clicked && ClientRect().Contains({x, y})) Click();
        return;
    }
    default: break;
    }
    // Button down or double click.
    if (!enabled_) return;
    const bool dbl = m.Msg == win::WM_LBUTTONDBLCLK || m.Msg == win::WM_RBUTTONDBLCLK ||
                     m.Msg == win::WM_MBUTTONDBLCLK;
    if (button == TMouseButton::mbLeft) {
        if (controlStyle_ & cs::CaptureMouse) t_captureControl = this;
        controlState_ |= cst::LButtonDown;
        if ((controlStyle_ & cs::ClickEvents) && !dbl) controlState_ |= cst::Clicked;
    }
    if (dbl) {
        shift |= ss::Double;
        if (controlStyle_ & cs::DoubleClicks) DblClick();
    }
    MouseDown(button, shift, x, y);
}

void TControl::Click() {
    if (OnClick) OnClick(this);
}

void TControl::DblClick() {
    if (OnDblClick) OnDblClick(this);
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int x, int y) {
    if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void TControl::Resize() {
    if (OnResize) OnResize(this);
}

TColor TControl::ParentBrushColor() const { return parent_ ? parent_->Color() : color_; }

void TControl::BringToFront() {
    if (!parent_) return;
    TWinControl* p = parent_;
    p->RemoveControl(this);
    p->InsertControl(this);
    Invalidate();
}

void TControl::SendToBack() {
    if (!parent_) return;
    auto& list = parent_->controls_;
    std::erase(list, this);
    list.insert(list.begin(), this);
    Invalidate();
}

TControl* TControl::CaptureControl() { return t_captureControl; }

void TControl::SetCaptureControl(TControl* control) { t_captureControl = control; }

} // namespace plat::comp
