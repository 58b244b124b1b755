// The scan-range list: its file, the skip mark and its check box, the auto-store check, removal,
// the squelch column, and the range editor.

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "app/controls/TmyFrequencyEdit.h"
#include "app/controls/TmyIntEdit.h"
#include "app/controls/TstEdit.h"
#include "app/controls/TstIntEdit.h"
#include "app/controls/TstListBox.h"
#include "app/controls/TstSpeedButton.h"
#include "app/forms/RangeRow.h"
#include "app/forms/SquelchCodes.h"
#include "app/forms/TNewRangeForm.h"
#include "app/forms/TRangesForm.h"
#include "app/receiver/SquelchSettings.h"
#include "app/receiver/TQ7Facilities.h"
#include "platform/components/Graphics.h"
#include "platform/components/TApplication.h"
#include "platform/components/TMessageForm.h"
#include "platform/sys/Clock.h"
#include "platform/win/MessageApi.h"
#include "platform/win/ScreenApi.h"
#include "tests/platform/sys/TempFolder.h"

namespace lxq {
namespace {

using plat::comp::mrOk;

TRangeRecord Range(std::int64_t lower, std::int64_t upper, std::int64_t step) {
    TRangeRecord r{};
    r.lower = lower;
    r.upper = upper;
    r.step = step;
    r.mode = 2;
    std::strcpy(r.description, "air band");
    return r;
}

void WriteRecords(const std::string& path, std::vector<TRangeRecord> records, std::size_t cut = 0) {
    std::string bytes;
    for (TRangeRecord& r : records) {
        r.checksum = RangeChecksum(r);
        bytes.append(reinterpret_cast<const char*>(&r), sizeof r);
    }
    bytes.resize(bytes.size() - cut);
    std::ofstream(path, std::ios::binary) << bytes;
}

struct Box {
    std::string text, caption;
    std::uint32_t flags;
};

class ScanRanges : public ::testing::Test {
protected:
    ScanRanges() {
        facilities.MinFrequency = 10'000;
        facilities.MaxFrequency = 1'800'000'000;
        facilities.ModesCount = 3;
        facilities.SetMode(0, 1);
        facilities.SetMode(1, 2);
        facilities.SetMode(2, 5);
        form.ShowMessageBox = [this](const std::string& t, const std::string& c, std::uint32_t f) {
            boxes.push_back({t, c, f});
            return answer;
        };
    }
    // A press of the left button on row `row` of the list, `x` pixels from its left edge.
    void Press(int x, int row, bool secondOfDouble = false) {
        const auto at = plat::win::MakeLParam(x, row * form.stListBox1->ItemHeight() + 3);
        form.stListBox1->Perform(secondOfDouble ? plat::win::WM_LBUTTONDBLCLK : plat::win::WM_LBUTTONDOWN,
                                 plat::win::MK_LBUTTON, at);
        form.stListBox1->Perform(plat::win::WM_LBUTTONUP, 0, at);
    }
    plat::sys::testing::TempFolder dir;
    TQ7Facilities facilities;
    TRangesForm form{nullptr, facilities};
    std::vector<Box> boxes;
    int answer = plat::comp::IDYES;
};

TEST_F(ScanRanges, TheFileKeepsSoundWholeRecordsInOrder) {
    struct Case {
        const char* name;
        std::size_t cut;       // bytes missing at the end
        int damaged;           // record whose checksum is off by one, -1 none
        std::vector<std::int64_t> lowers;
    };
    const Case cases[] = {
        {"250 bytes: the half record is dropped", 50, -1, {1, 2}},
        {"a checksum off by one", 0, 1, {1, 3}},
        {"all sound", 0, -1, {1, 2, 3}},
    };
    for (const Case& c : cases) {
        std::vector<TRangeRecord> records{Range(1, 10, 1), Range(2, 20, 1), Range(3, 30, 1)};
        const std::string path = dir.File("ranges.45r");
        WriteRecords(path, records, c.cut);
        if (c.damaged >= 0) {
            std::fstream f(path, std::ios::binary | std::ios::in | std::ios::out);
            f.seekp(c.damaged * 100 + 96);
            TRangeRecord r = records[static_cast<std::size_t>(c.damaged)];
            const std::uint32_t wrong = RangeChecksum(r) + 1;
            f.write(reinterpret_cast<const char*>(&wrong), 4);
        }
        form.LoadRanges(dir.Path() + "/", "/nonexistent");
        std::vector<std::int64_t> lowers;
        for (const auto& r : form.Ranges()) lowers.push_back(r->lower);
        EXPECT_EQ(lowers, c.lowers) << c.name;
        EXPECT_EQ(form.stListBox1->Count(), static_cast<int>(c.lowers.size())) << c.name;
    }
}

TEST_F(ScanRanges, AMissingDataFileFallsBackToTheProgramFolderAndWritingGoesToTheDataFolder) {
    plat::sys::testing::TempFolder program;
    WriteRecords(program.File("ranges.45r"), {Range(5, 6, 1)});
    form.LoadRanges(dir.Path() + "/", program.Path());
    ASSERT_EQ(form.Ranges().size(), 1u);
    form.Ranges().front()->skip = 1;
    ASSERT_TRUE(form.SaveRanges(dir.Path() + "/"));
    TRangesForm again{nullptr, facilities};
    again.LoadRanges(dir.Path() + "/", "/nonexistent");
    ASSERT_EQ(again.Ranges().size(), 1u);
    EXPECT_EQ(again.Ranges().front()->skip, 1);
    EXPECT_STREQ(again.Ranges().front()->description, "air band");
    form.LoadRanges(dir.Path() + "/missing/", "/nonexistent");
    EXPECT_TRUE(form.Ranges().empty());
}

TEST_F(ScanRanges, AClickInTheCheckBoxColumnTogglesOnlyTheSkipBit) {
    form.Ranges().push_back(std::make_unique<TRangeRecord>(Range(1, 10, 1)));
    form.Ranges().front()->skip = 0x100;
    form.stListBox1->SetLength(1);
    form.stListBox1->SetItemIndex(0);
    const TRangeRecord before = *form.Ranges().front();
    Press(40, 0); // in the text: nothing
    EXPECT_EQ(form.Ranges().front()->skip, 0x100);
    Press(5, 0);
    EXPECT_EQ(form.Ranges().front()->skip, 0x101);
    TRangeRecord after = *form.Ranges().front();
    after.skip = before.skip;
    EXPECT_EQ(std::memcmp(&after, &before, sizeof after), 0) << "nothing else changed";
    Press(5, 0);
    EXPECT_EQ(form.Ranges().front()->skip, 0x100);
}

// Each press acts on what it hits, not on what the press before it hit.
TEST_F(ScanRanges, TheSkipBoxFollowsThePressOnItsOwnRow) {
    for (int i = 0; i < 3; ++i) form.Ranges().push_back(std::make_unique<TRangeRecord>(Range(1 + i, 10 + i, 1)));
    form.stListBox1->SetLength(3);
    auto skips = [&] {
        std::vector<std::int32_t> s;
        for (const auto& r : form.Ranges()) s.push_back(r->skip);
        return s;
    };
    Press(5, 0); // the box of row 0, which the press also selects
    EXPECT_EQ(skips(), (std::vector<std::int32_t>{1, 0, 0}));
    Press(200, 1); // the description of row 1
    EXPECT_EQ(skips(), (std::vector<std::int32_t>{1, 0, 0})) << "a text press toggles nothing";
    EXPECT_EQ(form.stListBox1->ItemIndex(), 1);
    Press(5, 1); // the box of the row already selected
    EXPECT_EQ(skips(), (std::vector<std::int32_t>{1, 1, 0}));
    Press(5, 2);
    Press(5, 2, true); // the second press of a double click
    EXPECT_EQ(skips(), (std::vector<std::int32_t>{1, 1, 1}));
    EXPECT_EQ(form.stListBox1->ItemIndex(), 2);
}

TEST_F(ScanRanges, CloseRefusesAnInvalidAutoStoreRange) {
    form.AutoStoreButton->SetDown(true);
    form.AutoStoreButtonClick(nullptr);
    EXPECT_TRUE(form.WriteFromEdit->Enabled());
    form.WriteFromEdit->SetValue(950);
    form.WriteToEdit->SetValue(940);
    form.CloseButtonClick(nullptr);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Invalid auto store range");
    EXPECT_EQ(boxes[0].caption, "Range error");
    EXPECT_EQ(form.ModalResult(), plat::comp::mrNone) << "stays open";
    form.WriteToEdit->SetValue(960);
    form.CloseButtonClick(nullptr);
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_NE(form.ModalResult(), plat::comp::mrNone);
}

TEST_F(ScanRanges, DeleteAsksAndRemovesOnlyOnYes) {
    form.Ranges().push_back(std::make_unique<TRangeRecord>(Range(1, 10, 1)));
    form.stListBox1->SetLength(1);
    form.DeleteButtonClick(nullptr);
    EXPECT_TRUE(boxes.empty()) << "nothing selected";
    form.stListBox1->SetItemIndex(0);
    answer = plat::comp::IDNO;
    form.DeleteButtonClick(nullptr);
    EXPECT_EQ(form.Ranges().size(), 1u);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Remove range ?");
    EXPECT_EQ(boxes[0].caption, "Talvenor Q745");
    answer = plat::comp::IDYES;
    form.DeleteButtonClick(nullptr);
    EXPECT_TRUE(form.Ranges().empty());
    EXPECT_EQ(form.stListBox1->Count(), 0);
}

TEST_F(ScanRanges, RowsShowTheSelectionAndATickForRangesTheScannerTakes) {
    plat::sys::FakeClock clock;
    plat::sys::ScopedClock scoped(clock);
    plat::comp::Application().ResetTerminated();
    form.Ranges().push_back(std::make_unique<TRangeRecord>(Range(118'000'000, 137'000'000, 25'000)));
    form.Ranges().push_back(std::make_unique<TRangeRecord>(Range(156'000'000, 162'000'000, 12'500)));
    form.Ranges().back()->skip = 1;
    form.stListBox1->SetLength(2);
    form.stListBox1->SetItemIndex(0);
    form.Show();
    plat::comp::Application().ProcessMessages();
    const auto picture = plat::win::CaptureWindow(form.Handle());
    ASSERT_TRUE(picture);
    std::filesystem::create_directories(LXQ_SCREENSHOT_DIR);
    plat::win::SaveScreenshot(std::string(LXQ_SCREENSHOT_DIR) + "/scan-ranges.png", form.Handle());
    const plat::comp::TPoint origin = form.stListBox1->ClientToScreen({0, 0});
    auto at = [&](int x, int y) { return picture->GetPixel(origin.x - form.Left() + x, origin.y - form.Top() + y); };
    EXPECT_EQ(at(17, 8), 0x636363u) << "selected row";
    EXPECT_EQ(at(17, 24), 0x404040u) << "other row";
    // A standard check box, 13 pixels square, 2 from the left and centred in the 16-pixel row: a
    // sunken frame round a white field, the tick in black.
    const auto shadow = static_cast<std::uint32_t>(plat::comp::ColorToRGB(plat::comp::clBtnShadow));
    const auto darkShadow = static_cast<std::uint32_t>(plat::comp::ColorToRGB(plat::comp::cl3DDkShadow));
    for (int row : {0, 16}) {
        EXPECT_EQ(at(2, row + 1), shadow) << "outer ring " << row;
        EXPECT_EQ(at(3, row + 2), darkShadow) << "inner ring " << row;
        EXPECT_EQ(at(5, row + 4), 0xFFFFFFu) << "field " << row;
    }
    const std::pair<int, int> tick[] = {{5, 8}, {7, 10}, {9, 8}, {11, 6}};
    for (auto [x, y] : tick) {
        EXPECT_EQ(at(x, y), 0x000000u) << "ticked (scanned) at " << x << "," << y;
        EXPECT_EQ(at(x, y + 16), 0xFFFFFFu) << "not ticked (skipped) at " << x << "," << y;
    }
    EXPECT_EQ(at(10, 4), 0xFFFFFFu) << "a tick, not a filled square";
    form.Hide();
}

TEST(RangeSquelchColumn, ShowsLevelAndTheFirstSecondaryType) {
    struct Case {
        std::uint32_t types;
        std::string text;
    };
    const Case cases[] = {
        {0, "none"},
        {kSquelchLevel, "-110"},
        {kSquelchNoise, "N40"},
        {kSquelchLevel | kSquelchVoice, "-110/V60"},
        {kSquelchCtcss, "C88.5"},
        {kSquelchLevel | kSquelchDcs, "-110/D-023"},
        {kSquelchNoise | kSquelchDcs, "N40"},
    };
    TRangeRecord r{};
    r.levelSquelch = -110;
    r.noiseSquelch = 40;
    r.voiceSquelch = 60;
    r.ctcss = 88'500;
    r.dcs = -19; // code 023 inverted
    for (const Case& c : cases) {
        r.activeSquelch = static_cast<std::int32_t>(c.types);
        EXPECT_EQ(RangeSquelchText(r), c.text) << c.types;
    }
}

TEST_F(ScanRanges, TheEditorProposesTheWholeRangeAndStoresEveryValue) {
    TNewRangeForm& editor = *form.NewRangeForm;
    editor.RunModal = [&](plat::comp::TForm&) {
        EXPECT_EQ(editor.LowerEdit->Value(), 10'000);
        EXPECT_EQ(editor.UpperEdit->Value(), 1'800'000'000);
        EXPECT_EQ(editor.StepEdit->Value(), 1000);
        EXPECT_FALSE(editor.Squelch->Level->Down());
        EXPECT_FALSE(editor.Squelch->Dcs->Down());
        // Lower above upper is stored as entered; DCS 023 inverted, one step up from 006.
        editor.LowerEdit->SetValue(200'000'000);
        editor.UpperEdit->SetValue(100'000'000);
        editor.StepMode(2);
        editor.Squelch->Dcs->SetDown(true);
        editor.Squelch->Inverted->SetDown(true);
        editor.Squelch->StepDcs(5);
        editor.Squelch->LevelEdit->SetValue(-100);
        editor.DescriptionEdit->SetText("marine");
        return mrOk;
    };
    form.NewButtonClick(nullptr);
    ASSERT_EQ(form.Ranges().size(), 1u);
    const TRangeRecord& r = *form.Ranges().front();
    EXPECT_EQ(r.lower, 200'000'000);
    EXPECT_EQ(r.upper, 100'000'000);
    EXPECT_EQ(r.mode, 5);
    EXPECT_EQ(r.dcs, -19);
    EXPECT_EQ(r.levelSquelch, -100) << "stored whatever the toggle";
    EXPECT_EQ(r.activeSquelch, static_cast<std::int32_t>(kSquelchDcs));
    EXPECT_EQ(r.skip, 0);
    EXPECT_STREQ(r.description, "marine");
    EXPECT_EQ(form.stListBox1->Count(), 1);

    // Edited again: the controls show it, "R" down for the negative code; Cancel changes nothing.
    form.stListBox1->SetItemIndex(0);
    editor.RunModal = [&](plat::comp::TForm&) {
        EXPECT_TRUE(editor.Squelch->Dcs->Down());
        EXPECT_TRUE(editor.Squelch->Inverted->Down());
        EXPECT_EQ(editor.Squelch->DcsPosition(), 5);
        EXPECT_EQ(editor.ModePosition(), 2);
        editor.StepEdit->SetValue(5);
        return plat::comp::mrCancel;
    };
    form.EditButtonClick(nullptr);
    EXPECT_EQ(form.Ranges().front()->step, 1000);

    // A description too long for its field loses whole characters only.
    editor.RunModal = [&](plat::comp::TForm&) {
        editor.DescriptionEdit->SetText(std::string(30, 'm') + "\xC3\xA9");
        return mrOk;
    };
    form.EditButtonClick(nullptr);
    EXPECT_EQ(std::string(form.Ranges().front()->description), std::string(30, 'm'));
}

} // namespace
} // namespace lxq
