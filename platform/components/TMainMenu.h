#pragma once
// A form's menu bar: a tree of items under Items, drawn across the top of the form, with the
// items' shortcuts working while the form has the keyboard.

#include "platform/components/Events.h"
#include "platform/components/TMenuItem.h"
#include "platform/components/Types.h"
#include "platform/gdi/DC.h"

namespace plat::comp {

class TMainMenu : public TComponent {
public:
    explicit TMainMenu(TComponent* owner);
    const char* ClassName() const override { return "TMainMenu"; }

    TMenuItem& Items() { return *items_; }
    const TMenuItem& Items() const { return *items_; }

    int BarHeight() const { return 19; }
    // Draws the visible top-level captions into the bar rectangle.
    void PaintBar(gdi::DC& dc, const TRect& bar) const;
    // The top-level item whose caption lies under x in the bar, or null.
    TMenuItem* ItemAtBar(int x) const;
    // Opens a top-level item: its drop-down under the bar (the bar's rectangle on the screen is
    // given), then clicks the item chosen there; an item without items is clicked at once.
    void DropDown(TMenuItem& item, const TRect& barOnScreen);
    // Clicks the enabled item (anywhere in the tree) with this shortcut; true when one was found.
    bool IsShortCut(std::uint16_t key, TShiftState shift);
    // A top-level item's caption, enabled or visible state changed: the bar is to be redrawn.
    void Changed() {
        if (OnChange) OnChange(this);
    }
    TNotifyEvent OnChange;

private:
    // Left and right edges of each visible top-level item in the bar.
    std::vector<std::pair<TMenuItem*, TRect>> Layout(const TRect& bar) const;

    TMenuItem* items_;
};

// Checks or unchecks every item of a menu tree whose caption equals the text.
void CheckMenuItemByCaption(TMenuItem& menu, const std::string& caption, bool checked);

} // namespace plat::comp
