#include "app/controls/TstTabSet.h"

#include <algorithm>

#include "app/controls/SolidBrush.h"

namespace lxq {

using namespace plat::comp;

namespace {

void Line(TCanvas& c, TColor colour, TPoint a, TPoint b) {
    c.Pen().SetColor(colour);
    c.MoveTo(a.x, a.y);
    c.LineTo(b.x, b.y);
}

void Poly(TCanvas& c, TColor colour, std::initializer_list<TPoint> points) {
    c.Pen().SetColor(colour);
    c.Polyline(std::span<const TPoint>(points.begin(), points.size()));
}

} // namespace

TstTabSet::TstTabSet(TComponent* owner) : TCustomControl(owner) {
    SetControlStyle(ControlStyle() | cs::AcceptsControls);
    SetBounds(0, 0, 400, 300);
    SetColor(clBtnFace);
    inactiveColor_ = Color();
    scrollerColor_ = Color();
    for (auto& a : arrows_) a = std::make_unique<TBitmap>();
    AdjustArrowBitmaps();
}

TstTabSet::~TstTabSet() = default;

bool TstTabSet::Store(int& field, int v) {
    if (field == v) return false;
    field = v;
    return true;
}

bool TstTabSet::Store(TColor& field, TColor v) {
    if (field == v) return false;
    field = v;
    return true;
}

// --- geometry ---

int TstTabSet::VisibleTabs() const {
    if (tabCount_ == 0) return 0;
    return std::max(1, (ClientWidth() - 2 * scrollerWidth_) / tabWidth_);
}

int TstTabSet::AdjustBevel() const {
    return std::min({bevelWidth_, ClientWidth() / 2, ClientHeight() / 2, tabWidth_, tabHeight_ / 2});
}

TRect TstTabSet::GetTabRect(int i) const {
    if (!InView(i)) return {};
    const int n = AdjustBevel();
    const int d = i - firstVisible_;
    return {d * tabWidth_ + n, n, (d + 1) * tabWidth_ - n, tabHeight_};
}

TRect TstTabSet::GetButtonRect(int b) const {
    if (b != 0 && b != 1) return {};
    const int left = ClientWidth() - (2 - b) * scrollerWidth_;
    const int top = scrollerPos_ == TScrollerPos::spTop ? 0 : tabHeight_ - scrollerHeight_;
    return {left, top, left + scrollerWidth_, top + scrollerHeight_};
}

int TstTabSet::ItemAtPos(int x, int y) const {
    if (y < 0 || y > tabHeight_ || x < 0 || x > VisibleTabs() * tabWidth_) return -1;
    return x / tabWidth_ + firstVisible_;
}

int TstTabSet::ButtonAtPos(int x, int y) const {
    const int top = scrollerPos_ == TScrollerPos::spTop ? 0 : tabHeight_ - scrollerHeight_;
    const int start = ClientWidth() - 2 * scrollerWidth_;
    if (y < top || y >= top + scrollerHeight_ || x < start || scrollerWidth_ <= 0) return -1;
    const int b = (x - start) / scrollerWidth_;
    if (b == 0 && CanScrollBack()) return 0;
    if (b == 1 && CanScrollForward()) return 1;
    return -1;
}

void TstTabSet::AdjustClientRect(TRect& r) {
    r = {r.left + bevelWidth_, r.top + bevelWidth_ + tabHeight_, r.right - bevelWidth_,
         r.bottom - bevelWidth_};
}

// --- the visible range and the current tab ---

void TstTabSet::Refit() {
    const int v = VisibleTabs();
    lastVisible_ = firstVisible_ + v - 1;
    if (lastVisible_ >= tabCount_) {
        lastVisible_ = tabCount_ - 1;
        firstVisible_ = std::max(0, lastVisible_ - v + 1);
    }
    if (currentIndex_ < 0) return;
    if (currentIndex_ < firstVisible_) {
        firstVisible_ = currentIndex_;
        lastVisible_ = std::min(firstVisible_ + v - 1, tabCount_ - 1);
    } else if (currentIndex_ > lastVisible_) {
        lastVisible_ = currentIndex_;
        firstVisible_ = std::max(0, lastVisible_ - v + 1);
    }
}

void TstTabSet::SetCurrentIndex(int i) {
    if (i < 0 || i >= tabCount_) i = -1;
    if (i == currentIndex_) return;
    const int old = currentIndex_;
    currentIndex_ = i;
    const int first = firstVisible_, last = lastVisible_;
    const int v = VisibleTabs();
    // No tab (-1) leaves the range where it is.
    if (i >= 0 && i < firstVisible_) {
        firstVisible_ = i;
        lastVisible_ = std::min(firstVisible_ + v - 1, tabCount_ - 1);
    } else if (i >= 0 && i > lastVisible_) {
        lastVisible_ = i;
        firstVisible_ = std::max(0, lastVisible_ - v + 1);
    }
    if (first != firstVisible_ || last != lastVisible_) {
        InvalidateTabsRect();
    } else {
        if (InView(old)) InvalidateTabRect(old);
        InvalidateTabRect(i);
    }
    if (OnChange) OnChange(this);
}

void TstTabSet::SetTabCount(int n) {
    n = std::max(n, 0);
    if (n == tabCount_) return;
    tabCount_ = n;
    const bool dropped = currentIndex_ >= n && currentIndex_ != -1;
    if (currentIndex_ >= n) currentIndex_ = -1;
    const int v = VisibleTabs();
    if (n == 0) {
        firstVisible_ = lastVisible_ = -1;
    } else if (firstVisible_ < 0) {
        firstVisible_ = 0;
        lastVisible_ = std::min(v - 1, n - 1);
    } else if (lastVisible_ < n) {
        lastVisible_ = std::min(firstVisible_ + v - 1, n - 1);
    } else {
        lastVisible_ = n - 1;
        firstVisible_ = std::max(0, n - v);
    }
    InvalidateTabsRect();
    if (dropped && OnChange) OnChange(this);
}

// --- invalidation ---

void TstTabSet::InvalidateTabsRect() {
    InvalidateRect({0, 0, ClientWidth(), tabHeight_ + AdjustBevel()});
}

void TstTabSet::InvalidateTabRect(int i) {
    if (!InView(i)) return;
    const int x0 = (i - firstVisible_) * tabWidth_;
    InvalidateRect({x0, 0, x0 + tabWidth_, tabHeight_ + AdjustBevel()});
}

void TstTabSet::InvalidateScroller(TInvalidateScrollerMode mode) {
    const int left = ClientWidth() - 2 * scrollerWidth_;
    if (mode == TInvalidateScrollerMode::ismAllScrollerArea) {
        InvalidateRect({left, 0, ClientWidth(), tabHeight_});
        return;
    }
    const TRect band = GetButtonRect(0);
    InvalidateRect({left, band.top, ClientWidth(), band.bottom});
}

// --- mouse ---

void TstTabSet::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TCustomControl::MouseDown(button, shift, x, y);
    if (button != TMouseButton::mbLeft) return;
    pressedTab_ = ItemAtPos(x, y);
    pressedButton_ = ButtonAtPos(x, y);
    if (pressedButton_ >= 0) InvalidateScroller(TInvalidateScrollerMode::ismScrollerArea);
}

void TstTabSet::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TCustomControl::MouseUp(button, shift, x, y);
    if (button != TMouseButton::mbLeft) return;
    if (pressedTab_ >= 0 && ItemAtPos(x, y) == pressedTab_) SetCurrentIndex(pressedTab_);
    if (pressedButton_ >= 0 && ButtonAtPos(x, y) == pressedButton_) {
        bool moved = false;
        if (pressedButton_ == 1 && CanScrollForward()) {
            ++firstVisible_;
            ++lastVisible_;
            moved = true;
        } else if (pressedButton_ == 0 && CanScrollBack()) {
            --firstVisible_;
            --lastVisible_;
            moved = true;
        }
        if (moved) {
            pressedButton_ = -1;
            InvalidateTabsRect();
        }
    }
    pressedButton_ = -1;
    InvalidateScroller(TInvalidateScrollerMode::ismScrollerArea);
}

// --- painting ---

void TstTabSet::DoDrawTab(int i) {
    if (OnDraw) OnDraw(this, i, GetTabRect(i), i == currentIndex_);
}

void TstTabSet::Paint() {
    TCanvas& c = Canvas();
    const int n = AdjustBevel();
    const int W = ClientWidth(), H = ClientHeight(), TH = tabHeight_, TW = tabWidth_;
    SetSolidBrush(c, ParentBrushColor());
    c.FillRect(ClientRect());
    SetSolidBrush(c, Color());
    c.FillRect({0, TH, W, H});
    c.Pen().SetWidth(1);
    auto light = [&](int q) { return GetColorShadow(Color(), shadowOffset_, n, n - q); };
    auto dark = [&](int q) { return GetColorShadow(Color(), shadowOffset_, -n, n - q); };
    // The rings stop at the bevel actually drawn, so a small control never shades backwards.
    if (!InView(currentIndex_)) {
        for (int q = 0; q < n; ++q) {
            Poly(c, light(q), {{q, H - q - 1}, {q, TH + q}, {W - q, TH + q}});
            Poly(c, dark(q), {{q + 1, H - q - 1}, {W - q - 1, H - q - 1}, {W - q - 1, TH + q}});
        }
    } else {
        const int x0 = (currentIndex_ - firstVisible_) * TW;
        for (int q = 0; q < n; ++q) {
            // The tab's face joins the body.
            SetSolidBrush(c, Color());
            c.FillRect({x0 + n, bevelWidth_, x0 + TW - n, TH + n});
            Poly(c, light(q),
                 {{q, H - q - 1}, {q, TH + q}, {x0 + q, TH + q}, {x0 + q, q}, {x0 + TW - q - 1, q}});
            Line(c, light(q), {x0 + TW - q - 1, TH + q}, {W - q, TH + q});
            Poly(c, dark(q), {{q + 1, H - q - 1}, {W - q - 1, H - q - 1}, {W - q - 1, TH + q}});
            Line(c, dark(q), {x0 + TW - q - 1, q}, {x0 + TW - q - 1, TH + q});
        }
        DoDrawTab(currentIndex_);
    }
    const int m = std::min(n, inactiveBevelWidth_);
    for (int i = firstVisible_; i >= 0 && i <= lastVisible_; ++i) {
        if (i == currentIndex_) continue;
        const int x0 = (i - firstVisible_) * TW;
        SetSolidBrush(c, inactiveColor_);
        c.FillRect({x0, 0, x0 + TW, TH});
        for (int q = 0; q < m; ++q) {
            Poly(c, GetColorShadow(inactiveColor_, inactiveShadowOffset_, m, m - q),
                 {{x0 + q, TH - 1}, {x0 + q, q}, {x0 + TW - q - 1, q}});
            Line(c, GetColorShadow(inactiveColor_, inactiveShadowOffset_, -m, m - q),
                 {x0 + TW - q - 1, q}, {x0 + TW - q - 1, TH});
        }
        DoDrawTab(i);
    }
    if (VisibleTabs() < tabCount_) {
        PaintScrollButton(0);
        PaintScrollButton(1);
    }
}

void TstTabSet::PaintScrollButton(int b) {
    TCanvas& c = Canvas();
    TRect r = GetButtonRect(b);
    SetSolidBrush(c, scrollerColor_);
    c.FillRect(r);
    const int k = std::min({scrollerBevelWidth_, scrollerWidth_, scrollerHeight_});
    const bool pressed = b == pressedButton_;
    const int s = pressed ? -1 : 1;
    const int l = r.left, t = r.top, rr = r.right, bm = r.bottom;
    for (int q = 0; q < k; ++q) {
        Poly(c, GetColorShadow(scrollerColor_, scrollerShadowOffset_, s * k, k - q),
             {{l + q, bm - q - 1}, {l + q, t + q}, {rr - q, t + q}});
        Poly(c, GetColorShadow(scrollerColor_, scrollerShadowOffset_, -s * k, k - q),
             {{l + q + 1, bm - q - 1}, {rr - q - 1, bm - q - 1}, {rr - q - 1, t + q - 1}});
    }
    r = {r.left + k + 2, r.top + k + 2, r.right - k - 2, r.bottom - k - 2};
    if (pressed) r = r.Offset(1, 1);
    const bool disabled = b == 0 ? !CanScrollBack() : !CanScrollForward();
    const TBitmap& arrow = *arrows_[static_cast<std::size_t>(2 * b + (disabled ? 1 : 0))];
    if (!arrow.Empty()) c.Draw(r.left, r.top, arrow);
}

void TstTabSet::AdjustArrowBitmaps() {
    const int w = scrollerWidth_ - 2 * scrollerBevelWidth_ - 4;
    const int h = scrollerHeight_ - 2 * scrollerBevelWidth_ - 4;
    for (int i = 0; i < 4; ++i) {
        TBitmap& bmp = *arrows_[static_cast<std::size_t>(i)];
        // Buttons too small for an arrow get none.
        if (w <= 0 || h <= 0) {
            bmp.SetSize(0, 0);
            continue;
        }
        bmp.SetSize(w, h);
        TCanvas& c = bmp.Canvas();
        SetSolidBrush(c, scrollerColor_);
        c.FillRect({0, 0, w, h});
        const TColor colour = i % 2 == 0 ? scrollerArrowColor_ : scrollerArrowDisableColor_;
        c.Pen().SetWidth(1);
        c.Pen().SetColor(colour);
        SetSolidBrush(c, colour);
        if (i < 2) {
            Poly(c, colour, {{w - 1, 0}, {0, h / 2}, {w - 1, h - 1}, {w - 1, 0}});
            if (w >= 2) c.FloodFill(w - 2, h / 2, colour, plat::gdi::FloodType::Border);
        } else {
            Poly(c, colour, {{0, 0}, {w - 1, h / 2}, {0, h - 1}, {0, 0}});
            if (w >= 2) c.FloodFill(1, h / 2, colour, plat::gdi::FloodType::Border);
        }
    }
}

// --- messages and writers ---

void TstTabSet::WndProc(TMessage& m) {
    TCustomControl::WndProc(m);
    if (m.Msg == CM_PARENTCOLORCHANGED) Invalidate();
}

void TstTabSet::Resize() {
    TCustomControl::Resize();
    if (tabCount_ > 0) Refit();
    Invalidate();
}

void TstTabSet::SetTabWidth(int v) {
    if (!Store(tabWidth_, std::max(v, 1))) return;
    if (tabCount_ > 0) Refit();
    InvalidateTabsRect();
}

void TstTabSet::SetTabHeight(int v) {
    if (!Store(tabHeight_, std::max(v, 0))) return;
    Realign();
    Invalidate();
}

void TstTabSet::SetBevelWidth(int v) {
    if (!Store(bevelWidth_, std::max(v, 0))) return;
    Realign();
    Invalidate();
}

void TstTabSet::SetShadowOffset(int v) {
    if (Store(shadowOffset_, std::clamp(v, 0, 360))) Invalidate();
}

void TstTabSet::SetInactiveBevelWidth(int v) {
    if (Store(inactiveBevelWidth_, std::max(v, 0))) InvalidateTabsRect();
}

void TstTabSet::SetInactiveColor(TColor v) {
    if (Store(inactiveColor_, v)) InvalidateTabsRect();
}

void TstTabSet::SetInactiveShadowOffset(int v) {
    if (Store(inactiveShadowOffset_, std::clamp(v, 0, 360))) InvalidateTabsRect();
}

void TstTabSet::SetScrollerWidth(int v) {
    if (!Store(scrollerWidth_, std::max(v, 0))) return;
    AdjustArrowBitmaps();
    if (tabCount_ > 0) Refit();
    InvalidateTabsRect();
}

void TstTabSet::SetScrollerHeight(int v) {
    if (!Store(scrollerHeight_, std::max(v, 0))) return;
    AdjustArrowBitmaps();
    InvalidateScroller(TInvalidateScrollerMode::ismAllScrollerArea);
}

void TstTabSet::SetScrollerPos(TScrollerPos v) {
    if (v == scrollerPos_) return;
    scrollerPos_ = v;
    InvalidateScroller(TInvalidateScrollerMode::ismAllScrollerArea);
}

void TstTabSet::SetScrollerColor(TColor v) {
    if (!Store(scrollerColor_, v)) return;
    AdjustArrowBitmaps();
    InvalidateScroller(TInvalidateScrollerMode::ismScrollerArea);
}

void TstTabSet::SetScrollerBevelWidth(int v) {
    if (!Store(scrollerBevelWidth_, std::max(v, 0))) return;
    AdjustArrowBitmaps();
    InvalidateScroller(TInvalidateScrollerMode::ismScrollerArea);
}

void TstTabSet::SetScrollerShadowOffset(int v) {
    if (Store(scrollerShadowOffset_, std::clamp(v, 0, 360)))
        InvalidateScroller(TInvalidateScrollerMode::ismScrollerArea);
}

void TstTabSet::SetScrollerArrowColor(TColor v) {
    if (!Store(scrollerArrowColor_, v)) return;
    AdjustArrowBitmaps();
    InvalidateScroller(TInvalidateScrollerMode::ismScrollerArea);
}

void TstTabSet::SetScrollerArrowDisableColor(TColor v) {
    if (!Store(scrollerArrowDisableColor_, v)) return;
    AdjustArrowBitmaps();
    InvalidateScroller(TInvalidateScrollerMode::ismScrollerArea);
}

} // namespace lxq
