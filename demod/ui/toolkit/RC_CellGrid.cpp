#include "demod/ui/toolkit/RC_CellGrid.h"

#include "platform/win/Win.h"

#include <algorithm>
#include <numeric>

namespace gdi = plat::gdi;
namespace win = plat::win;

RC_CellGrid::RC_CellGrid(RC_Window* parent, int x, int y, int width, int height, std::uint32_t columns,
                         std::uint32_t rows)
    : RC_Window(parent, x, y, width, height, 0) {
    SetBackgroundColour(0x000000);
    Font().SetHeight(-11);
    Font().SetWeight(400);
    SetFrameColour(0x404040);
    SetFrameType(1);
    SetFrameWidth(2);
    SetFlags(kRangeSelection, 0);
    SetColumnCount(columns);
    SetRowCount(rows);
}

// The scroll bars are children: the base destructor deletes them.
RC_CellGrid::~RC_CellGrid() = default;

void RC_CellGrid::OnFlagsChanged(std::uint32_t a, std::uint32_t b) {
    const std::uint32_t old = FlagsA();
    RC_Window::OnFlagsChanged(a, b);
    if (((old ^ a) & kGridStyleMask) != 0) Invalidate();
}

void RC_CellGrid::SetColumnWidth(std::uint32_t index, std::uint32_t width) {
    if (index >= columns_) return;
    width = std::max(width, 1u);
    if (widths_[index] == width) return;
    widths_[index] = width;
    Invalidate();
}

void RC_CellGrid::SetRowHeight(std::uint32_t index, std::uint32_t height) {
    if (index >= rows_) return;
    height = std::max(height, 1u);
    if (heights_[index] == height) return;
    heights_[index] = height;
    Invalidate();
}

void RC_CellGrid::SetColumnCount(std::uint32_t n) {
    if (n == columns_) return;
    widths_.resize(n, std::max(defaultColumnWidth, 1u));
    columns_ = n;
    Invalidate();
}

void RC_CellGrid::SetRowCount(std::uint32_t n) {
    if (n == rows_) return;
    heights_.resize(n, std::max(defaultRowHeight, 1u));
    rows_ = n;
    Invalidate();
}

void RC_CellGrid::SetFixedRowCount(std::uint32_t n) {
    if (n == fixedRows_) return;
    fixedRows_ = n;
    Invalidate();
}

RC_Colour RC_CellGrid::SetSelectionColour(RC_Colour colour) {
    if (colour != selectionColour_) {
        selectionColour_ = colour;
        Invalidate();
    }
    return colour;
}

void RC_CellGrid::SetSelection(const Selection& selection) {
    if (selection == selection_) return;
    Selection copy = selection;
    if (onSelection) onSelection.fn(onSelection.user, this, &copy);
    selection_ = copy;
    Invalidate();
}

void RC_CellGrid::Scrolled(void* user, RC_Slider*, double) {
    auto* self = static_cast<RC_CellGrid*>(user);
    self->scrollChanged_ = 1;
    self->Invalidate();
}

namespace {

// The index under `offset` pixels from the first cell along one axis; the scrolled-away entries
// follow the fixed ones. Past the last entry gives the count.
std::uint32_t Locate(int offset, const std::vector<std::uint32_t>& sizes, std::uint32_t count, std::uint32_t fixed,
                     int skipped) {
    std::uint32_t i = 0;
    int start = 0;
    while (i < count) {
        if (i == fixed) i += static_cast<std::uint32_t>(skipped);
        if (i >= count) break;
        if (offset - start < static_cast<int>(sizes[i])) break;
        start += static_cast<int>(sizes[i]);
        ++i;
    }
    return std::min(i, count);
}

} // namespace

void RC_CellGrid::HitCell(int x, int y, std::int32_t& column, std::int32_t& row) const {
    row = static_cast<std::int32_t>(Locate(y - cells_.top, heights_, rows_, fixedRows_, Skipped(vertical_)));
    column = static_cast<std::int32_t>(Locate(x - cells_.left, widths_, columns_, fixedColumns, Skipped(horizontal_)));
}

void RC_CellGrid::MouseEvent(int kind, std::uint32_t keys, int x, int y) {
    const bool inside = x >= cells_.left && x < cells_.right && y >= cells_.top && y < cells_.bottom;
    switch (kind) {
    case kLeftUp:
        ClearStateFlags(kCapture);
        if (onAction) onAction.fn(onAction.user, this);
        return;
    case kLeftDouble:
        ClearStateFlags(kCapture);
        if (onDoubleClick) onDoubleClick.fn(onDoubleClick.user, this);
        return;
    case kLeftDown:
        if (inside) {
            SetStateFlags(kCapture);
            std::int32_t c = 0, r = 0;
            HitCell(x, y, c, r);
            SetSelection({c, r, c, r});
        }
        break;
    case kMouseMove:
        if ((keys & win::MK_LBUTTON) != 0 && inside) {
            std::int32_t c = 0, r = 0;
            HitCell(x, y, c, r);
            if ((Style() & kRangeSelection) != 0) {
                // The selection's top-left corner is the anchor of the drag.
                const std::int32_t left = selection_.left, top = selection_.top;
                SetSelection({std::min(c, left), std::min(r, top), std::max(c, left), std::max(r, top)});
            } else {
                SetSelection({c, r, c, r});
            }
        }
        break;
    default:
        break;
    }
    RC_Window::MouseEvent(kind, keys, x, y);
}

void RC_CellGrid::PlaceBar(RC_Slider*& bar, bool vertical, bool needed, bool otherNeeded, const gdi::Rect& content) {
    if (!needed) {
        if (bar != nullptr) bar->Close();
        bar = nullptr;
        return;
    }
    const bool follow = endFollow != 0 && (bar == nullptr || bar->Value() == bar->Maximum());
    const int w = content.Width(), h = content.Height();
    gdi::Rect r = vertical ? gdi::Rect{content.right - kBarSize, content.top, content.right, content.top + (otherNeeded ? h - kBarSize : h)}
                           : gdi::Rect{content.left, content.bottom - kBarSize, content.left + (otherNeeded ? w - kBarSize : w), content.bottom};
    if (bar == nullptr) {
        bar = new RC_Slider(this, r.left, r.top, r.Width(), r.Height(), vertical ? RC_Slider::kMinTop : RC_Slider::kMinLeft);
        bar->SetTrackFrameWidth(0);
        bar->SetButtons(true);
        bar->SetSliderValue(0);
        bar->onValueChange = {&RC_CellGrid::Scrolled, this};
        bar->Show(win::SW_SHOW);
    } else {
        bar->Move(r.left, r.top, r.Width(), r.Height(), true);
    }
    const std::vector<std::uint32_t>& sizes = vertical ? heights_ : widths_;
    const std::uint32_t count = vertical ? rows_ : columns_;
    const std::uint32_t fixed = std::min(vertical ? fixedRows_ : fixedColumns, count);
    const int length = vertical ? r.Height() : r.Width();
    std::int64_t space = length;
    for (std::uint32_t i = 0; i < fixed; ++i) space -= sizes[i];
    std::uint32_t first = fixed;
    if (count > 0) {
        if (vertical) {
            first = count;
            while (first > fixed && static_cast<std::int64_t>(sizes[first - 1]) <= space) space -= sizes[--first];
            first = std::max(std::min(first, count - 1), fixed);
        } else {
            // Columns count down while space is left, so the last one may stay partly hidden.
            first = count - 1;
            while (first > fixed && space > 0) space -= sizes[first--];
            if (space < 0 && first + 1 < count) ++first;
            first = std::max(first, fixed);
        }
    }
    bar->SetEnabled(first != fixed);
    bar->SetMaximum(static_cast<double>(first - fixed));
    // The track lies between the two arrow buttons, each as long as the bar is thick.
    const int extent = std::max(length - 2 * kBarSize, 0);
    const std::uint32_t visible = count - first + fixed - 1;
    bar->SetThumbLength(count == 0 ? extent : static_cast<int>(static_cast<std::uint64_t>(extent) * visible / count));
    if (follow) bar->SetSliderValue(bar->Maximum());
}

void RC_CellGrid::LayoutBars(gdi::Rect& content) {
    const int w = content.Width(), h = content.Height();
    const std::int64_t totalH = std::accumulate(heights_.begin(), heights_.end(), std::int64_t{0});
    const std::int64_t totalW = std::accumulate(widths_.begin(), widths_.end(), std::int64_t{0});
    const std::uint32_t style = Style();
    const bool forceV = (style & kAlwaysVerticalBar) != 0, forceH = (style & kAlwaysHorizontalBar) != 0;
    if (totalH <= h && totalW <= w && !forceV && !forceH) {
        PlaceBar(vertical_, true, false, false, content);
        PlaceBar(horizontal_, false, false, false, content);
        return;
    }
    const std::uint32_t mode = scrollBarMode;
    const bool vNeeded = forceV || ((mode == 1 || mode == 3) && totalH > h) || (mode == 3 && totalH + kBarSize > h);
    const bool hNeeded = forceH || ((mode == 2 || mode == 3) && totalW > w) ||
                         ((mode == 2 || mode == 3) && vNeeded && totalW + kBarSize > w);
    PlaceBar(vertical_, true, vNeeded, hNeeded, content);
    PlaceBar(horizontal_, false, hNeeded, vNeeded, content);
}

void RC_CellGrid::PaintCell(int row, int column, gdi::Rect rect) {
    const gdi::Rect whole = rect;
    const bool header = static_cast<std::uint32_t>(row) < fixedRows_ || static_cast<std::uint32_t>(column) < fixedColumns;
    if (header) {
        DrawFrame(headerFrameType, headerFrameWidth, headerFrameColour, rect);
        FillRect(rect, headerFill);
    } else {
        Pen().SetColour(gridLineColour);
        MoveTo(whole.left, whole.top);
        LineTo(whole.right, whole.top);
        LineTo(whole.right, whole.bottom);
        LineTo(whole.left, whole.bottom);
        LineTo(whole.left, whole.top);
    }
    rect = {rect.left + 1, rect.top + 1, rect.right - 1, rect.bottom - 1};
    if (!header) {
        const bool rowIn = row >= selection_.top && row <= selection_.bottom;
        const bool columnIn = (Style() & kWholeRow) != 0 || (column >= selection_.left && column <= selection_.right);
        if (rowIn && columnIn) FillRect({whole.left + 1, whole.top + 1, whole.right, whole.bottom}, selectionColour_);
    }
    SetBackgroundModeOfContext(1);
    if (onCellPaint) onCellPaint.fn(onCellPaint.user, this, row, column, rect);
}

void RC_CellGrid::PaintContent() {
    RC_Window::PaintContent();
    const gdi::Rect inner = ContentRect();
    gdi::Rect content = inner;
    if (scrollChanged_ != 0) {
        scrollChanged_ = 0; // a scroll by the user: the bars stay as they are
    } else {
        LayoutBars(content);
    }
    if (horizontal_ != nullptr) content.bottom -= horizontal_->Height() + 1;
    if (vertical_ != nullptr) content.right -= vertical_->Width() + 1;
    cells_ = content;
    if ((Style() & kRangeSelection) == 0) {
        selection_.right = selection_.left;
        selection_.bottom = selection_.top;
    }
    // Cells crossing the edge are drawn whole but kept off the frame; the bars paint over the rest.
    gdi::DC* dc = Context();
    const int saved = dc->SaveDC();
    dc->IntersectClipRect(inner);
    std::uint32_t row = 0, lastColumn = 0;
    int y = content.top;
    while (row < rows_) {
        if (row == fixedRows_ && vertical_ != nullptr) row += static_cast<std::uint32_t>(Skipped(vertical_));
        if (row >= rows_ || y > content.bottom) break;
        const int bottom = y + static_cast<int>(heights_[row]);
        int x = content.left;
        std::uint32_t column = 0;
        while (column < columns_) {
            if (column == fixedColumns && horizontal_ != nullptr) column += static_cast<std::uint32_t>(Skipped(horizontal_));
            if (column >= columns_ || x > content.right) break;
            const int right = x + static_cast<int>(widths_[column]);
            PaintCell(static_cast<int>(row), static_cast<int>(column), {x, y, right, bottom});
            x = right;
            ++column;
        }
        lastColumn = column;
        y = bottom;
        ++row;
    }
    dc->RestoreDC(saved);
    if (horizontal_ != nullptr) horizontal_->SetPageStep(static_cast<double>(lastColumn) - Skipped(horizontal_) - 1);
    if (vertical_ != nullptr) vertical_->SetPageStep(static_cast<double>(row) - Skipped(vertical_) - 1);
}
