#pragma once
// A container with a row of tabs along its top edge in the shadow-bevel look. The tabs carry no
// text of their own: the owner draws each tab's content (OnDraw). When the tabs do not fit, two
// small arrow buttons at the right of the row scroll it. Child controls sit in the body below.

#include <array>
#include <functional>
#include <memory>

#include "app/controls/ColorShadow.h"
#include "platform/components/TBitmap.h"
#include "platform/components/TCustomControl.h"

namespace lxq {

class TstTabSet;

enum class TScrollerPos { spTop, spBottom };
enum class TInvalidateScrollerMode { ismAllScrollerArea, ismScrollerArea };
// Draws the content of tab `index` into r (the area inside the tab's bevel).
using TDrawTabEvent = std::function<void(TstTabSet* control, int index, const plat::comp::TRect& r,
                                         bool active)>;

class TstTabSet : public plat::comp::TCustomControl {
public:
    explicit TstTabSet(plat::comp::TComponent* owner);
    ~TstTabSet() override;
    const char* ClassName() const override { return "TstTabSet"; }

    int TabWidth() const { return tabWidth_; }
    void SetTabWidth(int v);
    int TabHeight() const { return tabHeight_; }
    void SetTabHeight(int v);
    int BevelWidth() const { return bevelWidth_; }
    void SetBevelWidth(int v);
    int ShadowOffset() const { return shadowOffset_; }
    void SetShadowOffset(int v);
    int InactiveBevelWidth() const { return inactiveBevelWidth_; }
    void SetInactiveBevelWidth(int v);
    TColor InactiveColor() const { return inactiveColor_; }
    void SetInactiveColor(TColor v);
    int InactiveShadowOffset() const { return inactiveShadowOffset_; }
    void SetInactiveShadowOffset(int v);
    int ScrollerWidth() const { return scrollerWidth_; }
    void SetScrollerWidth(int v);
    int ScrollerHeight() const { return scrollerHeight_; }
    void SetScrollerHeight(int v);
    TScrollerPos ScrollerPos() const { return scrollerPos_; }
    void SetScrollerPos(TScrollerPos v);
    TColor ScrollerColor() const { return scrollerColor_; }
    void SetScrollerColor(TColor v);
    int ScrollerBevelWidth() const { return scrollerBevelWidth_; }
    void SetScrollerBevelWidth(int v);
    int ScrollerShadowOffset() const { return scrollerShadowOffset_; }
    void SetScrollerShadowOffset(int v);
    TColor ScrollerArrowColor() const { return scrollerArrowColor_; }
    void SetScrollerArrowColor(TColor v);
    TColor ScrollerArrowDisableColor() const { return scrollerArrowDisableColor_; }
    void SetScrollerArrowDisableColor(TColor v);
    int TabCount() const { return tabCount_; }
    void SetTabCount(int n);
    int CurrentIndex() const { return currentIndex_; }
    void SetCurrentIndex(int i);
    int FirstVisible() const { return firstVisible_; }
    int LastVisible() const { return lastVisible_; }

    // How many tabs the row shows (room for the two scroll buttons is always kept).
    int VisibleTabs() const;
    // The bevel actually drawn.
    int AdjustBevel() const;
    // The content area of a visible tab; empty for one out of view.
    plat::comp::TRect GetTabRect(int i) const;
    // Scroll button 0 (back) or 1 (forward).
    plat::comp::TRect GetButtonRect(int b) const;
    // The tab slot under a point (may be TabCount or more on the empty end of the row), or -1.
    int ItemAtPos(int x, int y) const;
    // The scroll button under a point that can scroll, or -1.
    int ButtonAtPos(int x, int y) const;
    // The arrow pictures: back, back disabled, forward, forward disabled.
    const plat::comp::TBitmap& ArrowBitmap(int i) const { return *arrows_[static_cast<std::size_t>(i)]; }

    plat::comp::TNotifyEvent OnChange;
    TDrawTabEvent OnDraw;

    void WndProc(plat::comp::TMessage& message) override;

protected:
    void Paint() override;
    void AdjustClientRect(plat::comp::TRect& rect) override;
    void MouseDown(plat::comp::TMouseButton button, plat::comp::TShiftState shift, int x,
                   int y) override;
    void MouseUp(plat::comp::TMouseButton button, plat::comp::TShiftState shift, int x,
                 int y) override;
    void Resize() override;

private:
    void Refit();
    void InvalidateTabsRect();
    void InvalidateTabRect(int i);
    void InvalidateScroller(TInvalidateScrollerMode mode);
    void DoDrawTab(int i);
    void AdjustArrowBitmaps();
    bool InView(int i) const { return i >= 0 && i >= firstVisible_ && i <= lastVisible_; }
    bool CanScrollBack() const { return firstVisible_ > 0; }
    bool CanScrollForward() const { return lastVisible_ < tabCount_ - 1; }
    void PaintScrollButton(int b);
    // Stores an int property; answers whether it changed.
    static bool Store(int& field, int v);
    static bool Store(TColor& field, TColor v);

    int tabWidth_ = 120;
    int tabHeight_ = 60;
    int bevelWidth_ = 6;
    int shadowOffset_ = 50;
    int inactiveBevelWidth_ = 3;
    TColor inactiveColor_;
    int inactiveShadowOffset_ = 50;
    std::array<std::unique_ptr<plat::comp::TBitmap>, 4> arrows_;
    int scrollerWidth_ = 16;
    int scrollerHeight_ = 16;
    TScrollerPos scrollerPos_ = TScrollerPos::spTop;
    TColor scrollerColor_;
    int scrollerBevelWidth_ = 3;
    int scrollerShadowOffset_ = 50;
    TColor scrollerArrowColor_ = 0x00FF00;
    TColor scrollerArrowDisableColor_ = 0x808080;
    int tabCount_ = 0;
    int firstVisible_ = -1;
    int lastVisible_ = -1;
    int currentIndex_ = -1;
    int pressedTab_ = -1;
    int pressedButton_ = -1;
};

} // namespace lxq
