#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "app/controls/ColorShadow.h"
#include "app/controls/TstTabSet.h"
#include "platform/components/TPanel.h"
#include "tests/app/controls/ControlTestSupport.h"

namespace lxq {
namespace {

using namespace plat::comp;
namespace win = plat::win;

constexpr TColor kParent = 0x202020;
constexpr TColor kBody = 0x606060;

class TabSetTest : public testing::Test {
protected:
    TabSetTest() {
        parent_.SetColor(kParent);
        tabs_ = new TstTabSet(nullptr);
        tabs_->SetParent(&parent_);
        tabs_->SetColor(kBody);
        tabs_->OnChange = [this](TObject*) { ++changes_; };
    }
    void Click(int x, int y) {
        test::Mouse(*tabs_, win::WM_LBUTTONDOWN, x, y, win::MK_LBUTTON);
        test::Mouse(*tabs_, win::WM_LBUTTONUP, x, y);
    }
    std::pair<int, int> Range() const { return {tabs_->FirstVisible(), tabs_->LastVisible()}; }
    TColor Light(int q) const { return GetColorShadow(kBody, 50, 6, 6 - q); }

    TWinControl parent_{nullptr};
    TstTabSet* tabs_;
    int changes_ = 0;
};

TEST_F(TabSetTest, ANewTabSetDrawsOnlyTheBody) {
    EXPECT_EQ(tabs_->Width(), 400);
    EXPECT_EQ(tabs_->Height(), 300);
    EXPECT_EQ(tabs_->TabCount(), 0);
    EXPECT_EQ(tabs_->CurrentIndex(), -1);
    EXPECT_EQ(Range(), std::make_pair(-1, -1));
    const auto bmp = test::Render(*tabs_);
    EXPECT_EQ(test::PixelAt(*bmp, 200, 30), kParent) << "the empty tab row shows the parent";
    for (int q = 0; q < 6; ++q) {
        EXPECT_EQ(test::PixelAt(*bmp, 200, 60 + q), Light(q)) << q;
        EXPECT_EQ(test::PixelAt(*bmp, q, 150), Light(q)) << q;
        EXPECT_EQ(test::PixelAt(*bmp, 399 - q, 150), GetColorShadow(kBody, 50, -6, 6 - q)) << q;
    }
    EXPECT_EQ(test::PixelAt(*bmp, 200, 150), kBody);
}

TEST_F(TabSetTest, ChildrenSitInsideTheBodysBevel) {
    auto* child = new TPanel(nullptr);
    child->SetParent(tabs_);
    child->SetAlign(TAlign::alClient);
    EXPECT_EQ(child->BoundsRect(), (TRect{6, 66, 394, 294}));
}

TEST_F(TabSetTest, TheRowScrollsWhenTabsDoNotFit) {
    tabs_->SetTabCount(5);
    EXPECT_EQ(tabs_->VisibleTabs(), 3) << "368 / 120";
    EXPECT_EQ(Range(), std::make_pair(0, 2));
    EXPECT_EQ(changes_, 0);
    const auto bmp = test::Render(*tabs_);
    // Each button's arrow starts k + 2 = 5 pixels in; back is disabled at first.
    const TRect back = tabs_->GetButtonRect(0), forward = tabs_->GetButtonRect(1);
    EXPECT_EQ(back, (TRect{368, 0, 384, 16}));
    EXPECT_EQ(test::PixelAt(*bmp, back.left + 5 + 5, back.top + 5), 0x808080);
    EXPECT_EQ(test::PixelAt(*bmp, forward.left + 5, forward.top + 5), clLime);
    EXPECT_EQ(tabs_->ButtonAtPos(370, 5), -1) << "a button that cannot scroll";
    EXPECT_EQ(tabs_->ButtonAtPos(390, 5), 1);
    Click(390, 5);
    EXPECT_EQ(Range(), std::make_pair(1, 3));
    Click(390, 5);
    Click(390, 5);
    EXPECT_EQ(Range(), std::make_pair(2, 4)) << "stops at the last tab";
    Click(370, 5);
    EXPECT_EQ(Range(), std::make_pair(1, 3));
    EXPECT_EQ(changes_, 0) << "scrolling changes no selection";
}

TEST_F(TabSetTest, SelectingOutOfViewScrollsToIt) {
    tabs_->SetTabCount(5);
    tabs_->SetCurrentIndex(4);
    EXPECT_EQ(Range(), std::make_pair(2, 4));
    EXPECT_EQ(changes_, 1);
    tabs_->SetCurrentIndex(4);
    EXPECT_EQ(changes_, 1) << "unchanged: nothing";
    tabs_->SetCurrentIndex(0);
    EXPECT_EQ(Range(), std::make_pair(0, 2));
    tabs_->SetCurrentIndex(7);
    EXPECT_EQ(tabs_->CurrentIndex(), -1);
    EXPECT_EQ(Range(), std::make_pair(0, 2)) << "no tab leaves the range alone";
    EXPECT_EQ(changes_, 3);
}

TEST_F(TabSetTest, FewerTabsDropTheCurrentOne) {
    tabs_->SetTabCount(5);
    tabs_->SetCurrentIndex(4);
    changes_ = 0;
    tabs_->SetTabCount(3);
    EXPECT_EQ(tabs_->CurrentIndex(), -1);
    EXPECT_EQ(changes_, 1);
    EXPECT_EQ(Range(), std::make_pair(0, 2));
    tabs_->SetTabCount(-4);
    EXPECT_EQ(tabs_->TabCount(), 0);
    EXPECT_EQ(Range(), std::make_pair(-1, -1));
    EXPECT_EQ(changes_, 1);
}

TEST_F(TabSetTest, ClickingSelectsAndAnEmptySlotSelectsNothing) {
    tabs_->SetTabCount(2);
    Click(130, 20);
    EXPECT_EQ(tabs_->CurrentIndex(), 1);
    test::Mouse(*tabs_, win::WM_LBUTTONDOWN, 10, 20, win::MK_LBUTTON);
    test::Mouse(*tabs_, win::WM_LBUTTONUP, 130, 20);
    EXPECT_EQ(tabs_->CurrentIndex(), 1) << "released over another tab";
    Click(300, 20);
    EXPECT_EQ(tabs_->CurrentIndex(), -1);
    EXPECT_EQ(changes_, 2);
    EXPECT_EQ(tabs_->ItemAtPos(10, 61), -1) << "below the row";
}

TEST_F(TabSetTest, TheOwnerDrawsEachVisibleTab) {
    tabs_->SetTabCount(5);
    tabs_->SetCurrentIndex(1);
    std::vector<std::tuple<int, TRect, bool>> drawn;
    tabs_->OnDraw = [&](TstTabSet*, int i, const TRect& r, bool active) {
        drawn.emplace_back(i, r, active);
    };
    const auto bmp = test::Render(*tabs_);
    const std::vector<std::tuple<int, TRect, bool>> expected{
        {1, TRect{126, 6, 234, 60}, true},
        {0, TRect{6, 6, 114, 60}, false},
        {2, TRect{246, 6, 354, 60}, false},
    };
    EXPECT_EQ(drawn, expected);
    EXPECT_EQ(test::PixelAt(*bmp, 180, 40), kBody) << "the current tab's face is the body's";
    EXPECT_EQ(test::PixelAt(*bmp, 180, 62), kBody) << "and joins the body";
    EXPECT_EQ(test::PixelAt(*bmp, 60, 40), ColorToRGB(clBtnFace))
        << "inactive face: the colour at construction";
    EXPECT_TRUE(tabs_->GetTabRect(4).IsEmpty());
}

TEST_F(TabSetTest, ArrowBitmapsPointBothWays) {
    const TBitmap& back = tabs_->ArrowBitmap(0);
    const TBitmap& forward = tabs_->ArrowBitmap(2);
    ASSERT_EQ(back.Width(), 6);
    ASSERT_EQ(back.Height(), 6);
    auto px = [](const TBitmap& b, int x, int y) { return b.Surface().GetPixel(x, y); };
    EXPECT_EQ(px(back, 0, 3), clLime);
    EXPECT_EQ(px(back, 5, 0), clLime);
    EXPECT_NE(px(back, 0, 0), clLime);
    EXPECT_EQ(px(forward, 5, 3), clLime);
    EXPECT_NE(px(forward, 5, 0), clLime);
    EXPECT_EQ(px(tabs_->ArrowBitmap(1), 0, 3), 0x808080);
    tabs_->SetScrollerBevelWidth(8);
    EXPECT_TRUE(tabs_->ArrowBitmap(0).Empty()) << "no room for an arrow";
}

TEST_F(TabSetTest, WritersClampTheirValues) {
    tabs_->SetTabWidth(0);
    EXPECT_EQ(tabs_->TabWidth(), 1);
    tabs_->SetBevelWidth(-3);
    EXPECT_EQ(tabs_->BevelWidth(), 0);
    tabs_->SetShadowOffset(999);
    EXPECT_EQ(tabs_->ShadowOffset(), 360);
    tabs_->SetInactiveShadowOffset(-5);
    EXPECT_EQ(tabs_->InactiveShadowOffset(), 0);
}

TEST_F(TabSetTest, NarrowerTabsRefitTheRange) {
    tabs_->SetTabCount(5);
    tabs_->SetCurrentIndex(4);
    tabs_->SetTabWidth(60);
    EXPECT_EQ(tabs_->VisibleTabs(), 6);
    EXPECT_EQ(Range(), std::make_pair(0, 4));
    tabs_->SetWidth(200); // (200 - 32) / 60 = 2 tabs
    EXPECT_EQ(Range(), std::make_pair(3, 4)) << "the current tab stays in view";
}

} // namespace
} // namespace lxq
