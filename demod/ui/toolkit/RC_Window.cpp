#include "demod/ui/toolkit/RC_Window.h"

#include "platform/win/Win.h"

#include <algorithm>
#include <mutex>

namespace win = plat::win;
namespace gdi = plat::gdi;

const char* const RC_WindowClassName = "RC_Window_Q745DemodPro";

namespace {

// Every window of the process, newest first, and whether the class is registered.
struct WindowList {
    std::mutex mutex;
    RC_Window* head = nullptr;
    std::size_t count = 0;
    bool classRegistered = false;
};

WindowList& List() {
    static WindowList list;
    return list;
}

void ClearStateBit(void* user, void*, std::uint32_t bit) { static_cast<RC_Window*>(user)->ClearStateFlags(bit); }
void PenChanged(void* user, void* record) { ClearStateBit(user, record, RC_Window::kPenSelected); }
void BrushChanged(void* user, void* record) { ClearStateBit(user, record, RC_Window::kBrushSelected); }
void FontChanged(void* user, void* record) { ClearStateBit(user, record, RC_Window::kFontSelected); }

} // namespace

std::size_t RC_Window::LiveWindowCount() {
    std::lock_guard<std::mutex> hold(List().mutex);
    return List().count;
}

RC_Window::RC_Window(RC_Window* parent, int x, int y, int width, int height, std::uint32_t creationFlags)
    : creationFlags_(creationFlags), parent_(parent), x_(x), y_(y), width_(width), height_(height),
      threadId_(win::GetCurrentThreadId()) {
    if (parent_ == nullptr || (creationFlags_ & kOwnedPopup) != 0) creationFlags_ &= ~kWindowless;
    if (parent_ == nullptr) creationFlags_ &= ~kOwnedPopup;
    win::Rect work;
    win::GetWorkArea(&work);
    maxWidth_ = work.Width();
    maxHeight_ = work.Height();
    caption_.Assign("Untitled");
    pen_.SetChangeCallback({&PenChanged, this});
    brush_.SetChangeCallback({&BrushChanged, this});
    font_.SetChangeCallback({&FontChanged, this});
    if (parent_ != nullptr) font_.Assign(parent_->font_);
    font_.SetCharSet(0);
    content_ = {0, 0, width_, height_};
    Link();

    if (IsWindowless()) {
        top_ = parent_->top_;
    } else {
        const bool child = parent_ != nullptr && (creationFlags_ & kOwnedPopup) == 0;
        std::uint32_t style = win::WS_CLIPCHILDREN | win::WS_CLIPSIBLINGS | (child ? win::WS_CHILD : win::WS_POPUP);
        std::uint32_t exStyle = win::WS_EX_NOPARENTNOTIFY | (child ? 0u : win::WS_EX_TOOLWINDOW);
        const win::Hwnd owner = parent_ != nullptr && parent_->top_ != nullptr ? parent_->top_->hwnd_ : 0;
        hwnd_ = win::CreateWindowEx(exStyle, RC_WindowClassName, caption_.Text(), style, x, y, width, height, owner, 0, 0);
        if (hwnd_ != 0) win::SetWindowLongPtr(hwnd_, win::GWLP_USERDATA, reinterpret_cast<win::LParam>(this));
        top_ = this;
    }
    AndState(~kConstructing);
}

void RC_Window::ReleaseClass() {
    WindowList& list = List();
    std::lock_guard<std::mutex> hold(list.mutex);
    if (!list.classRegistered || list.count != 0) return;
    win::UnregisterClass(RC_WindowClassName);
    list.classRegistered = false;
}

void RC_Window::Link() {
    {
        WindowList& list = List();
        std::lock_guard<std::mutex> hold(list.mutex);
        if (!list.classRegistered) {
            win::WindowClass cls;
            cls.name = RC_WindowClassName;
            cls.style = win::CS_VREDRAW | win::CS_HREDRAW | win::CS_DBLCLKS | win::CS_OWNDC;
            cls.proc = &RC_WindowProc;
            // Taken back by ReleaseClass when the plug-in unloads: the procedure lives in this library.
            win::RegisterClass(cls);
            list.classRegistered = true;
        }
        nextInList_ = list.head;
        if (list.head != nullptr) list.head->prevInList_ = this;
        list.head = this;
        ++list.count;
    }
    if (parent_ == nullptr) return;
    std::lock_guard<RC_Lock> hold(parent_->childLock_);
    if ((creationFlags_ & kOwnedPopup) != 0) {
        nextSibling_ = parent_->firstPopup_;
        parent_->firstPopup_ = this;
        return;
    }
    RC_Window** link = &parent_->firstChild_;
    while (*link != nullptr) link = &(*link)->nextSibling_;
    *link = this;
}

void RC_Window::Unlink() {
    if (parent_ != nullptr) {
        {
            std::lock_guard<RC_Lock> hold(parent_->childLock_);
            RC_Window** link = (creationFlags_ & kOwnedPopup) != 0 ? &parent_->firstPopup_ : &parent_->firstChild_;
            for (; *link != nullptr; link = &(*link)->nextSibling_) {
                if (*link == this) {
                    *link = nextSibling_;
                    break;
                }
            }
        }
        if (IsWindowless()) parent_->Invalidate();
    } else if ((creationFlags_ & kKeepsLoop) == 0) {
        win::PostQuitMessage(0);
    }
    WindowList& list = List();
    std::lock_guard<std::mutex> hold(list.mutex);
    if (prevInList_ != nullptr) prevInList_->nextInList_ = nextInList_;
    if (nextInList_ != nullptr) nextInList_->prevInList_ = prevInList_;
    if (list.head == this) list.head = nextInList_;
    --list.count;
}

RC_Window::~RC_Window() {
    ClearStateFlags(kCapture);
    OrState(kClosing);
    // Owned popups and children go first, on this thread, so none outlives its parent. They are
    // deleted directly: every window of a tree lives on this thread.
    while (firstPopup_ != nullptr) delete firstPopup_;
    while (firstChild_ != nullptr) delete firstChild_;
    bitmap_.reset();
    // Nobody may keep pointing at a window that is gone.
    if (top_ != nullptr && top_ != this) {
        if (top_->capture_ == this) top_->capture_ = nullptr;
        if (top_->focusWindow_ == this) top_->focusWindow_ = nullptr;
    }
    if (hwnd_ != 0) {
        win::SetWindowLongPtr(hwnd_, win::GWLP_USERDATA, 0);
        win::DestroyWindow(hwnd_);
        hwnd_ = 0;
    }
    Unlink();
}

bool RC_Window::ShownChain() const {
    for (const RC_Window* w = this; w != nullptr; w = w->parent_) {
        if ((w->State() & kShown) == 0) return false;
        if (w->IsPopup() || !w->IsWindowless()) break;
    }
    return true;
}

bool RC_Window::EnabledChain() const {
    for (const RC_Window* w = this; w != nullptr; w = w->parent_) {
        if (!w->enabled_) return false;
        if (w->IsPopup()) break;
    }
    return true;
}

void RC_Window::OnFlagsChanged(std::uint32_t a, std::uint32_t b) {
    if (IsWindowless()) a &= ~kTopmost;
    const std::uint32_t old = FlagsA();
    RC_Object::OnFlagsChanged(a, b);
    const std::uint32_t changed = old ^ a;
    if ((changed & kRetainBitmap) != 0 && (a & kRetainBitmap) == 0) bitmap_.reset();
    if (hwnd_ == 0) return;
    if ((changed & kTopmost) != 0) {
        win::SetWindowPos(hwnd_, (a & kTopmost) != 0 ? win::HWND_TOPMOST : win::HWND_NOTOPMOST, 0, 0, 0, 0,
                          win::SWP_NOMOVE | win::SWP_NOSIZE | win::SWP_NOACTIVATE);
    }
    if ((changed & kSizable) != 0) {
        auto style = static_cast<std::uint32_t>(win::GetWindowLongPtr(hwnd_, win::GWL_STYLE));
        style = (a & kSizable) != 0 ? (style | win::WS_THICKFRAME) : (style & ~win::WS_THICKFRAME);
        win::SetWindowLongPtr(hwnd_, win::GWL_STYLE, static_cast<win::LParam>(style));
    }
}

void RC_Window::SetX(int x) { Move(x, y_, width_, height_, true); }
void RC_Window::SetY(int y) { Move(x_, y, width_, height_, true); }
void RC_Window::SetWidth(int width) { Move(x_, y_, width, height_, true); }
void RC_Window::SetHeight(int height) { Move(x_, y_, width_, height, true); }

void RC_Window::Move(int x, int y, int width, int height, bool relayout) {
    if (x == x_ && y == y_ && width == width_ && height == height_) return;
    x_ = x;
    y_ = y;
    if (width != width_ || height != height_) {
        const int dw = width - width_;
        const int dh = height - height_;
        if (pendingResize_ > 0) {
            --pendingResize_;
        } else if (relayout) {
            for (RC_Window* c = firstChild_; c != nullptr; c = c->nextSibling_) {
                const std::uint32_t s = c->Style();
                if ((s & (kAnchorWidth | kAnchorHeight | kAnchorRight | kAnchorBottom)) == 0) continue;
                int cx = c->x_, cy = c->y_, cw = c->width_, ch = c->height_;
                if (dw != 0) {
                    if ((s & kAnchorWidth) != 0) cw += dw;
                    else if ((s & kAnchorRight) != 0) cx += dw;
                }
                if (dh != 0) {
                    if ((s & kAnchorHeight) != 0) ch += dh;
                    else if ((s & kAnchorBottom) != 0) cy += dh;
                }
                c->Move(cx, cy, cw, ch, true);
            }
        }
        width_ = width;
        height_ = height;
        if ((Style() & kRetainBitmap) != 0) {
            ClearFlags(kRetainBitmap, 0);
            SetFlags(kRetainBitmap, 0);
        }
    }
    if (IsWindowless()) {
        // A parent that keeps its picture paints again the place the window left as well.
        if (parent_ != nullptr && (parent_->Style() & kRetainBitmap) != 0) parent_->Invalidate();
        else Invalidate();
    } else if (hwnd_ != 0) {
        win::MoveWindow(hwnd_, x_, y_, width_, height_, true);
    }
}

void RC_Window::SelectOwn(std::uint32_t bit) {
    std::lock_guard<RC_Lock> hold(stateLock_);
    if (dc_ == nullptr) return;
    if (bit == kPenSelected) dc_->SelectPen(*pen_.GetHandle());
    if (bit == kBrushSelected) dc_->SelectBrush(*brush_.GetHandle());
    if (bit == kFontSelected) dc_->SelectFont(*font_.GetHandle());
}

void RC_Window::SelectStock(std::uint32_t bits) {
    std::lock_guard<RC_Lock> hold(stateLock_);
    if (dc_ == nullptr) return;
    if ((bits & kPenSelected) != 0) dc_->SelectPen(plat::gdi::Pen{});
    if ((bits & kBrushSelected) != 0) dc_->SelectBrush(plat::gdi::Brush::Null());
    if ((bits & kFontSelected) != 0) dc_->SelectFont(plat::gdi::Font(plat::gdi::FontDesc{0, 700, false, false, false, "Arial"}));
}

void RC_Window::SetStateFlags(std::uint32_t bits) {
    // Drawing objects are selected only into a live context; a flag without one would lie.
    if (dc_ == nullptr) bits &= ~(kPenSelected | kBrushSelected | kFontSelected);
    if ((bits & kCapture) != 0 && !((State() & kShown) != 0 && EnabledChain())) bits &= ~kCapture;
    const std::uint32_t newly = bits & ~OrState(bits);
    for (std::uint32_t bit : {kPenSelected, kBrushSelected, kFontSelected}) {
        if ((newly & bit) != 0) SelectOwn(bit);
    }
    if ((newly & kCapture) != 0 && top_ != nullptr) {
        if (top_->hwnd_ != 0) win::SetCapture(top_->hwnd_);
        top_->capture_ = this;
    }
}

void RC_Window::ClearStateFlags(std::uint32_t bits) {
    const std::uint32_t cleared = bits & AndState(~bits);
    if ((cleared & (kPenSelected | kBrushSelected | kFontSelected)) != 0) {
        SelectStock(cleared & (kPenSelected | kBrushSelected | kFontSelected));
    }
    if ((cleared & kCapture) != 0 && top_ != nullptr) {
        if (top_->capture_ == this) top_->capture_ = nullptr;
        if (top_->hwnd_ != 0 && win::GetCapture() == top_->hwnd_) win::ReleaseCapture();
    }
}

void RC_Window::SetEnabled(bool enabled) {
    if (enabled_ == enabled) return;
    enabled_ = enabled;
    if (!enabled) {
        // The capture goes when the holder or one of its ancestors is disabled.
        RC_Window* holder = top_ != nullptr ? top_->capture_ : nullptr;
        for (RC_Window* w = holder; w != nullptr; w = w->parent_) {
            if (w == this) {
                holder->ClearStateFlags(kCapture);
                break;
            }
        }
        ClearStateFlags(kCapture);
    }
    if (hwnd_ != 0) {
        if (win::GetCurrentThreadId() != threadId_) {
            win::PostMessage(hwnd_, kMsgEnable, enabled ? 1 : 0, 0);
        } else {
            win::EnableWindow(hwnd_, enabled);
        }
    }
    InvalidateTree();
}

int RC_Window::Show(int command) {
    const std::uint32_t before = State();
    bool wasMaximised = false;
    switch (command) {
    case win::SW_HIDE:
        if ((AndState(~(kShown | kMinimised)) & (kShown | kMinimised)) == 0) return 1;
        dirty_.store(0, std::memory_order_release);
        break;
    case win::SW_MINIMIZE:
        OrState(kMinimised);
        AndState(~kShown);
        for (RC_Window* p = firstPopup_; p != nullptr; p = p->nextSibling_) {
            if ((p->State() & kShown) != 0) p->Show(win::SW_MINIMIZE);
        }
        ++pendingResize_;
        break;
    default: {
        if (command == win::SW_MAXIMIZE) {
            OrState(kMaximised);
            SavedRect(x_, y_, width_, height_);
            win::Rect work;
            win::GetWorkArea(&work);
            const int w = std::min(maxWidth_, work.Width());
            const int h = std::min(maxHeight_, work.Height());
            Move(work.left + (work.Width() - w) / 2, work.top + (work.Height() - h) / 2, w, h, true);
        } else if (command == win::SW_RESTORE) {
            if ((before & kMaximised) != 0 && (before & kMinimised) == 0) {
                wasMaximised = true;
                AndState(~kMaximised);
                RestoreSavedRect();
            } else if ((before & kMinimised) != 0) {
                ++pendingResize_;
            }
        }
        OrState(kShown);
        AndState(~kMinimised);
        for (RC_Window* p = firstPopup_; p != nullptr; p = p->nextSibling_) {
            if ((p->State() & (kShown | kMinimised)) != 0) p->Show(command);
        }
        break;
    }
    }
    if ((State() & kShown) != 0) {
        Invalidate();
    } else {
        if (capture_ != nullptr) capture_->ClearStateFlags(kCapture);
        ClearStateFlags(kCapture);
        if (IsWindowless() && parent_ != nullptr) parent_->Invalidate();
    }
    if (IsWindowless() || hwnd_ == 0) return 1;
    if (command == win::SW_MINIMIZE && IsPopup()) {
        win::ShowWindow(hwnd_, win::SW_HIDE);
        return 1;
    }
    if (command == win::SW_MAXIMIZE || wasMaximised) return 1;
    win::ShowWindow(hwnd_, command);
    return 1;
}

void RC_Window::Invalidate() { InvalidateInternal(true); }

bool RC_Window::OnOwnThread() const { return win::GetCurrentThreadId() == threadId_; }

void RC_Window::InvalidateInternal(bool mark) {
    // The size is read on the window's own thread only; another thread's area is not used.
    InvalidateArea(mark, OnOwnThread() ? gdi::Rect{0, 0, width_, height_} : gdi::Rect{});
}

void RC_Window::InvalidatePart(const gdi::Rect& area) {
    if (!OnOwnThread()) {
        InvalidateInternal(true);
        return;
    }
    partDirty_.store(1, std::memory_order_release);
    InvalidateArea(false, area);
}

void RC_Window::InvalidateArea(bool mark, gdi::Rect area) {
    // On the window's own thread, which owns the geometry, the system window is asked to paint
    // only the area that changed; another thread asks for the whole client area.
    const bool ownThread = OnOwnThread();
    RC_Window* w = this;
    while (w != nullptr && (w->State() & kClosing) == 0) {
        if (mark) {
            const bool was = w->dirty_.exchange(1, std::memory_order_acq_rel) != 0;
            // Already dirty since the last paint: its area is waiting to be painted.
            if (was && (w->hwnd_ != 0 || (w->parent_ != nullptr && (w->parent_->State() & kChildDirty) != 0))) return;
        }
        if (!w->IsWindowless()) {
            if (w->hwnd_ != 0 && (w->State() & kShown) != 0) win::InvalidateRect(w->hwnd_, ownThread ? &area : nullptr, false);
            return;
        }
        RC_Window* p = w->parent_;
        p->OrState(kChildDirty);
        if (ownThread) area = area.Offset(w->x_, w->y_).Intersect(gdi::Rect{0, 0, p->width_, p->height_});
        w = p;
        mark = false;
    }
}

void RC_Window::InvalidateTree() {
    Invalidate();
    for (RC_Window* c = firstChild_; c != nullptr; c = c->nextSibling_) c->InvalidateTree();
}

void RC_Window::SetCaption(const char* text) {
    caption_.Assign(text != nullptr ? text : "");
    if (hwnd_ != 0) win::SetWindowText(hwnd_, caption_.Text());
    Invalidate();
}

void RC_Window::SetFrameWidth(int width) {
    width = std::max(0, std::min({width, width_ / 2, height_ / 2}));
    if (width == frameWidth_) return;
    frameWidth_ = width;
    Invalidate();
}

void RC_Window::SetBackgroundColour(RC_Colour colour) {
    if (colour == background_) return;
    background_ = colour;
    Invalidate();
}

void RC_Window::SetFrameColour(RC_Colour colour) {
    if (colour == frameColour_) return;
    frameColour_ = colour;
    Invalidate();
}

void RC_Window::SetFrameType(int type) {
    if (type == frameType_) return;
    frameType_ = type;
    Invalidate();
}

void RC_Window::SetTextColour(RC_Colour colour) {
    textColour_ = colour;
    if (dc_ != nullptr) dc_->SetTextColor(colour);
}

void RC_Window::Close() {
    if ((OrState(kClosing) & kClosing) != 0) return;
    if (hwnd_ != 0) {
        win::PostMessage(hwnd_, win::WM_CLOSE, 0, 0);
    } else {
        delete this;
    }
}

void RC_Window::ScreenPosition(int& x, int& y) const {
    x = 0;
    y = 0;
    const RC_Window* w = this;
    for (; w != nullptr && w->hwnd_ == 0; w = w->parent_) {
        x += w->x_;
        y += w->y_;
    }
    if (w != nullptr) {
        win::Rect r;
        win::GetWindowRect(w->hwnd_, &r);
        x += r.left;
        y += r.top;
    }
}

void RC_Window::CreateCaret(int width, int height) {
    if (top_ == nullptr || top_->hwnd_ == 0) return;
    win::CreateCaret(top_->hwnd_, width, height);
    win::ShowCaret(top_->hwnd_);
}

void RC_Window::SetCaretPos(int x, int y) {
    for (const RC_Window* w = this; w != nullptr && w->hwnd_ == 0; w = w->parent_) {
        x += w->x_;
        y += w->y_;
    }
    win::SetCaretPos(x, y);
}

void RC_Window::SetCursorShape(std::uint32_t cursor) {
    if (win::GetCursor() != cursor) win::SetCursor(cursor);
}

bool RC_Window::PumpMessage(win::WParam* wParam) {
    win::Msg msg;
    const bool more = win::GetMessage(&msg, 0, 0, 0);
    if (more) {
        win::TranslateMessage(msg);
        win::DispatchMessage(msg);
    }
    if (wParam != nullptr) *wParam = msg.wParam;
    return more;
}

void RC_Window::SetStyle(std::uint32_t style) {
    const std::uint32_t add = style & ~FlagsA();
    if (add != 0) SetFlags(add, 0);
    const std::uint32_t drop = FlagsA() & ~style;
    if (drop != 0) ClearFlags(drop, 0);
}
