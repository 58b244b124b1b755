#include "demod/ui/toolkit/RC_TabControl.h"

#include "platform/win/Win.h"

#include <algorithm>

namespace gdi = plat::gdi;

// The tab control and its pages are child windows of their own: a page is a whole window tree
// that the control shows and hides.
RC_TabControl::RC_TabControl(RC_Window* parent, int x, int y, int w, int h) : RC_Window(parent, x, y, w, h, 0) {
    SetBackgroundColour(0x404040);
    Font().SetHeight(-11);
    SetFrameColour(0x404040);
    SetFrameType(0);
    SetFrameWidth(0);
}

void RC_TabControl::SetPageCount(int n) {
    n = std::max(n, 0);
    while (PageCount() > n) {
        RC_Window* page = pages_.back();
        pages_.pop_back();
        delete page;
    }
    const RC_Window* model = Page(selected_);
    while (PageCount() < n) {
        auto* page = model != nullptr ? new RC_Window(this, model->X(), model->Y(), model->Width(), model->Height(), 0)
                                      : new RC_Window(this, 0, 0, 10, 10, 0);
        page->SetStyle(kAnchorWidth | kAnchorHeight);
        pages_.push_back(page);
    }
    tabRects_.resize(pages_.size());
    Select(selected_, true);
}

void RC_TabControl::SetPage(int index) { Select(index, false); }

void RC_TabControl::Select(int index, bool force) {
    index = pages_.empty() ? -1 : std::clamp(index, 0, PageCount() - 1);
    if (index == selected_ && !force) return;
    selected_ = index;
    if (hovered_ == selected_) hovered_ = -1;
    for (int i = 0; i < PageCount(); ++i) {
        if (i == selected_) pages_[i]->Show(plat::win::SW_SHOW);
        else pages_[i]->Show(plat::win::SW_HIDE);
    }
    Invalidate();
}

void RC_TabControl::SetHover(int index) {
    if (index == hovered_) return;
    hovered_ = index;
    Invalidate();
}

void RC_TabControl::LayoutTabs() {
    tabRects_.resize(pages_.size());
    int widest = 0, tallest = 0;
    std::vector<int> widths(pages_.size());
    for (std::size_t k = 0; k < pages_.size(); ++k) {
        widths[k] = TextWidth(pages_[k]->Caption());
        widest = std::max(widest, widths[k]);
        tallest = std::max(tallest, TextHeight(pages_[k]->Caption()));
    }
    const gdi::Rect& content = ContentRect();
    const int gap = 2 * tabHeight_ / 3;
    int edge = layout_ == kRow ? content.left : content.top;
    for (std::size_t k = 0; k < pages_.size(); ++k) {
        gdi::Rect& r = tabRects_[k];
        if (layout_ == kRow) {
            r = {edge + gap, content.top, edge + gap + widths[k], content.top + tabHeight_};
            edge = r.right;
        } else {
            r = {tallest / 2, edge + bevelLines_, tallest / 2 + widest, edge + bevelLines_ + tallest};
            edge = r.bottom;
        }
    }
}

int RC_TabControl::TabAt(int x, int y) const {
    const int top = ContentRect().top;
    for (int k = 0; k < PageCount(); ++k) {
        const gdi::Rect& r = tabRects_[k];
        if (layout_ == kRow) {
            if (y >= top + bevelLines_ && y < top + tabHeight_ && x >= r.left && x < r.right && pages_[k]->IsEnabled())
                return k;
        } else if (r.Contains({x, y})) {
            return k;
        }
    }
    return -1;
}

void RC_TabControl::MouseEvent(int kind, std::uint32_t keys, int x, int y) {
    if ((Style() & kTabsHidden) != 0) return;
    if (kind == kMouseMove) {
        LayoutTabs();
        const int tab = TabAt(x, y);
        SetHover(tab == selected_ ? -1 : tab);
    } else if (kind == kLeftDown && hovered_ != -1) {
        const int before = selected_;
        SetPage(hovered_);
        if (selected_ != before && onChange) onChange.fn(onChange.user, this);
    }
    RC_Window::MouseEvent(kind, keys, x, y);
}

RC_Colour RC_TabControl::BevelColour(int i, bool lit) const {
    const int n = bevelLines_;
    if (n < 2) return lit ? RC_ScaleColour(bevelColour_, 3, 2) : RC_ScaleColour(bevelColour_, 1, 2);
    return RC_ScaleColour(bevelColour_, lit ? n * n + 2 * n - 1 - 2 * i : n * n - 2 * n + 1 + 2 * i, n * n);
}

// Lit lines along the top and the left, shaded along the bottom and the right; a sunken top
// leaves the top open where a tab joins it (drawn by the tab afterwards).
void RC_TabControl::DrawBevel(gdi::Rect r, bool openTop) {
    for (int i = 0; i < std::max(bevelLines_, 1) && !r.IsEmpty(); ++i) {
        const RC_Colour lit = BevelColour(i, true), shaded = BevelColour(i, false);
        if (!openTop) FillRect({r.left, r.top, r.right, r.top + 1}, lit);
        FillRect({r.left, r.top, r.left + 1, r.bottom}, lit);
        FillRect({r.left, r.bottom - 1, r.right, r.bottom}, shaded);
        FillRect({r.right - 1, r.top, r.right, r.bottom}, shaded);
        r = r.Inflate(-1, -1);
    }
}

void RC_TabControl::DrawTab(int k, bool selected) {
    const gdi::Rect& r = tabRects_[k];
    Brush().SetStyle(0);
    Brush().SetColour(faceColour_);
    Pen().SetWidth(1);
    if (layout_ == kRow) {
        const int e = 2 * tabHeight_ / 3, rise = tabHeight_ / 3;
        const gdi::Point shape[] = {{r.left - e, r.bottom}, {r.left - e + rise, r.top}, {r.right + e - rise, r.top},
                                    {r.right + e, r.bottom}};
        Pen().SetColour(BevelColour(0, true));
        Polygon(shape);
        // The selected tab opens into its page: its bottom edge is drawn in the face colour.
        if (selected) FillRect({r.left - e + 1, r.bottom - 1, r.right + e, r.bottom + bevelLines_}, faceColour_);
    } else {
        FillRect(r, faceColour_);
        DrawBevel(r, false);
        if (selected) FillRect({r.right - 1, r.top + 1, r.right + bevelLines_, r.bottom - 1}, faceColour_);
    }
    RC_Colour text = selected ? selectedText_ : (k == hovered_ ? hoveredText_ : otherText_);
    if (!pages_[k]->IsEnabled()) text = RC_BlendColour(text, BackgroundColour(), 2, 1);
    SetTextColour(text);
    SetBackgroundModeOfContext(1);
    DrawTextAligned(r, pages_[k]->Caption(), 1 | 4);
}

void RC_TabControl::PaintContent() {
    RC_Window::PaintContent();
    const gdi::Rect content = ContentRect();
    if ((Style() & kTabsHidden) != 0) {
        DrawBevel(content, false);
        return;
    }
    LayoutTabs();
    gdi::Rect area = content;
    if (layout_ == kRow) {
        area.top += tabHeight_;
    } else if (!tabRects_.empty()) {
        area.left = tabRects_[0].right;
    }
    FillRect(area, faceColour_);
    DrawBevel(area, false);
    if (selected_ < 0) return;
    for (int k = 0; k < selected_; ++k) DrawTab(k, false);
    for (int k = PageCount() - 1; k > selected_; --k) DrawTab(k, false);
    DrawTab(selected_, true);
}
