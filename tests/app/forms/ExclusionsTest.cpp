// The exclusion windows: order of the list, adding, editing and removing ranges, the From < To
// check, and texts too wide for their column.

#include <gtest/gtest.h>

#include "app/controls/TmyFrequencyEdit.h"
#include "app/controls/TmyUpDown.h"
#include "app/controls/TstListBox.h"
#include "app/controls/TstSpeedButton.h"
#include "app/forms/ShortText.h"
#include "app/forms/TExclusionForm.h"
#include "app/forms/TExclusionsForm.h"
#include "app/controls/TstSpeedButton.h"
#include "platform/components/TApplication.h"
#include "platform/components/TMessageForm.h"
#include "platform/win/InputApi.h"
#include "platform/win/ScreenApi.h"
#include "tests/app/controls/ControlTestSupport.h"
#include "tests/support/ByValue.h"

namespace lxq {
namespace {

using plat::comp::mrOk;

class Exclusions : public ::testing::Test {
protected:
    Exclusions() {
        form.SetList(&list);
        form.ShowMessageBox = [this](const std::string& t, const std::string& c, std::uint32_t) {
            boxes.push_back(c + ": " + t);
            return plat::comp::IDYES;
        };
        form.ExclusionForm->ShowMessageBox = form.ShowMessageBox;
    }
    // Runs the range dialog with these values typed and OK pressed; answers whether it closed.
    void Answer(std::int64_t from, std::int64_t to) {
        form.RunModal = [this, from, to](plat::comp::TForm& f) {
            auto& d = dynamic_cast<TExclusionForm&>(f);
            d.FromEdit->SetValue(from);
            d.ToEdit->SetValue(to);
            d.SetModalResult(plat::comp::mrNone);
            d.stSpeedButton1Click(nullptr);
            return d.ModalResult();
        };
    }
    std::vector<std::int64_t> Froms() const {
        std::vector<std::int64_t> out;
        for (const auto& e : list) out.push_back(static_cast<std::int64_t>(e.from));
        return out;
    }
    std::vector<TExclusionRecord> list{{5'000'000, 6'000'000, 0}, {9'000'000, 9'500'000, 0}};
    TExclusionsForm form{nullptr};
    std::vector<std::string> boxes;
};

TEST_F(Exclusions, AddedAndEditedRangesKeepTheListInOrderOfFrom) {
    Answer(1'000'000, 1'500'000);
    form.stSpeedButton1Click(nullptr);
    EXPECT_EQ(Froms(), (std::vector<std::int64_t>{1'000'000, 5'000'000, 9'000'000})) << "lowest first";
    EXPECT_EQ(form.stListBox1->Count(), 3);
    form.stListBox1->SetItemIndex(0);
    Answer(7'000'000, 8'000'000);
    form.stSpeedButton3Click(nullptr);
    EXPECT_EQ(Froms(), (std::vector<std::int64_t>{5'000'000, 7'000'000, 9'000'000})) << "moved down";
    EXPECT_EQ(lxq_test::ByValue(list[1].to), 8'000'000u);
}

TEST(ExclusionOrder, EqualFromsKeepTheirOrder) {
    std::vector<TExclusionRecord> list{{3, 1, 0}, {1, 1, 0}, {3, 2, 0}, {2, 1, 0}, {1, 2, 0}};
    SortExclusions(list);
    std::vector<std::pair<std::uint64_t, std::uint64_t>> got;
    for (const auto& e : list) got.emplace_back(lxq_test::ByValue(e.from), lxq_test::ByValue(e.to));
    EXPECT_EQ(got, (std::vector<std::pair<std::uint64_t, std::uint64_t>>{{1, 1}, {1, 2}, {2, 1}, {3, 1}, {3, 2}}));
}

TEST_F(Exclusions, FromMustBeBelowTo) {
    struct Case {
        std::int64_t from, to;
        bool accepted;
    };
    const Case cases[] = {{2'000'000, 2'000'000, false}, {3'000'000, 2'000'000, false}, {-5, -4, true}, {1, 2, true}};
    for (const Case& c : cases) {
        boxes.clear();
        Answer(c.from, c.to);
        const std::size_t before = list.size();
        form.stSpeedButton1Click(nullptr);
        EXPECT_EQ(list.size(), before + (c.accepted ? 1 : 0)) << c.from << " " << c.to;
        if (c.accepted) EXPECT_TRUE(boxes.empty());
        else EXPECT_EQ(boxes, (std::vector<std::string>{"Invalid range !: From must be smaller than To"}));
    }
}

TEST_F(Exclusions, EachEdgeHasASpinnerThatStepsIt) {
    form.RunModal = [](plat::comp::TForm& f) {
        auto& d = dynamic_cast<TExclusionForm&>(f);
        const struct {
            TmyFrequencyEdit* edit;
            TmyUpDown* spin;
        } edges[] = {{d.FromEdit, d.FromUpDown}, {d.ToEdit, d.ToUpDown}};
        for (const auto& e : edges) {
            EXPECT_EQ(e.spin->FrequencyEdit(), e.edit);
            EXPECT_EQ(e.spin->Top(), e.edit->Top());
            EXPECT_GE(e.spin->Left(), e.edit->Left() + e.edit->Width()) << "beside the edit, not over it";
            EXPECT_LE(e.spin->Left() + e.spin->Width(), d.ClientWidth());
            const std::int64_t before = e.edit->Value();
            test::Mouse(*e.spin, plat::win::WM_LBUTTONDOWN, 3, e.spin->UpHalf().Top() + 2, plat::win::MK_LBUTTON);
            test::Mouse(*e.spin, plat::win::WM_LBUTTONUP, 3, e.spin->UpHalf().Top() + 2);
            EXPECT_GT(e.edit->Value(), before);
        }
        return d.ModalResult();
    };
    form.stListBox1->SetItemIndex(0);
    form.stSpeedButton3Click(nullptr); // edit the first range, then cancel
    EXPECT_EQ(list[0].from, 5'000'000u);
}

TEST_F(Exclusions, RemoveAsksOnlyWithASelection) {
    form.stSpeedButton2Click(nullptr);
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(list.size(), 2u);
    form.stListBox1->SetItemIndex(1);
    form.stSpeedButton2Click(nullptr);
    EXPECT_EQ(boxes, (std::vector<std::string>{"Remove exclusion: Remove the selected exclusion ?"}));
    EXPECT_EQ(Froms(), (std::vector<std::int64_t>{5'000'000}));
    EXPECT_EQ(form.stListBox1->Count(), 1);
}

TEST(ShortText, DropsThreeCharactersAtATimeEndingInTwoDots) {
    auto widerThan = [](std::size_t n) { return [n](const std::string& t) { return t.size() > n; }; };
    EXPECT_EQ(ShortenText("145.5 MHz", widerThan(20)), "145.5 MHz");
    EXPECT_EQ(ShortenText("145.5 MHz", widerThan(8)), "145.5 ..");
    EXPECT_EQ(ShortenText("145.5 MHz", widerThan(7)), "145.5..");
    EXPECT_EQ(ShortenText("145.5 MHz", widerThan(0)), "1..") << "ends at three characters";
    EXPECT_EQ(ShortenText("", widerThan(0)), "");
    // Characters, not bytes: "é" and "€" go whole.
    EXPECT_EQ(ShortenText("caf\xC3\xA9 \xE2\x82\xAC\xE2\x82\xAC", widerThan(9)), "caf\xC3\xA9..");
}

} // namespace
} // namespace lxq

namespace lxq {
namespace {

// The exclusion switch is a latching button: the user must see whether it is down.
TEST_F(Exclusions, TheExclusionSwitchLooksDifferentUpAndDown) {
    form.Show();
    plat::comp::Application().ProcessMessages();
    TstSpeedButton& button = *form.stSpeedButton6;
    auto picture = [&] {
        const auto shot = plat::win::CaptureWindow(form.Handle());
        std::vector<plat::gdi::ColorRef> pixels;
        const plat::comp::TPoint at = button.ClientToParent({0, 0});
        for (int y = 0; y < button.Height(); ++y)
            for (int x = 0; x < button.Width(); ++x) pixels.push_back(shot->GetPixel(at.x + x, at.y + y));
        return pixels;
    };
    const auto up = picture();
    button.SetDown(true);
    button.Click();
    plat::comp::Application().ProcessMessages();
    EXPECT_TRUE(button.Down());
    const auto down = picture();
    // The bevel alone turns inside out, which at this size reads the same: the face must change.
    const std::size_t centre = static_cast<std::size_t>(button.Height() / 2 * button.Width() + button.Width() / 2);
    EXPECT_NE(up[centre], down[centre]);
    int differing = 0;
    for (std::size_t i = 0; i < up.size(); ++i) differing += up[i] != down[i];
    EXPECT_GT(differing, static_cast<int>(up.size()) * 3 / 4);
    form.Hide();
}

} // namespace
} // namespace lxq
