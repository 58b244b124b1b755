// Mouse routing to windowless controls, hit testing of the frame, sizing limits, focus and keys.

#include "demod/ui/toolkit/RC_Cursor.h"
#include "demod/ui/toolkit/RC_Window.h"
#include "platform/win/Win.h"

#include <climits>

namespace win = plat::win;

void RC_Window::RouteMouse(int kind, std::uint32_t keys, int x, int y) {
    RC_Window* current = this;
    for (;;) {
        if (!current->enabled_ || (current->State() & kShown) == 0) return;
        if (current->capture_ == current || (current->State() & kCapture) != 0) break;
        RC_Window* holder = current->capture_;
        if (holder != nullptr && holder->top_ == current) {
            // Coordinates relative to the control holding the mouse, wherever the pointer is.
            for (RC_Window* w = holder; w != nullptr && w != current; w = w->parent_) {
                x -= w->x_;
                y -= w->y_;
                if (w->IsPopup()) break;
            }
            current = holder;
            continue;
        }
        RC_Window* hit = nullptr;
        for (RC_Window* c = current->firstChild_; c != nullptr; c = c->nextSibling_) {
            if (!c->IsWindowless() || (c->State() & kShown) == 0 || !c->enabled_) continue;
            if (x >= c->x_ && x < c->x_ + c->width_ && y >= c->y_ && y < c->y_ + c->height_) hit = c;
        }
        if (hit == nullptr) break;
        x -= hit->x_;
        y -= hit->y_;
        current = hit;
    }
    const bool takesFocus = kind == kLeftDown || kind == kLeftDouble || kind == kMiddleDown || kind == kRightDown;
    if (takesFocus && !current->IsFocused()) {
        RC_Window* target = current;
        while (target->parent_ != nullptr && (target->Style() & kTakesFocus) == 0 && !target->IsPopup()) {
            target = target->parent_;
        }
        target->Focus();
    }
    current->MouseEvent(kind, keys, x, y);
}

void RC_Window::MouseEvent(int kind, std::uint32_t, int x, int y) {
    if (kind == kRightDown && onRightButton) onRightButton.fn(onRightButton.user, this, x, y);
    if (kind == kMouseMove) SetCursorShape(win::LoadCursor(win::IDC_ARROW));
}

win::LResult RC_Window::HitTest(win::LParam lParam) {
    int x = win::GetXParam(lParam);
    int y = win::GetYParam(lParam);
    for (const RC_Window* w = this; w != nullptr; w = w->parent_) {
        x -= w->x_;
        y -= w->y_;
        if (w->IsPopup()) break;
    }
    if (capture_ != nullptr) return win::HTCLIENT;
    for (RC_Window* c = firstChild_; c != nullptr; c = c->nextSibling_) {
        if (c->IsWindowless() && (c->State() & kShown) != 0 && x >= c->x_ && x < c->x_ + c->width_ &&
            y >= c->y_ && y < c->y_ + c->height_) {
            return win::HTCLIENT;
        }
    }
    const bool inside = x >= 0 && y >= 0 && x < width_ && y < height_;
    if ((State() & kMaximised) == 0 && inside) {
        if ((Style() & kSizable) != 0) {
            int h = 0; // -1 left, 1 right
            int v = 0; // -1 top, 1 bottom
            if (minWidth_ == -1 || minWidth_ != maxWidth_) h = x < frameWidth_ ? -1 : (x >= width_ - frameWidth_ ? 1 : 0);
            if (minHeight_ == -1 || minHeight_ != maxHeight_) v = y < frameWidth_ ? -1 : (y >= height_ - frameWidth_ ? 1 : 0);
            RC_SharedCursors& cursors = RC_GetSharedCursors();
            win::LResult zone = 0;
            const RC_Cursor* cursor = nullptr;
            if (v == 0 && h != 0) {
                zone = h < 0 ? win::HTLEFT : win::HTRIGHT;
                cursor = &cursors.resizeHorizontal;
            } else if (h == 0 && v != 0) {
                zone = v < 0 ? win::HTTOP : win::HTBOTTOM;
                cursor = &cursors.resizeVertical;
            } else if (h != 0 && v != 0) {
                const bool falling = h == v;
                zone = v < 0 ? (h < 0 ? win::HTTOPLEFT : win::HTTOPRIGHT) : (h < 0 ? win::HTBOTTOMLEFT : win::HTBOTTOMRIGHT);
                cursor = falling ? &cursors.resizeFalling : &cursors.resizeRising;
            }
            if (zone != 0) {
                SetCursorShape(cursor->Handle());
                return zone;
            }
        }
        if ((Style() & kDraggable) != 0 && y < content_.top) {
            SetCursorShape(win::LoadCursor(win::IDC_ARROW));
            return win::HTCAPTION;
        }
    }
    return win::HTCLIENT;
}

void RC_Window::ClampSizing(win::WParam edge, plat::gdi::Rect& r) const {
    int w = r.right - r.left;
    int h = r.bottom - r.top;
    const bool leftEdge = edge == win::WMSZ_LEFT || edge == win::WMSZ_TOPLEFT || edge == win::WMSZ_BOTTOMLEFT;
    const bool topEdge = edge == win::WMSZ_TOP || edge == win::WMSZ_TOPLEFT || edge == win::WMSZ_TOPRIGHT;
    if (minWidth_ != -1 && w < minWidth_) {
        w = minWidth_;
    } else if (maxWidth_ > 0 && w > maxWidth_) {
        w = maxWidth_;
    }
    if (minHeight_ != -1 && h < minHeight_) {
        h = minHeight_;
    } else if (maxHeight_ > 0 && h > maxHeight_) {
        h = maxHeight_;
    }
    // The dragged edge moves; the opposite edge stays where it is.
    if (leftEdge) r.left = r.right - w;
    if (topEdge) r.top = r.bottom - h;
    r.right = r.left + w;
    r.bottom = r.top + h;
}

void RC_Window::Focus() {
    RC_Window* t = top_;
    if (t == nullptr) return;
    if (t->hwnd_ != 0 && win::GetFocus() != t->hwnd_) {
        t->focusWindow_ = this;
        win::SetFocus(t->hwnd_);
        return;
    }
    if (t->focusWindow_ == this) return;
    if (t->focusWindow_ != nullptr) t->focusWindow_->SetFocused(0);
    t->focusWindow_ = this;
    SetFocused(1);
}

void RC_Window::SetFocused(int focused) {
    if (focused != 0 && parent_ != nullptr && (Style() & kTakesFocus) == 0 && !IsPopup()) {
        if (top_ != nullptr && top_ != this) top_->Focus();
        return;
    }
    if (focused == 0 && top_ != nullptr && top_->focusWindow_ == this) top_->focusWindow_ = nullptr;
    const int was = focused_.exchange(focused != 0 ? 1 : 0, std::memory_order_acq_rel);
    if (was != (focused != 0 ? 1 : 0) && onFocusChange) onFocusChange.fn(onFocusChange.user, focused != 0 ? 1 : 0, this);
}

void RC_Window::FocusNext() {
    if (IsPopup() || parent_ == nullptr) return;
    RC_Window* next = nullptr;
    RC_Window* smallest = nullptr;
    for (RC_Window* c = parent_->firstChild_; c != nullptr; c = c->nextSibling_) {
        if (c->tabOrder_ == 0) continue;
        if (c->tabOrder_ > tabOrder_ && (next == nullptr || c->tabOrder_ < next->tabOrder_)) next = c;
        if (smallest == nullptr || c->tabOrder_ < smallest->tabOrder_) smallest = c;
    }
    RC_Window* chosen = next != nullptr ? next : smallest;
    if (chosen == nullptr) return;
    // A windowless control has no system window to focus: it takes the focus within its top window.
    if (chosen->hwnd_ != 0) {
        win::SetFocus(chosen->hwnd_);
    } else {
        chosen->Focus();
    }
}

int RC_Window::KeyEvent(int kind, std::uint32_t key) {
    if (key == win::VK_TAB && (kind == kChar || kind == kKeyDown)) {
        // The key press moves the focus; the character it produces is only swallowed, so one
        // press of Tab moves exactly one place.
        if (kind == kKeyDown) FocusNext();
        return 1;
    }
    const RC_Callback<RC_KeyFn>& cb = kind == kChar ? onChar : kind == kKeyDown ? onKeyDown : onKeyUp;
    return cb && cb.fn(cb.user, this, key) != 0 ? 1 : 0;
}
