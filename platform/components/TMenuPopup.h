#pragma once
// The drop-down list of a menu's items: a pop-up window under the menu bar that tracks the mouse
// and the arrow keys in a loop of its own until an item is chosen or the menu is left (Escape, a
// click elsewhere). An item with items of its own opens the next level beside it.

#include "platform/components/TCustomControl.h"
#include "platform/components/TMenuItem.h"

namespace plat::comp {

class TMenuPopup : public TCustomControl {
public:
    // Shows the items of `parent` with the top-left corner at a screen point and answers the item
    // chosen (enabled, not a line, without items of its own), or null when the menu was left.
    static TMenuItem* Track(TMenuItem& parent, TPoint screen);
    // The innermost drop-down open now, or null (tests drive it through this).
    static TMenuPopup* Current();

    TMenuPopup(TMenuItem& items, TMenuPopup* parentPopup);
    ~TMenuPopup() override;
    const char* ClassName() const override { return "TMenuPopup"; }

    TMenuItem& Items() { return items_; }
    int Highlighted() const { return highlighted_; }
    // The row of a visible item, in client coordinates.
    TRect ItemRect(int index) const;
    // Chooses the item at a row as a click would.
    void Choose(int index);
    void Leave();

    void WndProc(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void Paint() override;
    void KeyDown(std::uint16_t& key, TShiftState shift) override;

private:
    int RowAt(TPoint p) const;
    void Move(int step);
    TSize MeasureSize() const;

    TMenuItem& items_;
    TMenuPopup* parentPopup_;
    int highlighted_ = -1;
    bool finished_ = false;
    TMenuItem* chosen_ = nullptr;
};

} // namespace plat::comp
