#include "tests/demod/ui/toolkit/ToolkitTestKit.h"

#include "demod/ui/toolkit/RC_GroupFrame.h"
#include "demod/ui/toolkit/RC_TabControl.h"

namespace {

using namespace toolkit_test;

class RC_TabControlTest : public ToolkitTest {
protected:
    RC_TabControl* MakeTabs(int pages) {
        auto* tabs = new RC_TabControl(top_, 0, 0, 180, 120);
        tabs->Show(win::SW_SHOW);
        tabs->SetPageCount(pages);
        const char* names[] = {"One", "Two", "Three", "Four"};
        for (int i = 0; i < pages; ++i) tabs->Page(i)->SetCaption(names[i]);
        tabs->onChange = {&Changed, &changes_};
        tabs->LayoutTabs();
        return tabs;
    }
    static void Changed(void* user, RC_Window*) { ++*static_cast<int*>(user); }
    // A point inside tab k, below the bevel lines.
    static void OverTab(RC_TabControl* tabs, std::uint32_t msg, int k) {
        const plat::gdi::Rect& r = tabs->TabRect(k);
        Mouse(tabs, msg, (r.left + r.right) / 2, r.top + 5, msg == win::WM_LBUTTONDOWN ? win::MK_LBUTTON : 0);
    }
    static int ShownPage(RC_TabControl* tabs) {
        int shown = -1, count = 0;
        for (int i = 0; i < tabs->PageCount(); ++i) {
            if ((tabs->Page(i)->State() & RC_Window::kShown) != 0) shown = i, ++count;
        }
        return count == 1 ? shown : -2;
    }
    int changes_ = 0;
};

TEST_F(RC_TabControlTest, SelectionIsClampedAndShowsExactlyOnePage) {
    RC_TabControl* tabs = MakeTabs(3);
    EXPECT_EQ(tabs->Selected(), 0) << "the first page once pages exist";
    const struct {
        int asked, selected;
    } cases[] = {{1, 1}, {-5, 0}, {2, 2}, {99, 2}};
    for (const auto& c : cases) {
        tabs->SetPage(c.asked);
        EXPECT_EQ(tabs->Selected(), c.selected) << c.asked;
        EXPECT_EQ(ShownPage(tabs), c.selected) << c.asked;
    }
    tabs->SetPageCount(1);
    EXPECT_EQ(tabs->Selected(), 0) << "the selection follows the pages that remain";
    EXPECT_EQ(ShownPage(tabs), 0);
    tabs->SetPageCount(0);
    EXPECT_EQ(tabs->Selected(), -1);
    EXPECT_EQ(changes_, 0) << "program changes are not reported";
}

TEST_F(RC_TabControlTest, NewPagesTakeTheSelectedPagesSizeAndFollowTheControl) {
    RC_TabControl* tabs = MakeTabs(0);
    tabs->SetPageCount(1);
    EXPECT_EQ(tabs->Page(0)->Width(), 10);
    tabs->Page(0)->Move(0, 20, 180, 100, true);
    tabs->SetPageCount(2);
    EXPECT_EQ(tabs->Page(1)->Y(), 20);
    EXPECT_EQ(tabs->Page(1)->Width(), 180);
    EXPECT_EQ(tabs->Page(1)->Height(), 100);
    tabs->Move(0, 0, 200, 130, true);
    EXPECT_EQ(tabs->Page(1)->Width(), 200) << "pages are anchored to the control's size";
    EXPECT_EQ(tabs->Page(1)->Height(), 110);
}

TEST_F(RC_TabControlTest, HoverAndPressSelectOtherEnabledTabs) {
    RC_TabControl* tabs = MakeTabs(3);
    OverTab(tabs, win::WM_MOUSEMOVE, 1);
    EXPECT_EQ(tabs->Hovered(), 1);
    OverTab(tabs, win::WM_MOUSEMOVE, 0);
    EXPECT_EQ(tabs->Hovered(), -1) << "the selected tab is never hovered";
    Mouse(tabs, win::WM_MOUSEMOVE, 100, 80);
    EXPECT_EQ(tabs->Hovered(), -1) << "over the page";
    OverTab(tabs, win::WM_MOUSEMOVE, 2);
    OverTab(tabs, win::WM_LBUTTONDOWN, 2);
    EXPECT_EQ(tabs->Selected(), 2);
    EXPECT_EQ(changes_, 1);
    EXPECT_EQ(ShownPage(tabs), 2);
    OverTab(tabs, win::WM_MOUSEMOVE, 2);
    OverTab(tabs, win::WM_LBUTTONDOWN, 2);
    EXPECT_EQ(changes_, 1) << "pressing the selected tab changes nothing";

    tabs->Page(1)->SetEnabled(false);
    OverTab(tabs, win::WM_MOUSEMOVE, 1);
    EXPECT_EQ(tabs->Hovered(), -1) << "a disabled page's tab is not offered";
    // Above the bevel lines of the row, a tab is not hit.
    const plat::gdi::Rect& r = tabs->TabRect(0);
    Mouse(tabs, win::WM_MOUSEMOVE, (r.left + r.right) / 2, r.top + 1);
    EXPECT_EQ(tabs->Hovered(), -1);

    tabs->SetStyle(tabs->Style() | RC_TabControl::kTabsHidden);
    OverTab(tabs, win::WM_MOUSEMOVE, 0);
    OverTab(tabs, win::WM_LBUTTONDOWN, 0);
    EXPECT_EQ(tabs->Selected(), 2) << "hidden tabs ignore the mouse";
}

TEST_F(RC_TabControlTest, TabsAreLaidOutInARowOrAColumn) {
    RC_TabControl* tabs = MakeTabs(3);
    // Row: each tab starts two thirds of the tab height after the previous one's end.
    EXPECT_EQ(tabs->TabRect(0).left, 13);
    EXPECT_EQ(tabs->TabRect(1).left, tabs->TabRect(0).right + 13);
    EXPECT_EQ(tabs->TabRect(2).Height(), 20);
    tabs->SetLayout(RC_TabControl::kColumn);
    tabs->LayoutTabs();
    // Column: stacked with the bevel lines between, all as wide as the widest label.
    EXPECT_EQ(tabs->TabRect(0).top, 2);
    EXPECT_EQ(tabs->TabRect(1).top, tabs->TabRect(0).bottom + 2);
    EXPECT_EQ(tabs->TabRect(0).Width(), tabs->TabRect(2).Width());
    EXPECT_EQ(tabs->TabRect(1).left, tabs->TabRect(0).left);
}

TEST_F(RC_TabControlTest, PageAreaHasABevelledOutline) {
    RC_TabControl* tabs = MakeTabs(2);
    const auto image = Render(tabs);
    // Two bevel lines: lit by 7/4 then 5/4 on the top, shaded by 1/4 then 3/4 at the bottom.
    EXPECT_EQ(image->GetPixel(170, 20), RC_ScaleColour(0x606060, 7, 4));
    EXPECT_EQ(image->GetPixel(170, 21), RC_ScaleColour(0x606060, 5, 4));
    EXPECT_EQ(image->GetPixel(170, 119), RC_ScaleColour(0x606060, 1, 4));
    EXPECT_EQ(image->GetPixel(170, 118), RC_ScaleColour(0x606060, 3, 4));
    EXPECT_EQ(image->GetPixel(170, 5), 0x404040u) << "background beside the tabs";
    const plat::gdi::Rect& sel = tabs->TabRect(0);
    EXPECT_EQ(image->GetPixel(sel.left - 5, 20), 0x404040u) << "the selected tab opens into its page";
}

TEST_F(RC_TabControlTest, GroupFrameKindsDrawTheirFrames) {
    const struct {
        int kind;
        int x;
        RC_Colour colour;
    } cases[] = {
        {RC_GroupFrame::kPlainFrame, 0, RC_ScaleColour(0x606060, 3, 2)},  // raised: lit left
        {RC_GroupFrame::kPlainFrame, 99, RC_ScaleColour(0x606060, 1, 2)}, // shaded right
        {RC_GroupFrame::kRounded, 0, 0x606060u},                          // the frame itself
        {RC_GroupFrame::kRounded, 99, 0x202020u},                         // its shadow, a third
        {2, 0, 0x404040u},                                                // no frame
    };
    for (const auto& c : cases) {
        auto* group = new RC_GroupFrame(top_, 10, 10, 100, 60, "Sound card");
        group->Show(win::SW_SHOW);
        group->SetKind(c.kind);
        EXPECT_EQ(Render(group)->GetPixel(c.x, 30), c.colour) << "kind " << c.kind << " x " << c.x;
        group->Close();
    }
}

TEST_F(RC_TabControlTest, GroupCaptionSitsCentredOnTheTopAndGreysWhenDisabled) {
    auto* group = new RC_GroupFrame(top_, 10, 10, 100, 60, "Sound card");
    group->Show(win::SW_SHOW);
    EXPECT_EQ(group->InnerRect().left, 5) << "corner 10 x 0.4 + frame 1";
    // Text is anti-aliased: its fully covered pixels carry the text colour exactly.
    auto count = [&](RC_Colour colour) {
        const auto image = Render(group);
        int n = 0, left = 100, right = 0;
        for (int y = 1; y < 14; ++y) {
            for (int x = 1; x < 99; ++x) {
                const RC_Colour pixel = image->GetPixel(x, y);
                if (pixel == 0x404040u) continue;
                left = std::min(left, x), right = std::max(right, x);
                n += pixel == colour;
            }
        }
        EXPECT_LT(std::abs((left + right) / 2 - 50), 3) << "centred";
        return n;
    };
    EXPECT_GT(count(0xFFFF00), 0);
    group->SetEnabled(false);
    EXPECT_GT(count(RC_BlendColour(0xFFFF00, 0x404040, 2, 1)), 0);
}

} // namespace
