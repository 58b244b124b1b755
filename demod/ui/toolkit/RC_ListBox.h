#pragma once
// A column of text rows with hover and selection highlighting, optional per-row marks, and a
// scroll bar that appears when the rows do not fit. As the drop-down of a combo box it is a top
// window of its own that holds the mouse, so that a click outside it closes it.

#include "demod/dsp/RC_StringList.h"
#include "demod/ui/toolkit/RC_Window.h"

#include <cstdint>
#include <vector>

class RC_Slider;

// Paints item `index` into `rect` of `window` instead of the list; nonzero when it did.
using RC_ItemDrawFn = int (*)(void* user, RC_Window* window, int index, const char* text,
                              const plat::gdi::Rect& rect);

class RC_ListBox : public RC_Window {
public:
    // Style bits.
    static constexpr std::uint32_t kDropDown = 0x40000000u;
    static constexpr std::uint32_t kClickMarks = 0x80000000u;
    static constexpr int kScrollBarWidth = 14;

    RC_ListBox(RC_Window* parent, int x, int y, int w, int h, std::uint32_t creationFlags = kWindowless);
    ~RC_ListBox() override;

    // Adds a copy in sort order; the selected text stays selected and marks stay with their rows.
    void AddItem(const char* text);
    int SetItems(const RC_StringList& items);
    void SetRowHeight(int pixels);
    void SetHover(int row);
    void SetMark(int row, std::uint8_t value);
    void SetSelected(int row) { selected_ = row, Invalidate(); }
    void SetListTextColour(RC_Colour colour) { textColour_ = colour, Invalidate(); }
    void SetScrollBarWidth(int pixels) { scrollWidth_ = pixels, Invalidate(); }

    int Count() const { return static_cast<int>(items_.Count()); }
    const char* Item(int row) const { return items_.Item(static_cast<std::size_t>(row)); }
    int Selected() const { return selected_; }
    int Hovered() const { return hovered_; }
    int RowHeight() const { return rowHeight_; }
    std::uint8_t Mark(int row) const { return row >= 0 && row < Count() ? marks_[row] : 0; }
    RC_Slider* ScrollBar() const { return scroll_; }
    // The first row shown.
    int ScrollPosition() const;
    // Adds or removes the scroll bar for the current rows and size (done by every paint).
    void UpdateScrollBar();

    // Row painting by the owner (the combo box's owner drawing).
    RC_Callback<RC_ItemDrawFn> onDrawItem;

    void PaintContent() override;
    void MouseEvent(int kind, std::uint32_t keys, int x, int y) override;
    int Show(int command) override;

private:
    plat::gdi::Rect Rows() const;
    int RowsThatFit() const;
    bool IsDropDown() const { return (Style() & kDropDown) != 0; }
    bool ForwardToScrollBar(int kind, std::uint32_t keys, int x, int y);
    static void Scrolled(void* user, RC_Slider* slider, double value);

    RC_Colour textColour_ = 0x00FF00;
    RC_Colour highlight_ = 0x808080;
    int rowHeight_ = 15;
    int selected_ = -1;
    RC_StringList items_;
    int hovered_ = -1;
    std::vector<std::uint8_t> marks_;
    RC_Colour markColour_ = 0x800000;
    RC_Slider* scroll_ = nullptr;
    int scrollWidth_ = kScrollBarWidth;
};
