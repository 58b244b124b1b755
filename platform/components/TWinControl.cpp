#include "platform/components/TWinControl.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <string>

#include "platform/components/ScrollBarPainter.h"
#include "platform/components/TCustomForm.h"
#include "platform/win/CursorApi.h"
#include "platform/win/InputApi.h"
#include "platform/win/MessageApi.h"
#include "platform/win/PaintApi.h"
#include "platform/win/WindowApi.h"

namespace plat::comp {
namespace {

constexpr const char* kWindowClass = "LxqWinControl";

std::set<std::uint32_t>& RegisteredClassStyles() {
    static std::set<std::uint32_t> styles;
    return styles;
}

// Width of the frame the window system keeps around the client area of a child or popup window
// of these styles; top-level windows are framed by the desktop.
int FrameWidth(const TCreateParams& p) {
    if ((p.style & (win::WS_CHILD | win::WS_POPUP)) == 0) return 0;
    int width = 0;
    if (p.style & win::WS_THICKFRAME) width += 4;
    else if (p.style & win::WS_DLGFRAME) width += 3;
    else if (p.style & win::WS_BORDER) width += 1;
    if (p.exStyle & win::WS_EX_CLIENTEDGE) width += 2;
    if (p.exStyle & win::WS_EX_STATICEDGE) width += 1;
    return width;
}

bool IsMouseMessage(std::uint32_t msg) {
    return msg >= win::WM_MOUSEFIRST && msg <= win::WM_MBUTTONDBLCLK;
}

thread_local TControl* t_mouseControl = nullptr;

} // namespace

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {}

TWinControl::~TWinControl() {
    BeginDestroy();
    if (t_mouseControl == this) t_mouseControl = nullptr;
    // Children go with their parent; each leaves its owner's list on the way.
    while (!controls_.empty()) {
        TControl* child = controls_.back();
        RemoveControl(child);
        delete child;
    }
    DestroyHandle();
}

void TWinControl::InsertControl(TControl* control) {
    controls_.push_back(control);
    control->parent_ = this;
    if (control->Align() != TAlign::alNone) Realign();
    if (auto* w = dynamic_cast<TWinControl*>(control); w && HandleAllocated() && w->Visible())
        w->HandleNeeded();
    control->Invalidate();
}

void TWinControl::RemoveControl(TControl* control) {
    if (t_mouseControl == control) t_mouseControl = nullptr;
    if (control->Visible()) InvalidateRect(control->BoundsRect());
    std::erase(controls_, control);
    control->parent_ = nullptr;
    if (auto* form = ParentForm(); form && !form->Destroying()) form->ControlRemoved(control);
    if (control->Align() != TAlign::alNone) Realign();
}

TControl* TWinControl::ControlAtPos(TPoint p, bool allowDisabled, bool allowWinControls) const {
    // Windowed children lie above graphic ones; within each kind the last is on top.
    for (int pass = 0; pass < 2; ++pass) {
        const bool wantWindowed = pass == 0;
        if (wantWindowed && !allowWinControls) continue;
        for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
            TControl* c = *it;
            const bool windowed = dynamic_cast<TWinControl*>(c) != nullptr;
            if (windowed != wantWindowed || !c->Visible()) continue;
            if (!allowDisabled && !c->Enabled()) continue;
            if (c->BoundsRect().Contains(p)) return c;
        }
    }
    return nullptr;
}

win::Hwnd TWinControl::Handle() {
    HandleNeeded();
    return handle_;
}

void TWinControl::HandleNeeded() {
    if (handle_ != 0) return;
    if (Parent()) Parent()->HandleNeeded();
    // Making the parent's window makes the windows of its visible children, this one's too.
    if (handle_ == 0) CreateHandle();
}

void TWinControl::CreateParams(TCreateParams& p) {
    p.caption = Text();
    p.x = Left();
    p.y = Top();
    p.width = Width();
    p.height = Height();
    p.style = win::WS_CLIPCHILDREN | win::WS_CLIPSIBLINGS;
    p.classStyle = win::CS_DBLCLKS | win::CS_HREDRAW | win::CS_VREDRAW;
    if (Parent()) {
        p.style |= win::WS_CHILD;
        p.parent = Parent()->handle_;
    }
    if (Visible()) p.style |= win::WS_VISIBLE;
    if (!Enabled()) p.style |= win::WS_DISABLED;
    if (tabStop_) p.style |= win::WS_TABSTOP;
}

void TWinControl::CreateHandle() {
    TCreateParams p;
    CreateParams(p);
    const std::string className = WindowClassFor(p.classStyle);
    const win::Hwnd hwnd =
        win::CreateWindowEx(p.exStyle, className, p.caption, p.style, p.x, p.y, p.width,
                            p.height, p.parent, 0, reinterpret_cast<win::LParam>(this));
    if (hwnd == 0) return;
    handle_ = hwnd;
    for (TControl* c : controls_) {
        if (auto* w = dynamic_cast<TWinControl*>(c); w && w->Visible()) w->HandleNeeded();
    }
}

std::string TWinControl::WindowClassFor(std::uint32_t classStyle) {
    // One window class per class style the controls ask for; the procedure is always ours.
    char name[48];
    std::snprintf(name, sizeof name, "%s:%x", kWindowClass, classStyle);
    if (RegisteredClassStyles().insert(classStyle).second) {
        win::WindowClass cls;
        cls.name = name;
        cls.style = classStyle;
        cls.proc = &TWinControl::WindowProc;
        cls.cursor = win::LoadCursor(win::IDC_ARROW);
        win::RegisterClass(cls);
    }
    return name;
}

void TWinControl::RecreateWnd() {
    if (handle_ == 0) return;
    DestroyHandle();
    HandleNeeded();
    if (handle_ != 0 && Visible() && !Parent()) win::ShowWindow(handle_, win::SW_SHOWNA);
}

void TWinControl::DestroyHandle() {
    if (handle_ == 0) return;
    const win::Hwnd h = handle_;
    handle_ = 0;
    win::SetWindowLongPtr(h, win::GWLP_USERDATA, 0);
    win::DestroyWindow(h);
    // The window system took the children's windows with it.
    for (TControl* c : controls_) {
        if (auto* w = dynamic_cast<TWinControl*>(c)) w->DestroyHandle();
    }
}

TWinControl* TWinControl::FindControl(win::Hwnd hwnd) {
    if (hwnd == 0) return nullptr;
    // Only our own windows hold a control in their user data; a window made by other code (a
    // plug-in's toolkit) keeps its own pointer there.
    if (win::GetWindowLongPtr(hwnd, win::GWLP_WNDPROC) != reinterpret_cast<win::LParam>(&TWinControl::WindowProc))
        return nullptr;
    return reinterpret_cast<TWinControl*>(win::GetWindowLongPtr(hwnd, win::GWLP_USERDATA));
}

win::LResult TWinControl::WindowProc(win::Hwnd hwnd, std::uint32_t msg, win::WParam wParam,
                                     win::LParam lParam) {
    TWinControl* control = FindControl(hwnd);
    if (!control && msg == win::WM_NCCREATE) {
        // The object rides in the creation record; from here on the window finds it.
        const auto* cs = reinterpret_cast<const win::CreateStruct*>(lParam);
        control = reinterpret_cast<TWinControl*>(cs->createParams);
        win::SetWindowLongPtr(hwnd, win::GWLP_USERDATA, cs->createParams);
        control->handle_ = hwnd;
    }
    if (!control) return win::DefWindowProc(hwnd, msg, wParam, lParam);
    TMessage m{msg, wParam, lParam, 0};
    control->WndProc(m);
    if (msg == win::WM_NCDESTROY && control->handle_ == hwnd) control->handle_ = 0;
    return m.Result;
}

bool TWinControl::HasScrollBar(bool vertical) const {
    return (WindowParams().style & (vertical ? win::WS_VSCROLL : win::WS_HSCROLL)) != 0;
}

TRect TWinControl::ScrollBarRect(bool vertical) const {
    if (!HasScrollBar(vertical)) return {};
    const TRect c = ClientAreaInWindow();
    return vertical ? TRect{c.right, c.top, c.right + kScrollBarSize, c.bottom}
                    : TRect{c.left, c.bottom, c.right, c.bottom + kScrollBarSize};
}

TPoint TWinControl::WindowPointOf(win::LParam screenPoint) const {
    TPoint p{win::GetXParam(screenPoint), win::GetYParam(screenPoint)};
    win::Rect r{};
    if (handle_ != 0) win::GetWindowRect(handle_, &r);
    return {p.x - r.left, p.y - r.top};
}

TCreateParams TWinControl::WindowParams() const {
    TCreateParams p;
    // Filling the parameters reads the control's state only.
    const_cast<TWinControl*>(this)->CreateParams(p);
    return p;
}

TRect TWinControl::InsideBorder() const {
    const int f = FrameWidth(WindowParams());
    return {f, f, std::max(f, Width() - f), std::max(f, Height() - f)};
}

TRect TWinControl::ClientAreaInWindow() const {
    TRect r = InsideBorder();
    if (HasScrollBar(true)) r.right -= kScrollBarSize;
    if (HasScrollBar(false)) r.bottom -= kScrollBarSize;
    if (r.right < r.left) r.right = r.left;
    if (r.bottom < r.top) r.bottom = r.top;
    return r;
}

TRect TWinControl::ClientRect() const {
    const TRect r = ClientAreaInWindow();
    return {0, 0, r.Width(), r.Height()};
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
    const bool resized = width != Width() || height != Height();
    TControl::SetBounds(left, top, width, height);
    if (handle_ != 0 && !adoptingWindowPos_)
        win::SetWindowPos(handle_, 0, Left(), Top(), Width(), Height(),
                          win::SWP_NOZORDER | win::SWP_NOACTIVATE);
    if (resized) Realign();
}

void TWinControl::SetParent(TWinControl* parent) {
    TControl::SetParent(parent);
    if (handle_ == 0) return;
    if (Parent() && Parent()->handle_ != 0) {
        // Re-parenting keeps the window: this is how a window made elsewhere is embedded.
        win::SetParent(handle_, Parent()->handle_);
        win::SetWindowPos(handle_, 0, Left(), Top(), Width(), Height(),
                          win::SWP_NOZORDER | win::SWP_NOACTIVATE);
    } else {
        DestroyHandle();
    }
}

bool TWinControl::Focused() const {
    const TCustomForm* form = ParentForm();
    return form && form->ActiveControl() == this;
}

bool TWinControl::CanFocus() const {
    for (const TControl* c = this; c; c = c->Parent()) {
        if (!c->Visible() || !c->Enabled()) return false;
    }
    return true;
}

void TWinControl::SetFocus() {
    TCustomForm* form = ParentForm();
    if (form && form != this) form->SetActiveControl(this);
    else if (handle_ != 0) win::SetFocus(handle_);
}

void TWinControl::Invalidate() { InvalidateRect(ClientRect()); }

void TWinControl::Update() {
    if (handle_ != 0) win::UpdateWindow(handle_);
}

void TWinControl::InvalidateRect(const TRect& rect) {
    const TRect area = rect.Intersect(ClientRect());
    updateRect_ = updateRect_.Union(area);
    if (handle_ != 0) {
        const win::Rect r{area.left, area.top, area.right, area.bottom};
        if (!area.IsEmpty()) win::InvalidateRect(handle_, &r, true);
        return;
    }
    // Without a window yet, the parent's picture holds this control.
    if (Parent() && Visible()) {
        const TPoint o = ClientToParent({0, 0});
        Parent()->InvalidateRect(rect.Offset(o.x, o.y));
    }
}

void TWinControl::FrameChanged() {
    if (handle_ != 0)
        win::SetWindowPos(handle_, 0, 0, 0, 0, 0,
                          win::SWP_NOMOVE | win::SWP_NOSIZE | win::SWP_NOZORDER |
                              win::SWP_NOACTIVATE | win::SWP_FRAMECHANGED);
    Realign();
    Invalidate();
}

void TWinControl::Realign() {
    if (aligning_) return;
    aligning_ = true;
    AlignControls();
    aligning_ = false;
}

void TWinControl::AlignControls() {
    TRect r = ClientRect();
    AdjustClientRect(r);
    auto place = [&](TAlign kind) {
        for (TControl* c : controls_) {
            if (c->Align() != kind || !c->Visible()) continue;
            switch (kind) {
            case TAlign::alTop:
                c->SetBounds(r.left, r.top, r.Width(), c->Height());
                r.top += c->Height();
                break;
            case TAlign::alBottom:
                c->SetBounds(r.left, r.bottom - c->Height(), r.Width(), c->Height());
                r.bottom -= c->Height();
                break;
            case TAlign::alLeft:
                c->SetBounds(r.left, r.top, c->Width(), r.Height());
                r.left += c->Width();
                break;
            case TAlign::alRight:
                c->SetBounds(r.right - c->Width(), r.top, c->Width(), r.Height());
                r.right -= c->Width();
                break;
            case TAlign::alClient:
                c->SetBounds(r.left, r.top, r.Width(), r.Height());
                break;
            case TAlign::alNone: break;
            }
        }
    };
    for (TAlign kind : {TAlign::alTop, TAlign::alBottom, TAlign::alLeft, TAlign::alRight,
                        TAlign::alClient})
        place(kind);
}

void TWinControl::PaintTo(gdi::DC& dc, int x, int y) {
    const int saved = dc.SaveDC();
    dc.OffsetViewportOrg(x, y);
    dc.IntersectClipRect({0, 0, Width(), Height()});
    PaintNonClient(dc);
    const TRect client = ClientAreaInWindow();
    dc.OffsetViewportOrg(client.left, client.top);
    dc.IntersectClipRect({0, 0, client.Width(), client.Height()});
    Perform(win::WM_ERASEBKGND, reinterpret_cast<win::WParam>(&dc));
    Perform(win::WM_PAINT, reinterpret_cast<win::WParam>(&dc));
    // Windowed children lie on top and cover what was painted under them. (Excluding their
    // rectangles from the clip instead costs more in region work than the pixels it saves.)
    for (TControl* c : controls_) {
        if (c->Visible() && dynamic_cast<TWinControl*>(c)) c->PaintTo(dc, c->Left(), c->Top());
    }
    dc.RestoreDC(saved);
    updateRect_ = {};
}

void TWinControl::PaintControls(gdi::DC& dc) {
    // Graphic children only: windowed ones paint themselves on top.
    for (TControl* c : controls_) {
        if (c->Visible() && !dynamic_cast<TWinControl*>(c)) c->PaintTo(dc, c->Left(), c->Top());
    }
}

void TWinControl::PaintNonClient(gdi::DC& dc) {
    TCreateParams p;
    CreateParams(p);
    const TRect client = ClientAreaInWindow();
    for (const bool vertical : {true, false}) {
        if (!HasScrollBar(vertical)) continue;
        int position = 0, page = 1, range = 1;
        ScrollInfo(vertical, position, page, range);
        PaintScrollBar(dc, ScrollBarRect(vertical), vertical, position, page, range);
    }
    if (HasScrollBar(true) && HasScrollBar(false))
        dc.FillRect({client.right, client.bottom, client.right + kScrollBarSize,
                     client.bottom + kScrollBarSize},
                    gdi::Brush::Solid(ColorToRGB(ParentBrushColor())));
    if (FrameWidth(p) == 0) return;
    const int w = Width();
    const int h = Height();
    auto ring = [&](int i, TColor topLeft, TColor bottomRight) {
        dc.SelectPen({gdi::PenStyle::Solid, 1, ColorToRGB(topLeft)});
        dc.MoveTo(i, h - i - 1);
        dc.LineTo(i, i);
        dc.LineTo(w - i - 1, i);
        dc.SelectPen({gdi::PenStyle::Solid, 1, ColorToRGB(bottomRight)});
        dc.LineTo(w - i - 1, h - i - 1);
        dc.LineTo(i - 1, h - i - 1);
    };
    int i = 0;
    if (p.style & win::WS_BORDER) ring(i++, clWindowFrame, clWindowFrame);
    if (p.exStyle & win::WS_EX_CLIENTEDGE) {
        ring(i++, clBtnShadow, clBtnHighlight);
        ring(i++, cl3DDkShadow, cl3DLight);
    }
    if (p.exStyle & win::WS_EX_STATICEDGE) ring(i++, clBtnShadow, clBtnHighlight);
}

void TWinControl::DragThumb(const TMessage& m) {
    const bool vertical = dragBar_ == 1;
    if (m.Msg == win::WM_LBUTTONUP) {
        dragBar_ = 0;
        if (win::GetCapture() == handle_) win::ReleaseCapture();
        return;
    }
    if (m.Msg != win::WM_MOUSEMOVE) return;
    const TRect client = ClientAreaInWindow();
    const TPoint inWindow{win::GetXParam(m.LParam) + client.left, win::GetYParam(m.LParam) + client.top};
    int position = 0, page = 1, range = 1;
    ScrollInfo(vertical, position, page, range);
    ScrollTo(vertical, ScrollBarDrag(ScrollBarRect(vertical), vertical, page, range, dragGrab_, inWindow));
}

void TWinControl::RouteMouse(TMessage& m) {
    if (dragBar_ != 0) {
        DragThumb(m);
        return;
    }
    const TPoint p{win::GetXParam(m.LParam), win::GetYParam(m.LParam)};
    TControl* target = nullptr;
    TControl* capture = CaptureControl();
    if (capture && capture != this && capture->Parent() == this &&
        dynamic_cast<TWinControl*>(capture) == nullptr)
        target = capture;
    else if (!capture || capture == this)
        target = ControlAtPos(p, true);
    if (capture == this) target = nullptr;
    TControl* under = target ? target : this;
    if (m.Msg == win::WM_MOUSEMOVE && t_mouseControl != under) {
        TControl* old = t_mouseControl;
        t_mouseControl = under;
        if (old) old->Perform(CM_MOUSELEAVE);
        under->Perform(CM_MOUSEENTER);
    }
    // The pointer may next leave for no window of ours (the desktop, another program): the window
    // system says so then, and the control under it hears CM_MOUSELEAVE. Asked only while the
    // pointer really is over this window: a move made up by code is no pointer to follow.
    if (m.Msg == win::WM_MOUSEMOVE && handle_ != 0 && win::GetMouseOverWindow() == handle_)
        win::TrackMouseLeave(handle_);
    // While a button is held the control keeps the mouse, also outside its window.
    if (handle_ != 0) {
        const bool down = m.Msg == win::WM_LBUTTONDOWN || m.Msg == win::WM_LBUTTONDBLCLK;
        if (down && (under->ControlStyle() & cs::CaptureMouse) && under->Enabled())
            win::SetCapture(handle_);
        else if (m.Msg == win::WM_LBUTTONUP && win::GetCapture() == handle_)
            win::ReleaseCapture();
    }
    if (target) {
        const TMessage local{m.Msg, m.WParam,
                             win::MakeLParam(p.x - target->Left(), p.y - target->Top()), 0};
        m.Result = target->Perform(local.Msg, local.WParam, local.LParam);
        return;
    }
    TControl::WndProc(m);
}

void TWinControl::WndProc(TMessage& m) {
    if (IsMouseMessage(m.Msg)) {
        RouteMouse(m);
        return;
    }
    switch (m.Msg) {
    case win::WM_MOUSELEAVE:
        // Gone from this window: the control it was over (this one or one drawn on it) is left.
        if (t_mouseControl && (t_mouseControl == this || t_mouseControl->Parent() == this)) {
            TControl* old = t_mouseControl;
            t_mouseControl = nullptr;
            old->Perform(CM_MOUSELEAVE);
        }
        return;
    case win::WM_PAINT:
        if (m.WParam) {
            // Painting into a given context (PaintTo).
            auto& dc = *reinterpret_cast<gdi::DC*>(m.WParam);
            PaintWindow(dc);
            PaintControls(dc);
        } else if (handle_ != 0) {
            win::PaintStruct ps;
            if (gdi::DC* dc = win::BeginPaint(handle_, &ps)) {
                PaintWindow(*dc);
                PaintControls(*dc);
            }
            win::EndPaint(handle_, &ps);
            updateRect_ = {};
        }
        return;
    case win::WM_NCPAINT:
        // The frame is drawn the same way on screen as in PaintTo, so both pictures agree.
        if (handle_ != 0) {
            if (gdi::DC* dc = win::GetWindowDC(handle_)) {
                PaintNonClient(*dc);
                win::ReleaseDC(handle_, dc);
            }
        }
        return;
    case win::WM_ERASEBKGND:
        if (m.WParam && !(ControlStyle() & cs::Opaque)) {
            auto& dc = *reinterpret_cast<gdi::DC*>(m.WParam);
            dc.FillRect(ClientRect(), gdi::Brush::Solid(ColorToRGB(Color())));
        }
        m.Result = 1;
        return;
    case win::WM_KEYDOWN:
    case win::WM_SYSKEYDOWN: {
        auto key = static_cast<std::uint16_t>(m.WParam);
        TrackModifierKey(m.Msg, key);
        const TShiftState shift = KeyboardShiftState();
        // A key the window system brought straight to this control is the form's too: its
        // preview first, and afterwards Tab, Enter and Escape when the control left them.
        TCustomForm* form = ParentForm();
        const bool direct = form && form != this && !TCustomForm::RoutingKey();
        if (direct && form->IsShortCut(key, shift)) key = 0;
        if (direct && key != 0 && form->KeyPreview()) form->KeyDown(key, shift);
        if (key != 0) KeyDown(key, shift);
        if (direct && key != 0 && form->DialogKey(key)) key = 0;
        m.Result = key == 0 ? 1 : 0;
        return;
    }
    case win::WM_KEYUP:
    case win::WM_SYSKEYUP: {
        auto key = static_cast<std::uint16_t>(m.WParam);
        TrackModifierKey(m.Msg, key);
        KeyUp(key, KeyboardShiftState());
        return;
    }
    case win::WM_CHAR: {
        char c = static_cast<char>(m.WParam);
        // A character brought straight to this control is previewed by its form as keys are.
        TCustomForm* form = ParentForm();
        if (form && form != this && !TCustomForm::RoutingKey() && form->KeyPreview()) form->KeyPress(c);
        if (c != 0) KeyPress(c);
        return;
    }
    case win::WM_SYSCHAR:
        // Alt with a character, brought straight to this control, is an accelerator of its form.
        if (TCustomForm* form = ParentForm(); form && form != this && !TCustomForm::RoutingKey() &&
                                              form->DialogChar(static_cast<char>(m.WParam)))
            m.Result = 1;
        return;
    case win::WM_SETFOCUS:
        if (TCustomForm* form = ParentForm(); form && form != this) form->FocusArrived(this);
        DoEnter();
        return;
    case win::WM_SETCURSOR:
        if (static_cast<win::LParam>(win::LoWord(static_cast<std::uintptr_t>(m.LParam))) == win::HTCLIENT &&
            m.WParam == handle_) {
            // The pointer of the control under the mouse, a graphic child's included.
            win::Point screen;
            win::GetCursorPos(&screen);
            const TPoint p = ScreenToClient({screen.x, screen.y});
            TControl* under = ControlAtPos(p, true);
            const std::uint32_t cursor = under && under->Cursor() ? under->Cursor() : Cursor();
            if (cursor != 0) {
                win::SetCursor(cursor);
                m.Result = 1;
                return;
            }
        }
        DefaultHandler(m);
        return;
    case win::WM_NCCALCSIZE:
        DefaultHandler(m);
        if (auto* r = reinterpret_cast<win::Rect*>(m.LParam)) {
            // Scroll bars are drawn by the control in its frame.
            if (HasScrollBar(true)) r->right = std::max(r->left, r->right - kScrollBarSize);
            if (HasScrollBar(false)) r->bottom = std::max(r->top, r->bottom - kScrollBarSize);
        }
        return;
    case win::WM_NCHITTEST: {
        DefaultHandler(m);
        const TPoint p = WindowPointOf(m.LParam);
        if (ScrollBarRect(true).Contains(p)) m.Result = HTVSCROLL;
        else if (ScrollBarRect(false).Contains(p)) m.Result = HTHSCROLL;
        return;
    }
    case win::WM_NCLBUTTONDOWN:
    case win::WM_NCLBUTTONDBLCLK:
        if (m.WParam == static_cast<win::WParam>(HTVSCROLL) ||
            m.WParam == static_cast<win::WParam>(HTHSCROLL)) {
            const bool vertical = m.WParam == static_cast<win::WParam>(HTVSCROLL);
            int position = 0, page = 1, range = 1;
            ScrollInfo(vertical, position, page, range);
            const TRect bar = ScrollBarRect(vertical);
            const TPoint p = WindowPointOf(m.LParam);
            const TRect thumb = LayoutScrollBar(bar, vertical, position, page, range).thumb;
            if (thumb.Contains(p)) {
                // The thumb follows the mouse until the button comes up.
                dragBar_ = vertical ? 1 : 2;
                dragGrab_ = vertical ? p.y - thumb.top : p.x - thumb.left;
                win::SetCapture(handle_);
                return;
            }
            ScrollTo(vertical, ScrollBarClick(bar, vertical, position, page, range, p));
            return;
        }
        DefaultHandler(m);
        return;
    case win::WM_MOUSEWHEEL:
        if (OnMouseWheel) {
            bool handled = false;
            const TPoint at{win::GetXParam(m.LParam), win::GetYParam(m.LParam)};
            OnMouseWheel(this, MouseShiftState(m.WParam & 0xFFFFu),
                         static_cast<std::int16_t>(win::HiWord(m.WParam)), at.x, at.y, handled);
            if (handled) return;
        }
        if (HasScrollBar(true)) {
            int position = 0, page = 1, range = 1;
            ScrollInfo(true, position, page, range);
            const int notches = static_cast<std::int16_t>(win::HiWord(m.WParam)) / win::WHEEL_DELTA;
            ScrollTo(true, std::clamp(position - 3 * notches, 0, std::max(0, range - page)));
        }
        return;
    case win::WM_WINDOWPOSCHANGED:
        if (const auto* pos = reinterpret_cast<const win::WindowPos*>(m.LParam)) {
            // The window moved by itself (the user, the desktop): follow it. A change of the
            // frame alone tells nothing of the place, which may be on its way to a new one.
            const bool moved = !(pos->flags & win::SWP_NOMOVE);
            const bool sized = !(pos->flags & win::SWP_NOSIZE);
            if (moved || sized) {
                adoptingWindowPos_ = true;
                SetBounds(moved ? pos->x : Left(), moved ? pos->y : Top(), sized ? pos->cx : Width(),
                          sized ? pos->cy : Height());
                adoptingWindowPos_ = false;
            }
        }
        DefaultHandler(m);
        return;
    case CM_VISIBLECHANGED:
        TControl::WndProc(m);
        if (Visible() && Parent() && Parent()->handle_ != 0) HandleNeeded();
        if (handle_ != 0) win::ShowWindow(handle_, Visible() ? win::SW_SHOWNA : win::SW_HIDE);
        return;
    case CM_TEXTCHANGED:
        TControl::WndProc(m);
        if (handle_ != 0) win::SetWindowText(handle_, Text());
        return;
    case win::WM_KILLFOCUS:
        DoExit();
        return;
    case CM_COLORCHANGED:
    case CM_FONTCHANGED: {
        TControl::WndProc(m);
        const std::uint32_t tell =
            m.Msg == CM_COLORCHANGED ? CM_PARENTCOLORCHANGED : CM_PARENTFONTCHANGED;
        for (TControl* c : std::vector<TControl*>(controls_)) c->Perform(tell);
        return;
    }
    case CM_ENABLEDCHANGED:
        TControl::WndProc(m);
        if (handle_ != 0) win::EnableWindow(handle_, Enabled());
        for (TControl* c : std::vector<TControl*>(controls_)) c->Invalidate();
        return;
    default:
        TControl::WndProc(m);
    }
}

void TWinControl::DefaultHandler(TMessage& m) {
    if (handle_ != 0) m.Result = win::DefWindowProc(handle_, m.Msg, m.WParam, m.LParam);
}

void TWinControl::KeyDown(std::uint16_t& key, TShiftState shift) {
    if (OnKeyDown) OnKeyDown(this, key, shift);
}

void TWinControl::KeyUp(std::uint16_t& key, TShiftState shift) {
    if (OnKeyUp) OnKeyUp(this, key, shift);
}

void TWinControl::KeyPress(char& key) {
    if (OnKeyPress) OnKeyPress(this, key);
}

void TWinControl::DoEnter() {
    if (OnEnter) OnEnter(this);
}

void TWinControl::DoExit() {
    if (OnExit) OnExit(this);
}

} // namespace plat::comp
