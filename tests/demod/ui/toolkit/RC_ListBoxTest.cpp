#include "tests/demod/ui/toolkit/ToolkitTestKit.h"

#include "demod/ui/toolkit/RC_ListBox.h"
#include "demod/ui/toolkit/RC_Slider.h"

#include <string>
#include <vector>

namespace {

using namespace toolkit_test;

// Lists 100 wide with a frame of 2: rows start at y 2; 49 high holds three rows of 15.
class RC_ListBoxTest : public ToolkitTest {
protected:
    RC_ListBox* Make(std::initializer_list<const char*> items, int height = 49) {
        auto* list = new RC_ListBox(top_, 10, 10, 100, height);
        for (const char* item : items) list->AddItem(item);
        list->onAction = {&Selected, &reports_};
        list->Show(win::SW_SHOW);
        return list;
    }
    static void Selected(void* user, RC_Window* w) {
        static_cast<std::vector<int>*>(user)->push_back(static_cast<RC_ListBox*>(w)->Selected());
    }
    static int RowY(int row) { return 2 + 15 * row + 7; }
    std::vector<int> reports_;
};

TEST_F(RC_ListBoxTest, SortedAddingKeepsTheSelectedTextAndTheMarksWithTheirRows) {
    RC_ListBox* list = Make({"B", "D"});
    list->SetSelected(1);
    list->SetMark(0, 1);
    list->AddItem("C");
    list->AddItem("A");
    std::vector<std::string> items;
    for (int i = 0; i < list->Count(); ++i) items.emplace_back(list->Item(i));
    EXPECT_EQ(items, (std::vector<std::string>{"A", "B", "C", "D"}));
    EXPECT_EQ(list->Selected(), 3) << "still D";
    EXPECT_EQ(list->Mark(1), 1) << "still B";
    EXPECT_EQ(list->Mark(0) + list->Mark(2) + list->Mark(3), 0);
    list->SetMark(7, 1);
    list->SetMark(-1, 1);
    EXPECT_EQ(list->Mark(3), 0) << "rows outside the items are ignored";
}

TEST_F(RC_ListBoxTest, ScrollBarAppearsWhenTheRowsDoNotFit) {
    RC_ListBox* list = Make({"a", "b", "c"});
    EXPECT_EQ(list->ScrollBar(), nullptr);
    list->AddItem("d");
    list->AddItem("e");
    ASSERT_NE(list->ScrollBar(), nullptr);
    EXPECT_DOUBLE_EQ(list->ScrollBar()->Maximum(), 2.0) << "five items, three fit";
    EXPECT_EQ(list->ScrollBar()->X(), 100 - 2 - 14);
    // Scrolled by two, the first row shown is the third item.
    list->ScrollBar()->SetSliderValue(2);
    Mouse(list, win::WM_MOUSEMOVE, 20, RowY(0));
    EXPECT_EQ(list->Hovered(), 2);
    // Tall enough for all rows: the bar goes at the next paint.
    list->Move(10, 10, 100, 79, true);
    Render(list);
    EXPECT_EQ(list->ScrollBar(), nullptr);
}

TEST_F(RC_ListBoxTest, MouseHoversSelectsAndReports) {
    RC_ListBox* list = Make({"a", "b"});
    Mouse(list, win::WM_MOUSEMOVE, 20, RowY(1));
    EXPECT_EQ(list->Hovered(), 1);
    Mouse(list, win::WM_MOUSEMOVE, 20, RowY(2));
    EXPECT_EQ(list->Hovered(), 2) << "hovering below the items";
    Click(list, 20, RowY(2));
    EXPECT_EQ(list->Selected(), -1) << "an empty row selects nothing";
    Click(list, 20, RowY(1));
    EXPECT_EQ(list->Selected(), 1);
    EXPECT_EQ(reports_, (std::vector<int>{-1, 1})) << "each release reports";
    EXPECT_EQ(list->Mark(1), 0) << "marks only with the click-marks style";
    list->SetStyle(list->Style() | RC_ListBox::kClickMarks);
    Click(list, 20, RowY(1));
    EXPECT_EQ(list->Mark(1), 1);
    Click(list, 20, RowY(1));
    EXPECT_EQ(list->Mark(1), 0);
}

TEST_F(RC_ListBoxTest, RowsAreHighlightedAndMarked) {
    RC_ListBox* list = Make({"a", "b", "c"});
    list->SetSelected(0);
    list->SetMark(2, 1);
    const auto image = Render(list);
    EXPECT_EQ(image->GetPixel(90, RowY(0)), 0x808080u) << "selected";
    EXPECT_EQ(image->GetPixel(90, RowY(1)), 0x000000u);
    EXPECT_EQ(image->GetPixel(90, RowY(2)), 0x800000u) << "marked";
}

} // namespace
