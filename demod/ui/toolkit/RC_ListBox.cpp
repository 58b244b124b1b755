#include "demod/ui/toolkit/RC_ListBox.h"

#include "demod/ui/toolkit/RC_Slider.h"
#include "demod/ui/toolkit/RC_SortedItems.h"
#include "platform/win/Win.h"

#include <algorithm>

namespace gdi = plat::gdi;

RC_ListBox::RC_ListBox(RC_Window* parent, int x, int y, int w, int h, std::uint32_t creationFlags)
    : RC_Window(parent, x, y, w, h, creationFlags) {
    items_.SetSortOrder(RC_StringList::kAscending);
    SetBackgroundColour(0x000000);
    Font().SetHeight(-11);
    Font().SetWeight(400);
    SetFrameColour(0x404040);
    SetFrameType(1);
    SetFrameWidth(2);
}

RC_ListBox::~RC_ListBox() {
    // The scroll bar is a child: the base destructor deletes it.
    scroll_ = nullptr;
}

void RC_ListBox::AddItem(const char* text) {
    const long at = RC_AddSortedItem(items_, text, selected_);
    if (at < 0) return;
    // The new row's mark is clear; the other marks move with their rows.
    marks_.insert(marks_.begin() + std::min<long>(at, static_cast<long>(marks_.size())), 0);
    UpdateScrollBar();
    Invalidate();
}

int RC_ListBox::SetItems(const RC_StringList& items) {
    for (std::size_t i = 0; i < items.Count(); ++i) AddItem(items.Item(i));
    return Count();
}

void RC_ListBox::SetRowHeight(int pixels) {
    if (pixels == rowHeight_ || pixels <= 0) return;
    rowHeight_ = pixels;
    UpdateScrollBar();
    Invalidate();
}

void RC_ListBox::SetHover(int row) {
    if (row == hovered_) return;
    hovered_ = row;
    Invalidate();
}

void RC_ListBox::SetMark(int row, std::uint8_t value) {
    if (row < 0 || row >= Count() || marks_[row] == value) return;
    marks_[row] = value;
    Invalidate();
}

gdi::Rect RC_ListBox::Rows() const {
    const int f = FrameWidth();
    gdi::Rect r{f, f, Width() - f, Height() - f};
    if (scroll_ != nullptr) r.right -= scrollWidth_;
    return r;
}

int RC_ListBox::RowsThatFit() const {
    const int f = FrameWidth();
    return std::max(0, Height() - 2 * f) / rowHeight_;
}

int RC_ListBox::ScrollPosition() const { return scroll_ != nullptr ? static_cast<int>(scroll_->Value()) : 0; }

void RC_ListBox::UpdateScrollBar() {
    const int fit = RowsThatFit();
    if (Count() <= fit) {
        if (scroll_ != nullptr) {
            delete scroll_;
            scroll_ = nullptr;
        }
        return;
    }
    const int f = FrameWidth();
    if (scroll_ == nullptr) {
        scroll_ = new RC_Slider(this, 0, 0, scrollWidth_, std::max(1, Height() - 2 * f), RC_Slider::kMinTop);
        scroll_->SetMinimum(0);
        scroll_->SetMaximum(Count() - fit);
        scroll_->SetSliderValue(std::max(selected_, 0));
        scroll_->SetPageStep(std::max(fit, 1));
        scroll_->onValueChange = {&RC_ListBox::Scrolled, this};
        scroll_->Show(plat::win::SW_SHOW);
    }
    scroll_->SetMaximum(Count() - fit);
    scroll_->Move(Width() - f - scrollWidth_, f, scrollWidth_, std::max(1, Height() - 2 * f), true);
}

void RC_ListBox::Scrolled(void* user, RC_Slider*, double) { static_cast<RC_ListBox*>(user)->Invalidate(); }

int RC_ListBox::Show(int command) {
    const int answer = RC_Window::Show(command);
    // An open drop-down holds the mouse so that a click anywhere else reaches it.
    if (IsDropDown() && command != plat::win::SW_HIDE) SetStateFlags(kCapture);
    return answer;
}

bool RC_ListBox::ForwardToScrollBar(int kind, std::uint32_t keys, int x, int y) {
    if (scroll_ == nullptr) return false;
    const bool held = (scroll_->State() & kCapture) != 0;
    if (!held && !gdi::Rect{scroll_->X(), scroll_->Y(), scroll_->X() + scroll_->Width(),
                            scroll_->Y() + scroll_->Height()}
                      .Contains({x, y}))
        return false;
    scroll_->MouseEvent(kind, keys, x - scroll_->X(), y - scroll_->Y());
    return true;
}

void RC_ListBox::MouseEvent(int kind, std::uint32_t keys, int x, int y) {
    if (IsDropDown()) {
        // Holding the mouse, the list sees the scroll bar's events too and passes them on.
        const bool forwarded = ForwardToScrollBar(kind, keys, x, y);
        if ((State() & kCapture) == 0 && (scroll_ == nullptr || (scroll_->State() & kCapture) == 0))
            SetStateFlags(kCapture);
        if (forwarded) return;
    }
    const gdi::Rect rows = Rows();
    const bool inside = rows.Contains({x, y});
    switch (kind) {
    case kMouseMove:
        if (inside) SetHover((y - rows.top) / rowHeight_ + ScrollPosition());
        else if (hovered_ != -1) SetHover(-1);
        break;
    case kLeftDown:
    case kLeftDouble:
        if (inside) {
            const int row = (y - rows.top) / rowHeight_ + ScrollPosition();
            SetHover(row);
            if (row < Count()) selected_ = row;
            Invalidate();
        } else if (IsDropDown() && !gdi::Rect{0, 0, Width(), Height()}.Contains({x, y})) {
            selected_ = -1;
            FireAction();
            return;
        }
        break;
    case kLeftUp:
        if ((Style() & kClickMarks) != 0 && selected_ >= 0 && selected_ < Count()) {
            SetMark(selected_, marks_[selected_] != 0 ? 0 : 1);
        }
        FireAction();
        return;
    default: break;
    }
    RC_Window::MouseEvent(kind, keys, x, y);
}

void RC_ListBox::PaintContent() {
    RC_Window::PaintContent();
    UpdateScrollBar();
    const gdi::Rect rows = Rows();
    SetBackgroundModeOfContext(1);
    SetTextColour(textColour_);
    int y = rows.top;
    for (int row = ScrollPosition(); row < Count() && y < rows.bottom; ++row, y += rowHeight_) {
        const gdi::Rect line{rows.left, y, rows.right, std::min(y + rowHeight_, rows.bottom)};
        if (row == hovered_ || row == selected_) FillRect(line, highlight_);
        else if (marks_[row] != 0) FillRect(line, markColour_);
        if (onDrawItem && onDrawItem.fn(onDrawItem.user, this, row, Item(row), line) != 0) continue;
        SetTextColour(textColour_);
        DrawTextAligned({line.left + 2, line.top, line.right - 2, line.bottom}, Item(row), 4);
    }
}
