#include "demod/ui/toolkit/RC_ComboBox.h"

#include "demod/ui/toolkit/RC_Glyphs.h"
#include "demod/ui/toolkit/RC_SortedItems.h"
#include "platform/win/Win.h"

#include <algorithm>

namespace gdi = plat::gdi;

RC_ComboBox::RC_ComboBox(RC_Window* parent, int x, int y, int w, int h) : RC_Edit(parent, x, y, w, h) {
    items_.SetSortOrder(RC_StringList::kAscending);
    SetBackgroundColour(0x000000);
    SetEditTextColour(0x00FF00);
    Font().SetHeight(-11);
    Font().SetWeight(400);
    SetFrameColour(0x404040);
    SetFrameType(1);
    SetFrameWidth(2);
    SetReadOnly(true);
    // The list opens when the arrow is clicked.
    button_ = new RC_Button(this, 10, 10, 16, 16, kGlyphDown);
    button_->SetFrameWidth(1);
    button_->onAction = {&RC_ComboBox::ArrowPressed, this};
    button_->Show(plat::win::SW_SHOW);
}

RC_ComboBox::~RC_ComboBox() {
    // An open list is an owned popup: the base destructor deletes it.
    list_ = nullptr;
}

void RC_ComboBox::AddItem(const char* text) { RC_AddSortedItem(items_, text, selected_); }

void RC_ComboBox::AddItems(const RC_StringList& items) {
    for (std::size_t i = 0; i < items.Count(); ++i) AddItem(items.Item(i));
}

int RC_ComboBox::SetSelection(int index) {
    if (index > Count() - 1) index = Count() - 1;
    if (index < 0) {
        selected_ = -1;
        SetCaption("");
        return -1;
    }
    selected_ = index;
    SetCaption(Item(index));
    return index;
}

void RC_ComboBox::Clear() {
    items_.Clear();
    selected_ = -1;
    SetCaption("");
    if (list_ != nullptr) list_->Invalidate();
}

void RC_ComboBox::ArrowPressed(void* user, RC_Window*) { static_cast<RC_ComboBox*>(user)->OpenList(true); }

void RC_ComboBox::OpenList(bool open) {
    if (!open) {
        RC_ListBox* list = list_;
        list_ = nullptr;
        // Closing a window of its own is posted: the list may be the caller.
        if (list != nullptr) list->Close();
        return;
    }
    if (list_ != nullptr) return;
    if (onOpening) onOpening.fn(onOpening.user, this);
    if (Count() == 0) return;
    int sx = 0, sy = 0;
    ScreenPosition(sx, sy);
    // The list's frame is 2 pixels wide on each side.
    const int height = std::min(visibleRows_, Count()) * rowHeight_ + 2 * 2;
    auto* list = new RC_ListBox(this, sx, sy + Height(), Width(), height, kKeepsLoop | kOwnedPopup);
    list->SetStyle(list->Style() | RC_ListBox::kDropDown);
    list->SetItems(items_);
    list->SetRowHeight(rowHeight_);
    list->Font().Assign(Font());
    list->SetScrollBarWidth(button_->Width());
    if ((Style() & kOwnerDraw) != 0) list->onDrawItem = {&RC_ComboBox::DrawListItem, this};
    list->onAction = {&RC_ComboBox::ListClicked, this};
    list_ = list;
    list->Show(plat::win::SW_SHOW);
    if (list->Handle() != 0) {
        plat::win::SetWindowPos(list->Handle(), plat::win::HWND_TOP, 0, 0, 0, 0,
                                plat::win::SWP_NOMOVE | plat::win::SWP_NOSIZE);
    }
}

void RC_ComboBox::ListClicked(void* user, RC_Window* window) {
    auto* self = static_cast<RC_ComboBox*>(user);
    // A list already on its way out may still report its last release.
    if (window != self->list_) return;
    const int row = self->list_->Selected();
    if (row != -1) {
        const int before = self->selected_;
        if (self->SetSelection(row) != before) self->FireChange();
    }
    self->OpenList(false);
}

int RC_ComboBox::DrawListItem(void* user, RC_Window* window, int index, const char* text, const gdi::Rect& rect) {
    auto* self = static_cast<RC_ComboBox*>(user);
    if (!self->onDrawItem) return 0;
    return self->onDrawItem.fn(self->onDrawItem.user, window, index, text, rect);
}

void RC_ComboBox::PaintContent() {
    const gdi::Rect content = ContentRect();
    const int side = content.Height();
    button_->Move(content.right - side, content.top, side, side, true);
    SetContentRight(content.right - side);
    if ((Style() & kOwnerDraw) != 0 && selected_ >= 0 && onDrawItem) {
        const gdi::Rect field{content.left, content.top, content.right - side, content.bottom};
        if (onDrawItem.fn(onDrawItem.user, this, selected_, Item(selected_), field) != 0) return;
    }
    RC_Edit::PaintContent();
}
