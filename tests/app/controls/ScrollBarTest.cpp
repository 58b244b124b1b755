#include <gtest/gtest.h>

#include <climits>

#include "app/controls/TmyScrollBar.h"
#include "tests/app/controls/ControlTestSupport.h"

namespace lxq {
namespace {

using namespace plat::comp;
namespace win = plat::win;

class ScrollBarTest : public testing::Test {
protected:
    ScrollBarTest() {
        bar_ = new TmyScrollBar(nullptr);
        bar_->SetParent(&parent_);
        bar_->OnPositionChange = [this](TObject* s) {
            EXPECT_EQ(s, bar_);
            ++changes_;
        };
    }
    TRect Thumb() const { return bar_->Thumb().BoundsRect(); }

    TWinControl parent_{nullptr};
    TmyScrollBar* bar_;
    int changes_ = 0;
};

TEST_F(ScrollBarTest, GeometryOfAHorizontalBar) {
    EXPECT_EQ(bar_->FirstArrow().BoundsRect(), (TRect{3, 3, 17, 17}));
    EXPECT_EQ(bar_->SecondArrow().BoundsRect(), (TRect{183, 3, 197, 17}));
    EXPECT_EQ(Thumb(), (TRect{17, 3, 50, 17})) << "track 166: 0..20 of 100 is 33 pixels";
    EXPECT_EQ(bar_->FirstArrow().Kind(), TSTButtonKind::stbkLeftArrow);
    bar_->SetKind(TScrollBarKind::sbVertical);
    bar_->SetBounds(0, 0, 20, 200);
    EXPECT_EQ(bar_->FirstArrow().Kind(), TSTButtonKind::stbkUpArrow);
    EXPECT_EQ(bar_->SecondArrow().BoundsRect(), (TRect{3, 183, 17, 197}));
    EXPECT_EQ(Thumb(), (TRect{3, 17, 17, 50}));
}

TEST_F(ScrollBarTest, PositionAndPageStayInsideTheRange) {
    bar_->SetPos(90);
    EXPECT_EQ(bar_->Position(), 80);
    bar_->SetPos(-5);
    EXPECT_EQ(bar_->Position(), 0);
    bar_->SetLength(150);
    EXPECT_EQ(bar_->Length(), 100);
    EXPECT_EQ(bar_->Position(), 0);
    EXPECT_FALSE(bar_->Thumb().Visible()) << "the page covers the whole range";
    EXPECT_FALSE(bar_->FirstArrow().Enabled());
    EXPECT_FALSE(bar_->SecondArrow().Enabled());
    bar_->SetLength(-3);
    EXPECT_EQ(bar_->Length(), 0);
    EXPECT_TRUE(bar_->Thumb().Visible());
}

TEST_F(ScrollBarTest, SetRangeRefusesAnInvertedRangeAndKeepsThePage) {
    bar_->SetPos(80);
    const int before = changes_;
    EXPECT_FALSE(bar_->SetRange(10, 5));
    EXPECT_EQ(bar_->Min(), 0);
    EXPECT_EQ(bar_->Max(), 100);
    EXPECT_EQ(changes_, before);
    EXPECT_TRUE(bar_->SetRange(0, 1000));
    EXPECT_EQ(bar_->Position(), 80);
    EXPECT_EQ(bar_->Length(), 20);
    EXPECT_EQ(Thumb().Width(), 9) << "166 x 20 / 1000 = 3 is below three bevels";
    EXPECT_EQ(Thumb().left, 17 + 13);
    bar_->SetPos(980);
    EXPECT_EQ(Thumb().right, 183) << "a minimum thumb stops at the second arrow";
    EXPECT_GT(changes_, before);
}

TEST_F(ScrollBarTest, MinAndMaxPullTheRestAlong) {
    bar_->SetPos(50);
    bar_->SetMax(60);
    EXPECT_EQ(bar_->Position(), 40);
    bar_->SetMax(10);
    EXPECT_EQ(bar_->Position(), 0);
    EXPECT_EQ(bar_->Length(), 10);
    bar_->SetMin(20);
    EXPECT_EQ(bar_->Max(), 20);
    EXPECT_EQ(bar_->Position(), 20);
    EXPECT_EQ(bar_->Length(), 0);
}

TEST_F(ScrollBarTest, SixtyFourBitRangesInHertz) {
    ASSERT_TRUE(bar_->SetRange(0, 3'000'000'000'000));
    bar_->SetLength(1'000'000'000);
    bar_->SetPos(1'500'000'000'000);
    EXPECT_EQ(bar_->Position(), 1'500'000'000'000);
    EXPECT_EQ(Thumb().left, 17 + 83);
    ASSERT_TRUE(bar_->SetRange(LLONG_MIN, LLONG_MAX));
    bar_->SetLength(LLONG_MAX);
    bar_->SetDelta(LLONG_MAX);
    EXPECT_EQ(bar_->Position(), LLONG_MAX - LLONG_MAX);
    bar_->SetDelta(LLONG_MIN);
    EXPECT_EQ(bar_->Position(), LLONG_MIN);
    EXPECT_EQ(Thumb().left, 17) << "no overflow in the thumb arithmetic";
}

TEST_F(ScrollBarTest, ArrowsScrollByAHundredthOfThePage) {
    test::FakeTime time;
    bar_->SetRange(0, 100'000);
    bar_->SetLength(1'000);
    test::Mouse(bar_->SecondArrow(), win::WM_LBUTTONDOWN, 3, 3, win::MK_LBUTTON);
    EXPECT_EQ(bar_->Position(), 10);
    time.Advance(500);
    test::Mouse(bar_->SecondArrow(), win::WM_LBUTTONUP, 3, 3);
    EXPECT_EQ(bar_->Position(), 20) << "the 10 ms repeat starts after the button's delay";
    test::Mouse(bar_->FirstArrow(), win::WM_LBUTTONDOWN, 3, 3, win::MK_LBUTTON);
    test::Mouse(bar_->FirstArrow(), win::WM_LBUTTONUP, 3, 3);
    EXPECT_EQ(bar_->Position(), 10);
    bar_->SetLength(50);
    test::Mouse(bar_->SecondArrow(), win::WM_LBUTTONDOWN, 3, 3, win::MK_LBUTTON);
    test::Mouse(bar_->SecondArrow(), win::WM_LBUTTONUP, 3, 3);
    EXPECT_EQ(bar_->Position(), 11) << "at least 1";
}

TEST_F(ScrollBarTest, TrackClicksPageAndDragsFollowThePointer) {
    test::Mouse(bar_->Panel(), win::WM_LBUTTONDOWN, 150, 10, win::MK_LBUTTON);
    test::Mouse(bar_->Panel(), win::WM_LBUTTONUP, 150, 10);
    EXPECT_EQ(bar_->Position(), 20);
    test::Mouse(bar_->Panel(), win::WM_LBUTTONDOWN, 150, 1, win::MK_LBUTTON);
    test::Mouse(bar_->Panel(), win::WM_LBUTTONUP, 150, 1);
    EXPECT_EQ(bar_->Position(), 20) << "the bevel is no track";

    TstSpeedButton& thumb = bar_->Thumb();
    test::Mouse(thumb, win::WM_MOUSEMOVE, 5, 5);
    test::Mouse(thumb, win::WM_LBUTTONDOWN, 5, 5, win::MK_LBUTTON);
    EXPECT_TRUE(bar_->Dragging());
    bar_->SetPosX(0);
    EXPECT_EQ(bar_->Position(), 20) << "the owner cannot move the thumb under the pointer";
    // Free track 166 - 33 = 133 pixels for 80 units: 133 pixels to the right is the end.
    test::Mouse(thumb, win::WM_MOUSEMOVE, 5 + 133, 5, win::MK_LBUTTON);
    EXPECT_EQ(bar_->Position(), 80);
    test::Mouse(thumb, win::WM_LBUTTONUP, 5, 5);
    EXPECT_FALSE(bar_->Dragging());
    bar_->SetPosX(0);
    EXPECT_EQ(bar_->Position(), 0);
}

TEST_F(ScrollBarTest, ADragWithNoFreeTrackDoesNothing) {
    bar_->SetBounds(0, 0, 43, 20); // track 43 - 6 - 28 = 9 = the minimum thumb
    bar_->SetRange(0, 1000);
    ASSERT_EQ(Thumb().Width(), 9);
    TstSpeedButton& thumb = bar_->Thumb();
    test::Mouse(thumb, win::WM_MOUSEMOVE, 2, 2);
    test::Mouse(thumb, win::WM_MOUSEMOVE, 6, 2, win::MK_LBUTTON);
    EXPECT_EQ(bar_->Position(), 0);
}

} // namespace
} // namespace lxq
