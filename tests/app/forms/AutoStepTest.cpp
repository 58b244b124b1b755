// The auto-step list: where a new entry goes, a typed lower frequency moved out of other
// entries, the order entries are stored in, and the entry editor on a receiver component.

#include <gtest/gtest.h>

#include "app/controls/TmyFrequencyEdit.h"
#include "app/controls/TmyIntEdit.h"
#include "app/controls/TstListBox.h"
#include "app/controls/TstSpeedButton.h"
#include "app/forms/AutoStepRules.h"
#include "app/forms/TAutostepForm.h"
#include "app/forms/TNewStepForm.h"
#include "app/receiver/TmyQ745.h"
#include "platform/components/TMessageForm.h"
#include "tests/support/ByValue.h"

namespace lxq {
namespace {

constexpr std::int64_t kMin = 10'000;
constexpr std::int64_t kMax = 1'800'000'000;

TRangeRecord Entry(std::int64_t lower, std::int64_t upper, std::int32_t mode = 0) {
    TRangeRecord r{};
    r.lower = lower;
    r.upper = upper;
    r.step = 1000;
    r.mode = mode;
    return r;
}

TEST(AutoStepGap, TheFirstStretchNoEntryCovers) {
    struct Case {
        const char* name;
        AutoStepList list;
        std::optional<std::pair<std::int64_t, std::int64_t>> gap;
    };
    const Case cases[] = {
        {"empty list: the whole range", {}, std::pair{kMin, kMax}},
        {"after entries from the minimum", {Entry(kMin, 5'000'000), Entry(5'000'000, 7'000'000), Entry(9'000'000, 10'000'000)},
         std::pair{7'000'000LL, 9'000'000LL}},
        {"before the first entry", {Entry(3'000'000, 4'000'000)}, std::pair{kMin, 3'000'000LL}},
        {"covered to the maximum", {Entry(kMin, 1'000'000), Entry(1'000'000, kMax)}, std::nullopt},
    };
    for (const Case& c : cases) {
        const auto gap = FirstFreeGap(c.list, kMin, kMax);
        ASSERT_EQ(gap.has_value(), c.gap.has_value()) << c.name;
        if (gap) {
            EXPECT_EQ(std::pair(gap->lower, gap->upper), *c.gap) << c.name;
        }
    }
}

TEST(AutoStepLower, ATypedLowerFrequencyLeavesOtherEntries) {
    const AutoStepList list{Entry(1'000'000, 2'000'000), Entry(2'000'000, 3'000'000), Entry(5'000'000, 6'000'000)};
    struct Case {
        const char* name;
        std::size_t skip;
        std::int64_t typed, lower;
        std::optional<std::pair<std::int64_t, std::int64_t>> upper;
    };
    const Case cases[] = {
        {"inside the first: past both touching entries", 3, 1'500'000, 3'000'000, std::pair{3'000'000LL, 5'000'000LL}},
        {"in a gap: stays", 3, 4'000'000, 4'000'000, std::pair{4'000'000LL, 5'000'000LL}},
        {"the edited entry does not count", 1, 2'500'000, 2'500'000, std::pair{2'500'000LL, 5'000'000LL}},
        {"after the last", 3, 7'000'000, 7'000'000, std::pair{7'000'000LL, kMax}},
        {"below the first: up to it", 3, 500'000, 500'000, std::pair{500'000LL, 1'000'000LL}},
    };
    for (const Case& c : cases) {
        const LowerChoice choice = MoveLowerOutOfEntries(list, c.skip, c.typed, kMin, kMax);
        EXPECT_EQ(choice.lower, c.lower) << c.name;
        ASSERT_TRUE(choice.upperLimits.has_value()) << c.name;
        EXPECT_EQ(std::pair(choice.upperLimits->lower, choice.upperLimits->upper), *c.upper) << c.name;
    }
    const AutoStepList toTheTop{Entry(1'000'000, kMax)};
    EXPECT_EQ(MoveLowerOutOfEntries(toTheTop, 1, 2'000'000, kMin, kMax).lower, kMin) << "the maximum wraps";
}

TEST(AutoStepOrder, AnEntryGoesAfterThoseWithTheSameLowerFrequency) {
    AutoStepList list{Entry(1, 2, 0), Entry(5, 6, 1), Entry(9, 10, 2), Entry(5, 7, 3)};
    EXPECT_EQ(PlaceEntry(list, 3), 2u);
    std::vector<std::int32_t> modes;
    for (const auto& e : list) modes.push_back(e.mode);
    EXPECT_EQ(modes, (std::vector<std::int32_t>{0, 1, 3, 2}));
}

class AutoStepForms : public ::testing::Test {
protected:
    AutoStepForms() {
        rx.Q7Facilities().MinFrequency = kMin;
        rx.Q7Facilities().MaxFrequency = kMax;
        rx.Q7Facilities().ModesCount = 2;
        rx.Q7Facilities().SetMode(0, 1);
        rx.Q7Facilities().SetMode(1, 4);
        form.ShowMessageBox = [this](const std::string& t, const std::string& c, std::uint32_t) {
            boxes.push_back(c + ": " + t);
            return plat::comp::IDYES;
        };
        form.NewStepForm->ShowMessageBox = form.ShowMessageBox;
        form.SetList(&list);
    }
    TmyQ745 rx{nullptr};
    TAutostepForm form{nullptr, rx};
    AutoStepList list;
    std::vector<std::string> boxes;
};

TEST_F(AutoStepForms, NewProposesTheFreeStretchWithTheReceiversSquelch) {
    rx.SetSquelch(-95);
    TNewStepForm& editor = *form.NewStepForm;
    list = {Entry(kMin, 7'000'000, 1)};
    form.SetList(&list);
    editor.RunModal = [&](plat::comp::TForm&) {
        EXPECT_EQ(editor.LowerEdit->Value(), 7'000'000);
        EXPECT_EQ(editor.UpperEdit->Value(), kMax);
        EXPECT_TRUE(editor.Squelch->Level->Down());
        EXPECT_EQ(editor.Squelch->LevelEdit->Value(), -95);
        editor.UpperEdit->SetValue(8'000'000);
        editor.StepMode(1);
        return plat::comp::mrOk;
    };
    form.NewButtonClick(nullptr);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(lxq_test::ByValue(list[1].lower), 7'000'000);
    EXPECT_EQ(lxq_test::ByValue(list[1].upper), 8'000'000);
    EXPECT_EQ(lxq_test::ByValue(list[1].mode), 4);
    EXPECT_EQ(lxq_test::ByValue(list[1].levelSquelch), -95);
    EXPECT_EQ(lxq_test::ByValue(list[1].activeSquelch), static_cast<std::int32_t>(kSquelchLevel));
    EXPECT_EQ(lxq_test::ByValue(list[1].skip), 0);
    EXPECT_EQ(form.stListBox1->Count(), 2);
}

TEST_F(AutoStepForms, NewOnAFullRangeSaysSoAndAddsNothing) {
    list = {Entry(kMin, kMax)};
    form.SetList(&list);
    form.NewStepForm->RunModal = [](plat::comp::TForm&) {
        ADD_FAILURE() << "the editor must not open";
        return plat::comp::mrCancel;
    };
    form.NewButtonClick(nullptr);
    EXPECT_EQ(boxes, (std::vector<std::string>{"Talvenor Q745: No empty ranges"}));
    EXPECT_EQ(list.size(), 1u);
}

TEST_F(AutoStepForms, TypingALowerFrequencyInsideAnEntryMovesItToThatEntrysUpper) {
    list = {Entry(1'000'000, 2'000'000), Entry(4'000'000, 5'000'000)};
    form.SetList(&list);
    TNewStepForm& editor = *form.NewStepForm;
    editor.RunModal = [&](plat::comp::TForm&) {
        editor.LowerEdit->SetValue(1'500'000); // as if typed
        EXPECT_EQ(editor.LowerEdit->Value(), 2'000'000);
        EXPECT_EQ(editor.UpperEdit->Min(), 2'000'000);
        EXPECT_EQ(editor.UpperEdit->Max(), 4'000'000);
        editor.UpperEdit->SetValue(3'000'000);
        return plat::comp::mrOk;
    };
    form.NewButtonClick(nullptr);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(lxq_test::ByValue(list[1].lower), 2'000'000) << "stored in its place";
    EXPECT_EQ(lxq_test::ByValue(list[1].upper), 3'000'000);
}

TEST_F(AutoStepForms, DeleteAsksFirst) {
    list = {Entry(1'000'000, 2'000'000)};
    form.SetList(&list);
    form.stListBox1->SetItemIndex(0);
    form.DeleteButtonClick(nullptr);
    EXPECT_EQ(boxes, (std::vector<std::string>{"Talvenor Q745: Remove autostep entry ?"}));
    EXPECT_TRUE(list.empty());
}

} // namespace
} // namespace lxq
