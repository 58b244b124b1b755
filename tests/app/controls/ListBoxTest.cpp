#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/controls/ColorShadow.h"
#include "app/controls/TstListBox.h"
#include "platform/components/ScrollBarPainter.h"
#include "tests/app/controls/ControlTestSupport.h"

namespace lxq {
namespace {

using namespace plat::comp;

class ListBoxTest : public testing::Test {
protected:
    ListBoxTest() {
        parent_.SetColor(0x808080);
        list_ = new TstListBox(nullptr);
        list_->SetParent(&parent_);
        list_->SetBounds(0, 0, 100, 84);
        list_->SetItemHeight(16);
    }
    TWinControl parent_{nullptr};
    TstListBox* list_;
};

TEST_F(ListBoxTest, HoldsOnlyACountAndAsksTheOwnerToDraw) {
    list_->SetLength(250);
    EXPECT_EQ(list_->Count(), 250);
    EXPECT_EQ(list_->TCustomListBox::Count(), 250) << "the list took the count";
    std::vector<int> drawn;
    list_->SetStyle(TListBoxStyle::lbOwnerDrawFixed);
    list_->OnDrawItem = [&](TWinControl*, int index, TRect, TOwnerDrawState) { drawn.push_back(index); };
    test::Render(*list_);
    EXPECT_EQ(drawn, (std::vector<int>{0, 1, 2, 3, 4}));
    list_->SetLength(-4);
    EXPECT_EQ(list_->Count(), 0);
}

TEST_F(ListBoxTest, ShadowFrameGoesRoundTheScrollBar) {
    list_->SetDefaultShadow(false);
    list_->SetLength(2);
    const auto fits = test::Render(*list_);
    EXPECT_EQ(test::PixelAt(*fits, 98, 40), GetColorShadow(0x808080, 50, 2, 2));
    list_->SetLength(50);
    const auto scrolls = test::Render(*list_);
    EXPECT_EQ(test::PixelAt(*scrolls, 98, 40), GetColorShadow(0x808080, 50, 2, 2))
        << "the inner ring stays outside the bar";
    EXPECT_EQ(test::PixelAt(*scrolls, 1, 40), GetColorShadow(0x808080, 50, -2, 2));
}

TEST_F(ListBoxTest, DroppedFilesArriveLastFirstOnlyInsideTheClientArea) {
    std::vector<std::string> got;
    TPoint where{};
    int raised = 0;
    list_->OnApiDropFiles = [&](TObject* s, TPoint p, std::unique_ptr<TStringList>& files) {
        EXPECT_EQ(s, list_);
        ++raised;
        where = p;
        got = files->Items();
    };
    const std::string longPath = "/data/" + std::string(1500, 'x') + ".45m";
    list_->DropFiles({20, 20}, {"a.45m", "b.45m", longPath});
    EXPECT_EQ(raised, 0) << "not accepting files";
    list_->SetAcceptFiles(true);
    list_->DropFiles({20, 20}, {"a.45m", "b.45m", longPath});
    EXPECT_EQ(got, (std::vector<std::string>{longPath, "b.45m", "a.45m"}));
    EXPECT_EQ(where, (TPoint{18, 18})) << "client coordinates";
    list_->DropFiles({1, 1}, {"c.45m"});
    EXPECT_EQ(raised, 1) << "a drop on the frame raises nothing";
}

TEST_F(ListBoxTest, AHandlerMayKeepTheList) {
    std::unique_ptr<TStringList> kept;
    list_->SetAcceptFiles(true);
    list_->OnApiDropFiles = [&](TObject*, TPoint, std::unique_ptr<TStringList>& files) {
        kept = std::move(files);
    };
    list_->DropFiles({20, 20}, {"a.45m"});
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->Strings(0), "a.45m");
}

} // namespace
} // namespace lxq
