#include <gtest/gtest.h>

#include "app/controls/ColorShadow.h"
#include "app/controls/TmyImage.h"
#include "app/controls/TmyLabel.h"
#include "app/controls/TstPanel.h"
#include "tests/app/controls/ControlTestSupport.h"

namespace lxq {
namespace {

using namespace plat::comp;

TEST(ImageTest, ABurstOfDrawingReachesTheScreenOnce) {
    TWinControl parent(nullptr);
    auto* image = new TmyImage(nullptr);
    image->SetParent(&parent);
    image->SetBounds(0, 0, 30, 20);
    ImageCanvas& c = image->GetCanvas();
    c.Brush().SetColor(clRed);
    c.FillRect({0, 0, 30, 20});
    EXPECT_TRUE(image->UpdatePending());
    c.Brush().SetColor(clBlue);
    c.FillRect({0, 0, 10, 10});
    c.SetPixel(20, 15, clLime);
    EXPECT_TRUE(image->UpdatePending()) << "still the one update";
    EXPECT_NE(test::PixelAt(const_cast<TBitmap&>(image->Shown()), 5, 5), clBlue) << "not yet";
    test::Pump();
    EXPECT_FALSE(image->UpdatePending());
    auto& shown = const_cast<TBitmap&>(image->Shown());
    EXPECT_EQ(test::PixelAt(shown, 5, 5), clBlue);
    EXPECT_EQ(test::PixelAt(shown, 20, 15), clLime);
    EXPECT_EQ(test::PixelAt(shown, 25, 5), clRed);
}

TEST(ImageTest, TheRedrawLockHoldsTheScreenStill) {
    TWinControl parent(nullptr);
    auto* image = new TmyImage(nullptr);
    image->SetParent(&parent);
    image->SetBounds(0, 0, 30, 20);
    image->GetCanvas().Brush().SetColor(clRed);
    image->GetCanvas().FillRect({0, 0, 30, 20});
    test::Pump();
    EXPECT_EQ(image->DisableRedraw(), 1);
    image->GetCanvas().Brush().SetColor(clBlue);
    image->GetCanvas().FillRect({0, 0, 30, 20});
    EXPECT_FALSE(image->UpdatePending()) << "nothing is posted while locked";
    test::Pump();
    const auto painted = test::Render(*image);
    EXPECT_EQ(test::PixelAt(*painted, 5, 5), clRed) << "painting shows the old picture";
    EXPECT_EQ(image->EnableRedraw(), 0);
    const auto repainted = test::Render(*image);
    EXPECT_EQ(test::PixelAt(*repainted, 5, 5), clBlue);
}

TEST(ImageTest, PointerEnteringAndLeaving) {
    auto* image = new TmyImage(nullptr);
    std::vector<std::string> log;
    image->OnEnterOver = [&](TObject* s) { log.push_back(s == image ? "enter" : "?"); };
    image->OnLeaveOver = [&](TObject* s) { log.push_back(s == image ? "leave" : "?"); };
    image->Perform(CM_MOUSEENTER);
    image->Perform(CM_MOUSELEAVE);
    EXPECT_EQ(log, (std::vector<std::string>{"enter", "leave"}));
    delete image;
}

bool IsInk(TColor p, TColor c) {
    // Smoothed text: a pixel close to the ink colour.
    auto near = [](int a, int b) { return std::abs(a - b) < 24; };
    return near(p & 0xFF, c & 0xFF) && near((p >> 8) & 0xFF, (c >> 8) & 0xFF) &&
           near((p >> 16) & 0xFF, (c >> 16) & 0xFF);
}

TEST(LabelTest, DisabledEngravedTextIsDrawnTwice) {
    TWinControl parent(nullptr);
    parent.SetColor(clBlack);
    auto* label = new TmyLabel(nullptr);
    label->SetParent(&parent);
    label->Font().SetSize(20);
    label->Font().SetStyle(fs::Bold);
    label->SetCaption("I");
    label->SetDisColor(0x0000C0);
    label->SetBurColor(0xC0C000);
    label->SetEnabled(false);
    auto count = [&](TBitmap& b, TColor c) {
        int n = 0;
        for (int y = 0; y < b.Height(); ++y)
            for (int x = 0; x < b.Width(); ++x) n += IsInk(test::PixelAt(b, x, y), c);
        return n;
    };
    const auto plain = test::Render(*label);
    EXPECT_GT(count(*plain, 0x0000C0), 0);
    EXPECT_EQ(count(*plain, 0xC0C000), 0) << "plain dim text without ShowBurried";
    label->SetShowBurried(true);
    const auto engraved = test::Render(*label);
    EXPECT_GT(count(*engraved, 0x0000C0), 0);
    EXPECT_GT(count(*engraved, 0xC0C000), 0) << "the shadow shows below and right";
    // Every shadow pixel lies one pixel right and down of the text's ink region.
    for (int y = 0; y < engraved->Height(); ++y)
        for (int x = 0; x < engraved->Width(); ++x)
            if (IsInk(test::PixelAt(*engraved, x, y), 0xC0C000)) {
                EXPECT_TRUE(IsInk(test::PixelAt(*plain, x - 1, y - 1), 0x0000C0)) << x << "," << y;
            }
}

class PanelTest : public testing::Test {
protected:
    PanelTest() {
        parent_.SetColor(0x303030);
        panel_ = new TstPanel(nullptr);
        panel_->SetParent(&parent_);
        panel_->SetColor(0x808080);
    }
    TWinControl parent_{nullptr};
    TstPanel* panel_;
};

TEST_F(PanelTest, BevelIsAtMostHalfTheSmallerSideAndChildrenStayInside) {
    panel_->SetBounds(0, 0, 100, 20);
    panel_->SetBevelWidth(15);
    EXPECT_EQ(panel_->AdjustBevel(), 10);
    auto* child = new TstPanel(nullptr);
    child->SetParent(panel_);
    child->SetAlign(TAlign::alClient);
    EXPECT_EQ(child->BoundsRect(), (TRect{10, 10, 90, 10}));
    panel_->SetBounds(0, 0, 100, 40);
    panel_->SetBevelWidth(4);
    EXPECT_EQ(child->BoundsRect(), (TRect{4, 4, 96, 36}));
    panel_->SetBevelWidth(-2);
    EXPECT_EQ(panel_->BevelWidth(), 0);
}

// A dock site with AutoSize and no size in the docking direction takes the docked control's:
// a toolbar docked at the top of an empty strip makes the strip as tall as the toolbar.
TEST_F(PanelTest, DockingIntoAnAutoSizedSiteSizesItInTheDockingDirection) {
    struct Case {
        TAlign align;
        TRect before, after;
    };
    const Case cases[] = {
        {TAlign::alTop, {0, 50, 200, 50}, {0, 50, 200, 80}},
        {TAlign::alBottom, {0, 50, 200, 50}, {0, 20, 200, 50}},
        {TAlign::alLeft, {100, 0, 100, 60}, {100, 0, 140, 60}},
        {TAlign::alRight, {100, 0, 100, 60}, {60, 0, 100, 60}},
        {TAlign::alTop, {0, 50, 200, 70}, {0, 50, 200, 70}}, // has a height: keeps it
    };
    for (const Case& c : cases) {
        auto* site = new TstPanel(nullptr);
        site->SetParent(&parent_);
        site->SetBevelWidth(0);
        site->SetBounds(c.before.left, c.before.top, c.before.Width(), c.before.Height());
        site->SetDockSite(true);
        site->SetAutoSize(true);
        auto* bar = new TstPanel(nullptr);
        bar->SetParent(&parent_);
        bar->SetBounds(0, 0, 40, 30);
        EXPECT_TRUE(site->DockClient(*bar, c.align));
        EXPECT_EQ(site->BoundsRect(), c.after) << static_cast<int>(c.align);
        EXPECT_EQ(bar->Parent(), site);
        EXPECT_EQ(bar->Align(), c.align);
        delete site;
    }
    auto* plain = new TstPanel(nullptr);
    plain->SetParent(&parent_);
    auto* bar = new TstPanel(nullptr);
    bar->SetParent(&parent_);
    EXPECT_FALSE(plain->DockClient(*bar, TAlign::alTop)) << "not a dock site";
    EXPECT_EQ(bar->Parent(), &parent_);
    EXPECT_TRUE(plain->UseDockManager());
}

TEST_F(PanelTest, AutoSizeFitsTheChildrenInsideTheBevel) {
    panel_->SetBounds(0, 0, 300, 200);
    panel_->SetBevelWidth(5);
    for (TRect r : {TRect{10, 10, 60, 30}, TRect{70, 40, 100, 70}}) {
        auto* child = new TstPanel(nullptr);
        child->SetParent(panel_);
        child->SetBounds(r.left, r.top, r.Width(), r.Height());
    }
    const int frameW = panel_->Width() - panel_->ClientWidth();
    const int frameH = panel_->Height() - panel_->ClientHeight();
    panel_->SetAutoSize(true);
    EXPECT_EQ(panel_->Width(), 100 + 5 + frameW);
    EXPECT_EQ(panel_->Height(), 70 + 5 + frameH);
    EXPECT_EQ(panel_->AdjustBevel(), 5);
}

TEST_F(PanelTest, GradientBevels) {
    panel_->SetBounds(0, 0, 40, 30);
    panel_->SetBevelWidth(3);
    panel_->SetShadowOffset(90);
    const TColor c = 0x808080;
    panel_->SetBevelStyle(TBevelStyle::bsGradientInner);
    auto inner = test::Render(*panel_);
    EXPECT_EQ(test::PixelAt(*inner, 0, 15), GetColorShadow(c, 90, -3, 1)) << "deepens inwards";
    EXPECT_EQ(test::PixelAt(*inner, 2, 15), GetColorShadow(c, 90, -3, 3));
    EXPECT_EQ(test::PixelAt(*inner, 39, 15), GetColorShadow(c, 90, 3, 1));
    EXPECT_EQ(test::PixelAt(*inner, 20, 29), GetColorShadow(c, 90, 3, 1));
    EXPECT_EQ(test::PixelAt(*inner, 20, 15), c);
    panel_->SetBevelStyle(TBevelStyle::bsGradientOuter);
    auto outer = test::Render(*panel_);
    EXPECT_EQ(test::PixelAt(*outer, 0, 15), GetColorShadow(c, 90, 3, 3)) << "strongest outside";
    EXPECT_EQ(test::PixelAt(*outer, 2, 15), GetColorShadow(c, 90, 3, 1));
    EXPECT_EQ(test::PixelAt(*outer, 39, 15), GetColorShadow(c, 90, -3, 3));
    panel_->SetParentShadow(true);
    auto fromParent = test::Render(*panel_);
    EXPECT_EQ(test::PixelAt(*fromParent, 0, 15), GetColorShadow(0x303030, 90, 3, 3));
}

TEST_F(PanelTest, RoundBevelSitsOnTheParentsColour) {
    panel_->SetBounds(0, 0, 40, 30);
    panel_->SetBevelStyle(TBevelStyle::bsRound);
    auto round = test::Render(*panel_);
    EXPECT_EQ(test::PixelAt(*round, 0, 0), 0x303030u) << "outside the rounded corner";
    EXPECT_EQ(test::PixelAt(*round, 20, 0), GetColorShadow(0x808080, 50, -1, 1)) << "dark edge";
    EXPECT_EQ(test::PixelAt(*round, 39, 15), GetColorShadow(0x808080, 50, 1, 1)) << "light edge";
    EXPECT_EQ(test::PixelAt(*round, 20, 15), 0x808080u);
}

TEST_F(PanelTest, EnablingForAllSparesNegativeTags) {
    auto* a = new TstPanel(nullptr);
    auto* b = new TstPanel(nullptr);
    auto* keep = new TstPanel(nullptr);
    for (TstPanel* p : {a, b, keep}) p->SetParent(panel_);
    keep->SetTag(-1);
    b->SetEnabled(false);
    panel_->SetEnabled(false);
    EXPECT_FALSE(a->Enabled());
    EXPECT_TRUE(keep->Enabled());
    panel_->SetEnabled(true);
    EXPECT_TRUE(a->Enabled());
    EXPECT_TRUE(b->Enabled()) << "also one disabled by hand before";
    panel_->SetEnable4All(false);
    panel_->SetEnabled(false);
    EXPECT_TRUE(a->Enabled());
}

} // namespace
} // namespace lxq
