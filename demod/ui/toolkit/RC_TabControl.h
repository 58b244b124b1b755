#pragma once
// A row of tabs along the top (or a column at the left), each owning one child page window of
// which only the selected one is shown. The page's caption is its tab's label.

#include "demod/ui/toolkit/RC_Window.h"

#include <vector>

class RC_TabControl : public RC_Window {
public:
    enum Layout : int { kRow = 0, kColumn = 1 };
    // Style bit: no tabs, only a bevelled frame; the mouse is ignored.
    static constexpr std::uint32_t kTabsHidden = 0x800;

    RC_TabControl(RC_Window* parent, int x, int y, int w, int h);

    // Deletes pages from the end, or appends empty ones; then applies the selection again.
    void SetPageCount(int n);
    // Clamped to the pages; shows the selected page and hides the others.
    void SetPage(int index);
    void SetHover(int index);
    void SetLayout(int kind) { layout_ = kind, Invalidate(); }
    void SetTabHeight(int height) { tabHeight_ = height, Invalidate(); }
    void SetBevelLines(int n) { bevelLines_ = n, Invalidate(); }

    int PageCount() const { return static_cast<int>(pages_.size()); }
    RC_Window* Page(int index) const { return index >= 0 && index < PageCount() ? pages_[index] : nullptr; }
    int Selected() const { return selected_; }
    int Hovered() const { return hovered_; }
    // The tab rectangles of the last layout.
    const plat::gdi::Rect& TabRect(int index) const { return tabRects_[index]; }
    // Lays out the tabs for the current labels (done by every paint).
    void LayoutTabs();

    RC_Callback<RC_ActionFn> onChange;

    void PaintContent() override;
    void MouseEvent(int kind, std::uint32_t keys, int x, int y) override;

private:
    void Select(int index, bool force);
    int TabAt(int x, int y) const;
    // Line i of the bevel on the lit or the shaded side.
    RC_Colour BevelColour(int i, bool lit) const;
    void DrawBevel(plat::gdi::Rect rect, bool sunkenTop);
    void DrawTab(int index, bool selected);

    RC_Colour faceColour_ = 0x404040;
    RC_Colour bevelColour_ = 0x606060;
    int bevelLines_ = 2;
    RC_Colour selectedText_ = 0x00FF00;
    int selected_ = -1;
    int hovered_ = -1;
    RC_Colour hoveredText_ = 0xFFFF00;
    int layout_ = kRow;
    int tabHeight_ = 20;
    RC_Colour otherText_ = 0x008000;
    std::vector<RC_Window*> pages_;
    std::vector<plat::gdi::Rect> tabRects_;
};
