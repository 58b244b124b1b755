#include "demod/ui/toolkit/RC_CellGrid.h"
#include "tests/demod/ui/toolkit/ToolkitTestKit.h"

#include <vector>

namespace {

using namespace toolkit_test;
using Sel = RC_CellGrid::Selection;

constexpr int kColumnWidth = 20;
constexpr int kRowHeight = 12;

class CellGridTest : public ToolkitTest {
protected:
    void SetUp() override {
        top_ = MakeTop(300, 260);
        grid_ = MakeGrid(10, 12);
    }
    RC_CellGrid* MakeGrid(std::uint32_t columns, std::uint32_t rows, int w = 250, int h = 200) {
        auto* grid = new RC_CellGrid(top_, 5, 5, w, h, 0, 0);
        grid->defaultColumnWidth = kColumnWidth;
        grid->defaultRowHeight = kRowHeight;
        grid->SetColumnCount(columns);
        grid->SetRowCount(rows);
        grid->Show(win::SW_SHOW);
        Render(grid);
        return grid;
    }
    win::Point Cell(int column, int row) const {
        const auto& a = grid_->CellArea();
        return {a.left + column * kColumnWidth + kColumnWidth / 2, a.top + row * kRowHeight + kRowHeight / 2};
    }
    void Press(int column, int row) {
        const auto p = Cell(column, row);
        Mouse(grid_, win::WM_LBUTTONDOWN, p.x, p.y, win::MK_LBUTTON);
    }
    void DragTo(int column, int row) {
        const auto p = Cell(column, row);
        Mouse(grid_, win::WM_MOUSEMOVE, p.x, p.y, win::MK_LBUTTON);
    }
    void Release(int column, int row) {
        const auto p = Cell(column, row);
        Mouse(grid_, win::WM_LBUTTONUP, p.x, p.y);
    }

    RC_CellGrid* grid_ = nullptr;
};

TEST_F(CellGridTest, RangeDragAnchorsAtTheSelectionsTopLeftCorner) {
    Press(5, 5);
    EXPECT_EQ(grid_->CurrentSelection(), (Sel{5, 5, 5, 5}));
    const struct {
        int column, row;
        Sel expected;
    } steps[] = {
        {7, 8, {5, 5, 7, 8}},
        {3, 3, {3, 3, 5, 5}},
        {4, 4, {3, 3, 4, 4}},
    };
    for (const auto& s : steps) {
        DragTo(s.column, s.row);
        EXPECT_EQ(grid_->CurrentSelection(), s.expected) << s.column << "," << s.row;
    }
    Release(4, 4);
}

TEST_F(CellGridTest, WithoutRangeSelectionTheSelectionIsOneCell) {
    grid_->ClearFlags(RC_CellGrid::kRangeSelection, 0);
    Press(2, 2);
    DragTo(4, 6);
    EXPECT_EQ(grid_->CurrentSelection(), (Sel{4, 6, 4, 6}));
    Release(4, 6);
    grid_->SetSelection({1, 1, 3, 3});
    Render(grid_);
    EXPECT_EQ(grid_->CurrentSelection(), (Sel{1, 1, 1, 1}));
}

TEST_F(CellGridTest, APressBelowTheLastRowSelectsOnePastItAndHighlightsNothing) {
    const auto& a = grid_->CellArea();
    Mouse(grid_, win::WM_LBUTTONDOWN, a.left + 5, a.top + 12 * kRowHeight + 20, win::MK_LBUTTON);
    Mouse(grid_, win::WM_LBUTTONUP, a.left + 5, a.top + 12 * kRowHeight + 20);
    EXPECT_EQ(grid_->CurrentSelection(), (Sel{0, 12, 0, 12}));
    Mouse(grid_, win::WM_LBUTTONDOWN, a.left + 10 * kColumnWidth + 5, a.top + 3, win::MK_LBUTTON);
    EXPECT_EQ(grid_->CurrentSelection(), (Sel{10, 0, 10, 0}));
    auto image = Render(grid_);
    for (int r = 0; r < 12; ++r) {
        for (int c = 0; c < 10; ++c) {
            const auto p = Cell(c, r);
            ASSERT_NE(image->GetPixel(p.x, p.y), grid_->SelectionColour()) << c << "," << r;
        }
    }
}

TEST_F(CellGridTest, PaintShowsGridLinesAndTheHighlight) {
    grid_->SetSelection({2, 3, 2, 3});
    auto image = Render(grid_);
    const auto& a = grid_->CellArea();
    const auto inside = Cell(2, 3);
    EXPECT_EQ(image->GetPixel(inside.x, inside.y), grid_->SelectionColour());
    EXPECT_EQ(image->GetPixel(a.left + 2 * kColumnWidth, inside.y), grid_->gridLineColour);
    const auto other = Cell(3, 3);
    EXPECT_EQ(image->GetPixel(other.x, other.y), 0u);
    grid_->SetFlags(RC_CellGrid::kWholeRow, 0);
    image = Render(grid_);
    EXPECT_EQ(image->GetPixel(other.x, other.y), grid_->SelectionColour()) << "whole-row highlight";
}

TEST_F(CellGridTest, SelectionCallbackMayRewriteTheSelection) {
    std::vector<Sel> seen;
    grid_->onSelection = {[](void* user, RC_CellGrid*, Sel* s) {
                              static_cast<std::vector<Sel>*>(user)->push_back(*s);
                              s->left = 0;
                          },
                          &seen};
    grid_->SetSelection({3, 4, 5, 6});
    EXPECT_EQ(grid_->CurrentSelection(), (Sel{0, 4, 5, 6}));
    grid_->SetSelection({0, 4, 5, 6}); // equal: no call
    EXPECT_EQ(seen.size(), 1u);
}

TEST_F(CellGridTest, ClicksReachTheOwnersCallbacks) {
    int actions = 0, doubles = 0;
    grid_->onAction = {[](void* u, RC_Window*) { ++*static_cast<int*>(u); }, &actions};
    grid_->onDoubleClick = {[](void* u, RC_Window*) { ++*static_cast<int*>(u); }, &doubles};
    Press(1, 1);
    Release(1, 1);
    const auto p = Cell(6, 6);
    Mouse(grid_, win::WM_LBUTTONDBLCLK, p.x, p.y, win::MK_LBUTTON);
    Mouse(grid_, win::WM_LBUTTONUP, p.x, p.y);
    EXPECT_EQ(grid_->CurrentSelection(), (Sel{1, 1, 1, 1})) << "a double click leaves the selection";
    EXPECT_EQ(doubles, 1);
    Press(2, 2);
    Mouse(grid_, win::WM_MOUSEMOVE, 400, 400, win::MK_LBUTTON);
    Mouse(grid_, win::WM_LBUTTONUP, 400, 400); // released outside, under the capture
    EXPECT_EQ(actions, 3);
}

TEST_F(CellGridTest, SizeSettersIgnoreBadIndexesAndZeroSizes) {
    grid_->SetColumnWidth(3, 0);
    EXPECT_EQ(grid_->ColumnWidth(3), 1u);
    grid_->SetColumnWidth(10, 5); // at the count: ignored
    grid_->SetRowHeight(2, 0);
    EXPECT_EQ(grid_->RowHeight(2), 1u);
    grid_->SetColumnCount(12);
    EXPECT_EQ(grid_->ColumnWidth(11), static_cast<std::uint32_t>(kColumnWidth));
    EXPECT_EQ(grid_->ColumnWidth(3), 1u);
    grid_->SetColumnCount(2);
    EXPECT_EQ(grid_->ColumnCount(), 2u);
}

TEST_F(CellGridTest, ScrollBarsAppearWhenNeeded) {
    // Content 246 x 196. Rows of 190 pixels fit, but leave no room for a horizontal bar.
    grid_->SetRowCount(1);
    grid_->SetRowHeight(0, 190);
    struct Case {
        std::uint32_t columns, mode;
        bool vertical, horizontal;
    };
    const Case cases[] = {
        {10, 3, false, false}, // everything fits: no bars at all
        {30, 3, true, true},   // the horizontal bar takes 16 pixels the rows need
        {30, 2, false, true},
        {30, 1, false, false}, // rows fit and mode 1 never brings a horizontal bar
        {30, 0, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.columns << " columns, mode " << c.mode);
        grid_->SetColumnCount(c.columns);
        grid_->scrollBarMode = c.mode;
        Render(grid_);
        EXPECT_EQ(grid_->VerticalBar() != nullptr, c.vertical);
        EXPECT_EQ(grid_->HorizontalBar() != nullptr, c.horizontal);
    }
    grid_->SetFlags(RC_CellGrid::kAlwaysVerticalBar, 0);
    grid_->SetColumnCount(10);
    Render(grid_);
    ASSERT_NE(grid_->VerticalBar(), nullptr);
    EXPECT_FALSE(grid_->VerticalBar()->IsEnabled()) << "nothing to scroll";
    grid_->ClearFlags(RC_CellGrid::kAlwaysVerticalBar, 0);
    grid_->SetColumnCount(30);
    grid_->scrollBarMode = 3;
    Render(grid_);
    ASSERT_NE(grid_->HorizontalBar(), nullptr);
    EXPECT_TRUE(grid_->HorizontalBar()->IsEnabled());
    EXPECT_GT(grid_->HorizontalBar()->Maximum(), 0.0);
}

TEST_F(CellGridTest, EndFollowKeepsTheBarAtItsMaximum) {
    grid_->endFollow = 1;
    grid_->SetRowCount(40);
    Render(grid_);
    RC_Slider* bar = grid_->VerticalBar();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->Value(), bar->Maximum());
    const double before = bar->Maximum();
    grid_->SetRowCount(41);
    Render(grid_);
    EXPECT_EQ(bar->Maximum(), before + 1);
    EXPECT_EQ(bar->Value(), bar->Maximum());
    bar->SetSliderValue(3);
    grid_->SetRowCount(42);
    Render(grid_);
    EXPECT_EQ(bar->Value(), 3.0);
}

TEST_F(CellGridTest, ScrolledRowsAreSkippedAfterTheFixedOnes) {
    grid_->SetRowCount(40);
    grid_->SetFixedRowCount(1);
    Render(grid_);
    ASSERT_NE(grid_->VerticalBar(), nullptr);
    grid_->VerticalBar()->SetSliderValue(5);
    Render(grid_);
    std::int32_t column = 0, row = 0;
    const auto p = Cell(0, 0);
    grid_->HitCell(p.x, p.y, column, row);
    EXPECT_EQ(row, 0) << "the header row stays";
    const auto q = Cell(0, 1);
    grid_->HitCell(q.x, q.y, column, row);
    EXPECT_EQ(row, 6);
}

} // namespace
