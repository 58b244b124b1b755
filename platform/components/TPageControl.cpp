#include "platform/components/TPageControl.h"

#include <algorithm>

#include "platform/components/Frames.h"
#include "platform/components/TTabSheet.h"

namespace plat::comp {
namespace {

constexpr int kTabHeight = 20;
constexpr int kTabPadding = 6;

} // namespace

TPageControl::TPageControl(TComponent* owner) : TCustomControl(owner) {
    SetBounds(0, 0, 289, 193);
    SetTabStop(true);
    SetControlStyle(ControlStyle() | cs::AcceptsControls | cs::Opaque);
}

TPageControl::~TPageControl() {
    BeginDestroy();
    for (TTabSheet* page : pages_) page->pageControl_ = nullptr;
    pages_.clear();
    active_ = nullptr;
}

void TPageControl::InsertPage(TTabSheet* page) {
    pages_.push_back(page);
    page->pageControl_ = this;
    page->SetVisible(false);
    page->SetParent(this);
    page->SetAlign(TAlign::alClient);
    if (!active_) ShowPage(page);
    Invalidate();
}

void TPageControl::RemovePage(TTabSheet* page) {
    const auto it = std::find(pages_.begin(), pages_.end(), page);
    if (it == pages_.end()) return;
    const auto index = it - pages_.begin();
    pages_.erase(it);
    page->pageControl_ = nullptr;
    if (active_ == page) {
        active_ = nullptr;
        if (!Destroying() && !pages_.empty())
            ShowPage(pages_[static_cast<std::size_t>(std::min<std::ptrdiff_t>(index, PageCount() - 1))]);
    }
    Invalidate();
}

int TPageControl::ActivePageIndex() const {
    const auto it = std::find(pages_.begin(), pages_.end(), active_);
    return it == pages_.end() ? -1 : static_cast<int>(it - pages_.begin());
}

void TPageControl::SetActivePageIndex(int index) {
    SetActivePage(index >= 0 && index < PageCount() ? pages_[static_cast<std::size_t>(index)] : nullptr);
}

void TPageControl::SetActivePage(TTabSheet* page) {
    if (page == active_ || (page && page->pageControl_ != this)) return;
    ShowPage(page);
}

void TPageControl::ShowPage(TTabSheet* page) {
    TTabSheet* old = active_;
    active_ = page;
    if (page) {
        page->SetVisible(true);
        page->BringToFront();
    }
    if (old && old != page) old->SetVisible(false);
    Invalidate();
}

std::vector<std::pair<TTabSheet*, TRect>> TPageControl::TabRects() const {
    std::vector<std::pair<TTabSheet*, TRect>> out;
    int x = 2;
    for (TTabSheet* page : pages_) {
        if (!page->TabVisible()) continue;
        const int w = Font().TextExtent(StripAccelerator(page->Caption())).cx + 2 * kTabPadding;
        out.push_back({page, {x, 2, x + w, kTabHeight}});
        x += w;
    }
    return out;
}

int TPageControl::IndexOfTabAt(int x, int y) const {
    for (auto& [page, r] : TabRects())
        if (r.Contains({x, y})) return page->PageIndex();
    return -1;
}

void TPageControl::AdjustClientRect(TRect& rect) {
    rect = {rect.left + 2, rect.top + kTabHeight + 2, rect.right - 2, rect.bottom - 2};
}

void TPageControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TCustomControl::MouseDown(button, shift, x, y);
    if (button != TMouseButton::mbLeft) return;
    const int index = IndexOfTabAt(x, y);
    if (index < 0 || pages_[static_cast<std::size_t>(index)] == active_) return;
    bool allow = true;
    if (OnChanging) OnChanging(this, allow);
    if (!allow) return;
    ShowPage(pages_[static_cast<std::size_t>(index)]);
    if (OnChange) OnChange(this);
}

void TPageControl::Paint() {
    TCanvas& c = Canvas();
    const TRect client = ClientRect();
    c.Brush().SetColor(ParentBrushColor());
    c.FillRect({client.left, client.top, client.right, kTabHeight});
    // The page area: a raised frame under the tabs.
    TRect body{client.left, kTabHeight, client.right, client.bottom};
    Frame3D(c, body, clBtnHighlight, cl3DDkShadow, 1);
    Frame3D(c, body, cl3DLight, clBtnShadow, 1);
    c.Brush().SetColor(Color());
    c.FillRect(body);
    for (auto& [page, r] : TabRects()) {
        // The active tab stands out: taller and joined to the page.
        const bool active = page == active_;
        TRect tab = active ? TRect{r.left - 2, r.top - 2, r.right + 2, r.bottom + 1} : r;
        c.Pen().SetColor(clBtnHighlight);
        c.MoveTo(tab.left, tab.bottom - 1);
        c.LineTo(tab.left, tab.top);
        c.LineTo(tab.right - 1, tab.top);
        c.Pen().SetColor(cl3DDkShadow);
        c.LineTo(tab.right - 1, tab.bottom);
        c.Brush().SetColor(Color());
        c.FillRect({tab.left + 1, tab.top + 1, tab.right - 1, tab.bottom});
        c.Brush().SetStyle(TBrushStyle::bsClear);
        c.Font().SetColor(page->Enabled() ? Font().Color() : clGrayText);
        c.DrawText(page->Caption(), tab, gdi::dt::Center | gdi::dt::VCenter | gdi::dt::SingleLine);
    }
}

} // namespace plat::comp
