#include "platform/components/TMainMenu.h"

#include <functional>

#include "platform/components/Frames.h"
#include "platform/components/Graphics.h"
#include "platform/components/TFont.h"
#include "platform/components/TMenuPopup.h"

namespace plat::comp {
namespace {

constexpr int kItemPadding = 6;

TMenuItem* FindShortCut(TMenuItem& item, TShortCut wanted) {
    for (int i = 0; i < item.Count(); ++i) {
        TMenuItem* sub = item.Items(i);
        if (!sub->Visible() || !sub->Enabled()) continue;
        if (sub->ShortCut() == wanted && wanted != 0) return sub;
        if (TMenuItem* found = FindShortCut(*sub, wanted)) return found;
    }
    return nullptr;
}

} // namespace

TMainMenu::TMainMenu(TComponent* owner) : TComponent(owner), items_(new TMenuItem(this)) {}

std::vector<std::pair<TMenuItem*, TRect>> TMainMenu::Layout(const TRect& bar) const {
    const TFont font;
    std::vector<std::pair<TMenuItem*, TRect>> out;
    int x = bar.left;
    for (int i = 0; i < items_->Count(); ++i) {
        TMenuItem* item = items_->Items(i);
        if (!item->Visible()) continue;
        const int w = font.TextExtent(StripAccelerator(item->Caption())).cx + 2 * kItemPadding;
        out.push_back({item, {x, bar.top, x + w, bar.bottom}});
        x += w;
    }
    return out;
}

void TMainMenu::PaintBar(gdi::DC& dc, const TRect& bar) const {
    dc.FillRect(bar, gdi::Brush::Solid(ColorToRGB(clMenu)));
    const int saved = dc.SaveDC();
    dc.SelectFont(TFont().ToGdi());
    dc.SetBkMode(gdi::BkMode::Transparent);
    for (auto& [item, r] : Layout(bar)) {
        dc.SetTextColor(ColorToRGB(item->Enabled() ? clMenuText : clGrayText));
        TRect text = r;
        // The ampersand underlines the accelerator letter.
        dc.DrawText(item->Caption(), text, gdi::dt::Center | gdi::dt::VCenter | gdi::dt::SingleLine);
    }
    dc.RestoreDC(saved);
}

TMenuItem* TMainMenu::ItemAtBar(int x) const {
    for (auto& [item, r] : Layout({0, 0, 1 << 20, BarHeight()})) {
        if (x >= r.left && x < r.right) return item;
    }
    return nullptr;
}

void TMainMenu::DropDown(TMenuItem& item, const TRect& barOnScreen) {
    if (!item.Enabled()) return;
    if (item.Count() == 0) {
        item.Click();
        return;
    }
    TRect at{};
    for (auto& [top, r] : Layout(barOnScreen))
        if (top == &item) at = r;
    // The handler runs after the drop-down is gone, so it may open dialogs of its own.
    if (TMenuItem* chosen = TMenuPopup::Track(item, {at.left, at.bottom})) chosen->Click();
}

bool TMainMenu::IsShortCut(std::uint16_t key, TShiftState shift) {
    TShortCut wanted = key & 0xFFu;
    if (shift & ss::Shift) wanted |= scShift;
    if (shift & ss::Ctrl) wanted |= scCtrl;
    if (shift & ss::Alt) wanted |= scAlt;
    TMenuItem* item = FindShortCut(*items_, wanted);
    if (!item) return false;
    item->Click();
    return true;
}

void CheckMenuItemByCaption(TMenuItem& menu, const std::string& caption, bool checked) {
    for (int i = 0; i < menu.Count(); ++i) {
        TMenuItem* item = menu.Items(i);
        if (item->Caption() == caption) item->SetChecked(checked);
        CheckMenuItemByCaption(*item, caption, checked);
    }
}

} // namespace plat::comp
