#pragma once
// A drop-down selector: a read-only text field showing the selected item, an arrow button at its
// right end, and a list that opens under it as a top window of its own.

#include "demod/dsp/RC_StringList.h"
#include "demod/ui/toolkit/RC_Button.h"
#include "demod/ui/toolkit/RC_Edit.h"
#include "demod/ui/toolkit/RC_ListBox.h"

class RC_ComboBox : public RC_Edit {
public:
    // Style bit: the owner draws the selected item (in the field and in the open list).
    static constexpr std::uint32_t kOwnerDraw = 0x1000;

    RC_ComboBox(RC_Window* parent, int x, int y, int w, int h);
    ~RC_ComboBox() override;

    // Adds a copy in sort order; the selected text stays selected.
    void AddItem(const char* text);
    void AddItems(const RC_StringList& items);
    // Negative: none and an empty caption; past the end: the last item. Answers the index.
    int SetSelection(int index);
    void Clear();
    void OpenList(bool open);
    void SetRowHeight(int pixels) { rowHeight_ = pixels > 0 ? pixels : rowHeight_; }
    void SetVisibleRows(int rows) { visibleRows_ = rows > 0 ? rows : visibleRows_; }

    int Selection() const { return selected_; }
    int Count() const { return static_cast<int>(items_.Count()); }
    const char* Item(int index) const { return items_.Item(static_cast<std::size_t>(index)); }
    const RC_StringList& Items() const { return items_; }
    RC_ListBox* List() const { return list_; }
    RC_Button* ArrowButton() const { return button_; }

    RC_Callback<RC_ActionFn> onOpening;
    RC_Callback<RC_ActionFn> onChange;
    RC_Callback<RC_ItemDrawFn> onDrawItem;

    void PaintContent() override;

protected:
    RC_StringList& MutableItems() { return items_; }
    void FireChange() {
        if (onChange) onChange.fn(onChange.user, this);
    }

private:
    static void ArrowPressed(void* user, RC_Window* button);
    static void ListClicked(void* user, RC_Window* list);
    static int DrawListItem(void* user, RC_Window* window, int index, const char* text, const plat::gdi::Rect& rect);

    RC_Button* button_;
    int rowHeight_ = 15;
    int selected_ = -1;
    RC_StringList items_;
    int visibleRows_ = 8;
    RC_ListBox* list_ = nullptr;
};
