#pragma once
// A table of cells with rows and columns of their own pixel sizes, leading header rows and
// columns that stay while the rest scrolls, a selection rectangle set with the mouse, and scroll
// bars that the grid makes, places and sizes itself at each paint. The grid draws only cell
// backgrounds, grid lines, header bevels and the selection; the owner draws each cell's content
// through the cell-paint callback and learns of clicks through the action and double-click
// callbacks. Everything runs on the user-interface thread of its top window.

#include "demod/ui/toolkit/RC_Slider.h"
#include "demod/ui/toolkit/RC_Window.h"

#include <cstdint>
#include <vector>

class RC_CellGrid : public RC_Window {
public:
    // Style bits (flag word A); the mask 0x1F800 belongs to the grid.
    static constexpr std::uint32_t kWholeRow = 0x800;
    static constexpr std::uint32_t kRangeSelection = 0x1000;
    static constexpr std::uint32_t kAlwaysHorizontalBar = 0x8000;
    static constexpr std::uint32_t kAlwaysVerticalBar = 0x10000;
    static constexpr std::uint32_t kGridStyleMask = 0x1F800;
    static constexpr int kBarSize = 16;

    struct Selection {
        std::int32_t left, top, right, bottom; // columns left..right, rows top..bottom
        bool operator==(const Selection&) const = default;
    };
    static_assert(sizeof(Selection) == 16);

    using CellPaintFn = void (*)(void* user, RC_CellGrid* grid, int row, int column, const plat::gdi::Rect& rect);
    using SelectionFn = void (*)(void* user, RC_CellGrid* grid, Selection* selection);

    RC_CellGrid(RC_Window* parent, int x, int y, int width, int height, std::uint32_t columns, std::uint32_t rows);
    ~RC_CellGrid() override;

    void PaintContent() override;
    void MouseEvent(int kind, std::uint32_t keys, int x, int y) override;

    void SetColumnWidth(std::uint32_t index, std::uint32_t width);
    void SetRowHeight(std::uint32_t index, std::uint32_t height);
    void SetColumnCount(std::uint32_t n);
    void SetRowCount(std::uint32_t n);
    void SetFixedRowCount(std::uint32_t n);
    RC_Colour SetSelectionColour(RC_Colour colour);
    void SetSelection(const Selection& selection);

    // Plain fields the owners set directly.
    std::uint32_t endFollow = 0;
    std::uint32_t defaultColumnWidth = 50;
    std::uint32_t defaultRowHeight = 20;
    RC_Colour headerFill = 0x606060;
    std::uint32_t fixedColumns = 0;
    RC_Colour headerFrameColour = 0x606060;
    std::int32_t headerFrameType = 2;
    std::int32_t headerFrameWidth = 2;
    RC_Colour gridLineColour = 0x808080;
    std::uint32_t scrollBarMode = 3; // 0 none, 1 vertical, 2 horizontal, 3 both, when needed
    RC_Callback<CellPaintFn> onCellPaint;
    RC_Callback<SelectionFn> onSelection;

    std::uint32_t ColumnCount() const { return columns_; }
    std::uint32_t RowCount() const { return rows_; }
    std::uint32_t FixedRowCount() const { return fixedRows_; }
    std::uint32_t ColumnWidth(std::uint32_t i) const { return widths_[i]; }
    std::uint32_t RowHeight(std::uint32_t i) const { return heights_[i]; }
    RC_Colour SelectionColour() const { return selectionColour_; }
    const Selection& CurrentSelection() const { return selection_; }
    RC_Slider* HorizontalBar() const { return horizontal_; }
    RC_Slider* VerticalBar() const { return vertical_; }
    // The cells' area of the last paint: inside the frame, less the scroll bars.
    const plat::gdi::Rect& CellArea() const { return cells_; }
    // The cell under a point of the grid (column, row); one past the last for empty space.
    void HitCell(int x, int y, std::int32_t& column, std::int32_t& row) const;

protected:
    void OnFlagsChanged(std::uint32_t a, std::uint32_t b) override;

private:
    static void Scrolled(void* user, RC_Slider* slider, double value);
    void LayoutBars(plat::gdi::Rect& content);
    void PlaceBar(RC_Slider*& bar, bool vertical, bool needed, bool otherNeeded, const plat::gdi::Rect& content);
    void PaintCell(int row, int column, plat::gdi::Rect rect);
    static int Skipped(const RC_Slider* bar) { return bar != nullptr ? static_cast<int>(bar->Value()) : 0; }

    std::vector<std::uint32_t> widths_;
    std::vector<std::uint32_t> heights_;
    std::uint32_t fixedRows_ = 0;
    std::uint32_t scrollChanged_ = 0;
    std::uint32_t columns_ = 0;
    std::uint32_t rows_ = 0;
    RC_Colour selectionColour_ = 0x800000;
    Selection selection_{0, 0, 0, 0};
    RC_Slider* horizontal_ = nullptr;
    RC_Slider* vertical_ = nullptr;
    plat::gdi::Rect cells_{};
};
