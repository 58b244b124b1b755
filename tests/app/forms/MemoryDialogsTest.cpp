// The memory dialogs on a running front panel (demonstration receiver, fake clock): the store
// dialog's numbering, replacing, hotkeys and squelch fields, the recall list's rows, tuning,
// deleting and sorting, and the small dialogs for groups, LED, display offset and the about box.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/controls/FloatText.h"
#include "app/controls/TmyFrequencyEdit.h"
#include "app/controls/TmyIntEdit.h"
#include "app/controls/TmyLabel.h"
#include "app/controls/TstEdit.h"
#include "app/controls/TstListBox.h"
#include "app/controls/TstSpeedButton.h"
#include "app/forms/MemoryCsv.h"
#include "app/forms/SquelchCodes.h"
#include "app/forms/SquelchTexts.h"
#include "app/controls/TstPanel.h"
#include "app/forms/TAboutForm.h"
#include "app/forms/TGroupForm.h"
#include "app/forms/TLEDform.h"
#include "app/forms/TMemoryForm.h"
#include "app/forms/TOffsetForm.h"
#include "app/forms/TQ7form.h"
#include "app/forms/TRecallForm.h"
#include "app/receiver/MainThread.h"
#include "app/receiver/TmyKVRserver.h"
#include "app/receiver/TmyQ745.h"
#include "platform/components/TApplication.h"
#include "platform/components/TBitmap.h"
#include "platform/components/TButton.h"
#include "platform/components/TLabel.h"
#include "platform/components/TMenuItem.h"
#include "platform/components/TMessageForm.h"
#include "platform/gdi/TextMetrics.h"
#include "platform/sys/Module.h"
#include "platform/sys/SettingsStore.h"
#include "platform/win/InputApi.h"
#include "platform/win/ScreenApi.h"
#include "platform/win/VirtualKeys.h"
#include "tests/app/receiver/plugin/TestPluginState.h"
#include "tests/platform/components/UiTest.h"
#include "tests/platform/sys/TempFolder.h"
#include "tests/support/ScreenshotPath.h"
#include "tests/app/forms/DemoPanel.h"
#include "tests/support/ByValue.h"

namespace lxq {
namespace {

using namespace plat::comp;
using plat::comp::test::ModalScript;
using test::Channel;
using test::DemoPanel;

class MemoryDialogs : public DemoPanel {};

void PressOK(TMemoryForm& f) { f.OKButton->Click(); }
void PressCancel(TMemoryForm& f) { f.CancelButton->Click(); }

// --- texts -------------------------------------------------------------------------------------

TEST(MemoryTexts, SquelchCellsTonesCodesAndGroupHints) {
    const auto channel = [](std::int32_t level, std::uint32_t type, std::int32_t value, std::uint32_t flags) {
        TMemoryRecord r = NewMemoryRecord();
        r.levelSquelch = level;
        r.squelchType = static_cast<std::int32_t>(type);
        r.squelchValue = value;
        r.flags = flags;
        return r;
    };
    const struct {
        TMemoryRecord r;
        const char* expected;
    } cells[] = {
        {channel(0, 0, 0, 0), "none"},
        {channel(-90, 0, 0, kMemKeepSquelch), "-"},
        {channel(-90, 0, 0, 0), "-90"},
        {channel(0, kSquelchNoise, 40, 0), "N40"},
        {channel(-100, kSquelchVoice, 7, 0), "-100/V7"},
        {channel(0, kSquelchCtcss, 88500, 0), "C88.5"},
        {channel(-120, kSquelchDcs, -19, 0), "-120/D-023"},
        {channel(0, kSquelchDcs, 492, 0), "D754"},
    };
    for (const auto& c : cells) EXPECT_EQ(SquelchSummary(c.r), c.expected) << c.expected;
    EXPECT_EQ(CtcssText(62500), "62.5");
    EXPECT_EQ(CtcssText(100000), "100.0");
    EXPECT_EQ(DcsText(6), "006");
    EXPECT_EQ(DcsText(INT32_MIN).front(), '-') << "no overflow for the most negative value";
    EXPECT_EQ(GroupsHint(0), "");
    EXPECT_EQ(GroupsHint(0x8000 | 0x0800 | 0x0001), "Groups: 1 5 16 ");
}

TEST(MemoryTexts, RecallRowsMarkLockoutAndChannelsWithoutMode) {
    TMemoryRecord r = Channel(12, 145'500'000);
    r.mode = 2;
    std::strcpy(r.callsign, "DL0ABC");
    std::strcpy(r.comments, "repeater");
    auto texts = TRecallForm::RowTexts(r);
    EXPECT_EQ(texts[0], " 12");
    EXPECT_EQ(texts[1], Freq2str(145'500'000));
    EXPECT_EQ(texts[2], "FMN");
    EXPECT_EQ(texts[4], "DL0ABC");
    EXPECT_EQ(texts[5], "none");
    EXPECT_EQ(texts[6], "repeater");
    r.flags = kMemLockout | kMemKeepMode;
    texts = TRecallForm::RowTexts(r);
    EXPECT_EQ(texts[0], "x12");
    EXPECT_EQ(texts[2], "-");
}

// --- store dialog ------------------------------------------------------------------------------

TEST_F(MemoryDialogs, ANewChannelTakesTheLowestFreeNumberAndCancelLeavesTheListAlone) {
    StartPanel();
    const struct {
        std::vector<std::int32_t> used;
        std::int32_t expected;
    } cases[] = {{{}, 1}, {{1, 2, 4}, 3}, {{2, 3}, 1}, {{1, 2, 3}, 4}};
    for (const auto& c : cases) {
        form->Memories().clear();
        for (std::int32_t n : c.used) Add(Channel(n, 1'000'000 * n));
        std::int32_t offered = 0;
        EXPECT_EQ(Edit(-1, {[&](TMemoryForm& f) {
                      offered = f.myIntEdit1->Value();
                      PressCancel(f);
                  }}),
                  mrCancel);
        EXPECT_EQ(offered, c.expected);
        EXPECT_EQ(Numbers(), c.used) << "cancelled: nothing added";
    }
}

TEST_F(MemoryDialogs, StoringAnUnchangedChannelAsksNothingAndTellsThePlugIns) {
    plat::sys::testing::TempFolder config;
    setenv("XDG_CONFIG_HOME", config.Path().c_str(), 1);
    plat::sys::SettingsStore().WriteString("Software\\KVR", "SearchPath", LXQ_FORMS_PLUGIN_DIR);
    auto module = plat::sys::Module::Load(std::string(LXQ_FORMS_PLUGIN_DIR) + "/demodulator.kvr");
    ASSERT_TRUE(module);
    TestPluginState& plugin = *reinterpret_cast<TestPluginStateProc>(module->Symbol("testPluginState"))();
    StartPanel();
    form->KVR->LoadPlugins();
    ASSERT_GT(form->KVR->StartPlugin("Q745 Demodulator"), 0);
    Add(Channel(5, 7'100'000));
    Add(Channel(9, 14'200'000));
    plugin.calls.clear();
    EXPECT_EQ(Edit(1, {PressOK}), mrOk);
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(Numbers(), (std::vector<std::int32_t>{5, 9}));
    ASSERT_EQ(plugin.Count(0x201), 1);
    for (const auto& c : plugin.calls)
        if (c.uMsg == 0x201) {
            EXPECT_EQ(c.dwParam, 9u);
            EXPECT_EQ(c.cbData, 100u);
        }
    form->KVR->StopAll();
    form.reset();
    unsetenv("XDG_CONFIG_HOME");
}

TEST_F(MemoryDialogs, ANumberHeldByAnotherChannelIsReplacedOnlyAfterYes) {
    StartPanel();
    TMemoryRecord other = Channel(3, 145'500'000);
    other.mode = 2;
    std::strcpy(other.callsign, "DB0XYZ");
    Add(other);
    Add(Channel(7, 7'100'000));
    bool stillOpen = false;
    // No: both channels stay and the dialog stays open; Cancel then leaves everything.
    EXPECT_EQ(Edit(1, {[&](TMemoryForm& f) {
                           f.myIntEdit1->SetValue(3);
                           EXPECT_EQ(f.myIntEdit1->Font().Color(), clRed) << "in use";
                           PressOK(f);
                           stillOpen = f.Visible() && f.ModalResult() == mrNone;
                           PressCancel(f);
                       }}),
              mrCancel);
    EXPECT_TRUE(stillOpen);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(lxq_test::ByValue(boxes[0].text), "Replace the existing memory entry ?\n\nFrequency=" + Freq2str(145'500'000) +
                                 "\nMode=FMN\nCallsign: DB0XYZ");
    EXPECT_EQ(lxq_test::ByValue(boxes[0].caption), "Memory number exists");
    EXPECT_EQ(lxq_test::ByValue(boxes[0].flags), MB_YESNO | MB_ICONQUESTION | MB_TOPMOST);
    EXPECT_EQ(Numbers(), (std::vector<std::int32_t>{3, 7}));

    answers = {IDYES};
    EXPECT_EQ(Edit(1, {[](TMemoryForm& f) {
                  f.myIntEdit1->SetValue(3);
                  PressOK(f);
              }}),
              mrOk);
    ASSERT_EQ(Numbers(), (std::vector<std::int32_t>{3}));
    EXPECT_EQ(lxq_test::ByValue(form->Memories()[0]->frequency), 7'100'000) << "the edited channel kept";
    ASSERT_EQ(form->MemoriesByFrequency()->size(), 1u) << "the view names no freed channel";
    EXPECT_EQ(form->MemoriesByFrequency()->front(), form->Memories()[0].get());
}

TEST_F(MemoryDialogs, TheDialogWritesModeFlagsGroupsTextsAndSquelchBack) {
    StartPanel();
    Add(Channel(1, 7'000'000));
    EXPECT_EQ(Edit(0, {[](TMemoryForm& f) {
                  f.StoreModeButton->SetDown(false);
                  f.StoreModeButtonClick(f.StoreModeButton);
                  EXPECT_FALSE(f.ModeText->Enabled());
                  int step = 2;
                  f.ModeUpDownDirection(nullptr, step); // position 2: FMN
                  f.GroupButtons[0]->SetDown(true);
                  f.GroupButtons[15]->SetDown(true);
                  f.CallsignEdit->SetText("ABCDEFGHIJKLMNO");
                  f.CommentsEdit->SetText(std::string(40, 'c'));
                  f.LockoutButton->SetDown(true);
                  f.DcsButton->SetDown(true);
                  f.DcsInvertedButton->SetDown(true);
                  f.SquelchButtonClick(f.DcsButton);
                  int five = 5;
                  f.DcsUpDownDirection(nullptr, five);
                  EXPECT_EQ(f.DcsText->Text(), "-023");
                  PressOK(f);
              }}),
              mrOk);
    const TMemoryRecord& r = *form->Memories()[0];
    EXPECT_EQ(r.flags & (kMemLockout | kMemKeepMode | kMemKeepSquelch), kMemLockout | kMemKeepMode);
    EXPECT_EQ(r.mode, 2) << "the mode of the position, stored although the mode is not";
    EXPECT_EQ(r.groups, 0x8001u);
    EXPECT_STREQ(r.callsign, "ABCDEFGHIJK");
    EXPECT_EQ(std::string(r.comments), std::string(31, 'c'));
    EXPECT_EQ(r.squelchType, static_cast<std::int32_t>(kSquelchDcs));
    EXPECT_EQ(r.squelchValue, -19);

    // Opened again: the inverted code shows with its minus sign; a tone not in the table leaves
    // the tone position where it was.
    form->Memories()[0]->squelchType = static_cast<std::int32_t>(kSquelchDcs);
    Edit(0, {[](TMemoryForm& f) {
        EXPECT_TRUE(f.DcsInvertedButton->Down());
        EXPECT_EQ(f.DcsText->Text(), "-023");
        int up = 3;
        f.CtcssUpDownDirection(nullptr, up);
        PressCancel(f);
    }});
    form->Memories()[0]->squelchType = static_cast<std::int32_t>(kSquelchCtcss);
    form->Memories()[0]->squelchValue = 12345;
    Edit(0, {[](TMemoryForm& f) {
        EXPECT_TRUE(f.CtcssButton->Down());
        EXPECT_EQ(f.CtcssPosition(), 3);
        EXPECT_EQ(f.CtcssText->Text(), "69.3");
        PressCancel(f);
    }});
}

TEST_F(MemoryDialogs, LongTextsAreCutBeforeAWholeCharacter) {
    StartPanel();
    Add(Channel(1, 7'000'000));
    const struct {
        std::string callsign, comments; // as entered
        std::string storedCallsign, storedComments;
    } cases[] = {
        {"abcdefghij\xC3\xA9", std::string(30, 'c') + "\xC3\xA9", "abcdefghij", std::string(30, 'c')},
        {"abcdefghi\xC3\xA9", std::string(29, 'c') + "\xE2\x82\xAC", "abcdefghi\xC3\xA9", std::string(29, 'c')},
        {"\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC", "x", "\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC", "x"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.callsign);
        Edit(0, {[&](TMemoryForm& f) {
            f.CallsignEdit->SetText(c.callsign);
            f.CommentsEdit->SetText(c.comments);
            PressOK(f);
        }});
        const TMemoryRecord& r = *form->Memories()[0];
        EXPECT_EQ(std::string(r.callsign), c.storedCallsign);
        EXPECT_EQ(std::string(r.comments), c.storedComments);
        Edit(0, {[&](TMemoryForm& f) {
            EXPECT_EQ(f.CallsignEdit->Text(), c.storedCallsign) << "shown again as stored";
            PressCancel(f);
        }});
    }
}

TEST_F(MemoryDialogs, AHotkeyTakenFromAnotherChannelLeavesIt) {
    StartPanel();
    TMemoryRecord a = Channel(1, 1'000'000);
    a.hotkey = 2;
    Add(a);
    form->RebuildSortedMemories();
    ASSERT_TRUE(form->HotkeyUsed()[2]);
    EXPECT_EQ(Edit(-1, {[](TMemoryForm& f) {
                  EXPECT_EQ(f.HotkeyText->Text(), "F3") << "the first free one";
                  EXPECT_EQ(f.HotkeyText->Font().Color(), clLime);
                  int down = -1;
                  f.HotkeyUpDownDirection(nullptr, down);
                  EXPECT_EQ(f.HotkeyText->Text(), "F2");
                  EXPECT_EQ(f.HotkeyText->Font().Color(), clRed) << "another channel holds it";
                  PressOK(f);
              }}),
              mrOk);
    form->RebuildSortedMemories();
    ASSERT_EQ(Numbers(), (std::vector<std::int32_t>{1, 2}));
    EXPECT_EQ(form->Memories()[0]->hotkey, 0) << "taken away";
    EXPECT_EQ(form->Memories()[1]->hotkey, 2);

    // Every hotkey in use: a new channel offers none.
    for (int k = 2; k <= 12; ++k) {
        TMemoryRecord r = Channel(100 + k, 1'000'000);
        r.hotkey = k;
        Add(r);
    }
    form->RebuildSortedMemories();
    Edit(-1, {[](TMemoryForm& f) {
        EXPECT_EQ(f.HotkeyText->Text(), "None");
        PressCancel(f);
    }});
}

TEST_F(MemoryDialogs, TheStoreButtonStoresTheReceiverStateAsTheNextChannel) {
    StartPanel();
    Add(Channel(1, 1'000'000));
    form->Q7->SetFreq(145'500'000);
    ModalScript script;
    script.Then([](TCustomForm& f) {
        const std::string png = lxq_test::ScreenshotPath("store-frequency.png");
        EXPECT_TRUE(plat::win::SaveScreenshot(png, f.Handle()));
        static_cast<TMemoryForm&>(f).OKButton->Click();
    });
    form->stSpeedButton12Click(form->stSpeedButton12);
    EXPECT_TRUE(script.Done());
    ASSERT_EQ(Numbers(), (std::vector<std::int32_t>{1, 2}));
    EXPECT_EQ(lxq_test::ByValue(form->Memories()[1]->frequency), 145'500'000);
    EXPECT_EQ(form->myIntEdit1->Value(), 2);
}

// --- recall list -------------------------------------------------------------------------------

TEST_F(MemoryDialogs, RecallingAChannelTunesFrequencyModeSquelchAndBandwidth) {
    StartPanel();
    TMemoryRecord r = Channel(4, 145'500'000);
    r.mode = 2;
    r.levelSquelch = -100;
    r.squelchType = static_cast<std::int32_t>(kSquelchCtcss);
    r.squelchValue = 88500;
    r.bandwidth = 12'000;
    Add(r);
    TMemoryRecord keep = Channel(5, 7'100'000);
    keep.mode = 4;
    keep.flags = kMemKeepMode | kMemKeepSquelch;
    keep.bandwidth = 3'000;
    Add(keep);
    TRecallForm& recall = *form->RecallForm;
    recall.SetMemoryList(form->Memories());
    EXPECT_EQ(recall.Caption(), "Recall frequency      [Q7memory.45m]");

    recall.RecallEntry(0);
    EXPECT_EQ(form->Q7->GetFreq(), 145'500'000);
    EXPECT_EQ(form->Q7->GetMode(), 2);
    EXPECT_EQ(form->Q7->SquelchTypes(), kSquelchLevel | kSquelchCtcss);
    EXPECT_EQ(form->Q7->SquelchSettings().level, form->Q7->SQtoKVR(-100));
    EXPECT_EQ(form->Q7->SquelchSettings().ctcss, 88500u);
    EXPECT_EQ(form->Q7->GetBandwidth(), 12'000);
    EXPECT_EQ(recall.ListBox1->ItemIndex(), 0);
    EXPECT_EQ(form->myIntEdit1->Value(), 4);

    recall.RecallEntry(1);
    EXPECT_EQ(form->Q7->GetFreq(), 7'100'000);
    EXPECT_EQ(form->Q7->GetMode(), 2) << "a channel without mode keeps the receiver's";
    EXPECT_EQ(form->Q7->SquelchTypes(), kSquelchLevel | kSquelchCtcss) << "and its squelch";
    EXPECT_EQ(form->Q7->GetBandwidth(), 3'000);

    for (int outside : {-1, 2}) recall.RecallEntry(outside);
    EXPECT_EQ(form->Q7->GetFreq(), 7'100'000);

    recall.Show();
    plat::comp::test::ClickAt(recall.ListBox1, 20, 5);
    EXPECT_EQ(form->Q7->GetFreq(), 145'500'000) << "a click on a row tunes to it";
    EXPECT_EQ(recall.ListBox1->ItemIndex(), 0);
    recall.Hide();
}

// Channels may share a frequency: the one clicked is the one the panel shows, its number and its
// callsign, also once the tuning has settled.
TEST_F(MemoryDialogs, OfChannelsOnOneFrequencyTheClickedOneIsShown) {
    StartPanel();
    const char* names[] = {"TOWER", "GROUND", "ATIS"};
    for (int i = 0; i < 3; ++i) {
        TMemoryRecord r = Channel(902 + 3 * i, 118'100'000);
        std::memcpy(r.callsign, names[i], std::strlen(names[i]));
        Add(r);
    }
    Add(Channel(910, 7'100'000));
    TRecallForm& recall = *form->RecallForm;
    recall.SetMemoryList(form->Memories());
    recall.Show();
    for (int row : {0, 1, 2, 0}) {
        SCOPED_TRACE(row);
        plat::comp::test::ClickAt(recall.ListBox1, 20, row * TRecallForm::kRowHeight + 5);
        for (int i = 0; i < 50; ++i) {
            clock.AdvanceMs(20);
            Application().ProcessMessages();
        }
        EXPECT_EQ(form->Q7->GetFreq(), 118'100'000);
        EXPECT_EQ(form->myIntEdit1->Value(), 902 + 3 * row);
        EXPECT_EQ(form->myLabel16->Caption(), names[row]);
        EXPECT_EQ(recall.ListBox1->ItemIndex(), row);
    }
    recall.Hide();
}

TEST_F(MemoryDialogs, DeleteAsksAndEditAndDeleteNeedARow) {
    StartPanel();
    TRecallForm& recall = *form->RecallForm;
    recall.SetMemoryList(form->Memories());
    recall.EditButtonClick(nullptr);
    recall.DeleteButtonClick(nullptr);
    EXPECT_TRUE(boxes.empty()) << "an empty list: nothing to ask";
    EXPECT_EQ(recall.ListBox1->Count(), 0);

    Add(Channel(1, 1'000'000));
    Add(Channel(2, 2'000'000));
    recall.SetMemoryList(form->Memories());
    EXPECT_EQ(recall.ListBox1->Count(), 2);
    recall.RecallEntry(1);
    recall.DeleteButtonClick(nullptr);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Remove frequency ?");
    EXPECT_EQ(boxes[0].caption, "Talvenor Q745");
    EXPECT_EQ(Numbers(), (std::vector<std::int32_t>{1, 2})) << "No keeps it";
    answers = {IDYES};
    recall.DeleteButtonClick(nullptr);
    EXPECT_EQ(Numbers(), (std::vector<std::int32_t>{1}));
    EXPECT_EQ(recall.ListBox1->Count(), 1);
    EXPECT_EQ(form->MemoriesByFrequency()->size(), 1u);
}

TEST_F(MemoryDialogs, EditingFromTheListFollowsAReplacedChannel) {
    StartPanel();
    Add(Channel(1, 1'000'000));
    Add(Channel(2, 2'000'000));
    TRecallForm& recall = *form->RecallForm;
    recall.SetMemoryList(form->Memories());
    recall.RecallEntry(1);
    answers = {IDYES};
    ModalScript script;
    script.Then([](TCustomForm& f) {
        auto& dialog = static_cast<TMemoryForm&>(f);
        dialog.myIntEdit1->SetValue(1);
        dialog.OKButton->Click();
    });
    recall.EditButtonClick(nullptr);
    EXPECT_TRUE(script.Done());
    ASSERT_EQ(Numbers(), (std::vector<std::int32_t>{1}));
    EXPECT_EQ(lxq_test::ByValue(form->Memories()[0]->frequency), 2'000'000);
    EXPECT_EQ(recall.ListBox1->Count(), 1) << "no row left for the replaced channel";
}

TEST_F(MemoryDialogs, AnOpenRecallWindowFollowsImportAndDeleteAll) {
    StartPanel();
    Add(Channel(1, 1'000'000));
    form->RebuildSortedMemories();
    form->stSpeedButton15Click(nullptr); // "R"
    TRecallForm& recall = *form->RecallForm;
    ASSERT_TRUE(recall.Visible());
    ASSERT_EQ(recall.ListBox1->Count(), 1);
    const std::string csv = dir.File("two.csv");
    std::ofstream(csv) << MemoryCsvHeader() << "\r\n"
                       << MemoryCsvLine(Channel(2, 2'000'000)) << "\r\n"
                       << MemoryCsvLine(Channel(3, 3'000'000)) << "\r\n";
    form->ImportCSV(csv);
    EXPECT_EQ(recall.ListBox1->Count(), 3);
    answers = {IDYES};
    form->Clear1->Click(); // "Delete all frequencies ?"
    EXPECT_EQ(recall.ListBox1->Count(), 0);
    recall.Hide();
}

TEST_F(MemoryDialogs, WhileAnImportErrorIsShownTheFrequencyViewHoldsOnlyLiveChannels) {
    StartPanel();
    Add(Channel(1, 1'000'000));
    Add(Channel(2, 2'000'000));
    form->RebuildSortedMemories();
    // Channel 1 is replaced and channel 4 added, then a bad line puts up its message box.
    const std::string csv = dir.File("replace.csv");
    std::ofstream(csv) << MemoryCsvHeader() << "\r\n"
                       << MemoryCsvLine(Channel(1, 1'500'000)) << "\r\n"
                       << MemoryCsvLine(Channel(4, 4'000'000)) << "\r\n"
                       << "\"3\",\"x\"\r\n";
    int shown = 0;
    form->ShowMessageBox = [&](const std::string& text, const std::string&, std::uint32_t) {
        ++shown;
        EXPECT_EQ(text, "Incorrect frequency on line 3");
        const MemoryView& view = *form->MemoriesByFrequency();
        EXPECT_EQ(view.size(), form->Memories().size());
        for (const TMemoryRecord* r : view) {
            const bool live = std::any_of(form->Memories().begin(), form->Memories().end(),
                                          [r](const auto& m) { return m.get() == r; });
            EXPECT_TRUE(live) << "the view points at a channel the import has freed";
        }
        return IDOK;
    };
    form->ImportCSV(csv);
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(lxq_test::ByValue((*form->MemoriesByFrequency())[0]->frequency), 1'500'000);
}

TEST_F(MemoryDialogs, ChannelNumbersStayWithinOneToNineThousandNineHundredNinetyNine) {
    // The store dialog takes no number beyond the range.
    StartPanel();
    Edit(-1, {[](TMemoryForm& f) {
                  f.myIntEdit1->SetValue(1'000'000'000);
                  EXPECT_EQ(f.myIntEdit1->Value(), 9999);
                  PressOK(f);
              }});
    EXPECT_EQ(Numbers(), (std::vector<std::int32_t>{9999}));
    form.reset();

    // A file from before (#10000, #0) loads with free numbers; export and import keep them unique.
    std::vector<TMemoryRecord> old = {Channel(10000, 1'000'000), Channel(1, 2'000'000), Channel(0, 3'000'000)};
    std::string bytes;
    for (TMemoryRecord& r : old) {
        r.checksum = MemoryChecksum(r);
        bytes.append(reinterpret_cast<const char*>(&r), sizeof r);
    }
    std::filesystem::create_directories(dir.Path() + "/Talvenor/Q745");
    std::ofstream(dir.Path() + "/Talvenor/Q745/Q7memory.45m", std::ios::binary) << bytes;
    StartPanel();
    std::vector<std::int32_t> loaded = Numbers();
    std::sort(loaded.begin(), loaded.end());
    EXPECT_EQ(loaded, (std::vector<std::int32_t>{1, 2, 3}));
    form->ExportCSV(dir.File("all.csv"));
    form->ImportCSV(dir.File("all.csv"));
    std::vector<std::int32_t> again = Numbers();
    std::sort(again.begin(), again.end());
    EXPECT_EQ(again, loaded) << "each channel replaced itself";
}

TEST_F(MemoryDialogs, AHeaderClickSortsByItsColumnAndGreysIt) {
    StartPanel();
    const std::pair<std::int32_t, std::int32_t> channels[] = {{1, 5}, {2, 0}, {3, 2}};
    for (auto [number, mode] : channels) {
        TMemoryRecord r = Channel(number, 1'000'000 * number);
        r.mode = mode;
        Add(r);
    }
    TRecallForm& recall = *form->RecallForm;
    recall.SetMemoryList(form->Memories());
    TmyLabel* mode = recall.HeaderLabels[2];
    ASSERT_EQ(mode->Caption(), "Mode");
    recall.HeaderLabelClick(mode);
    EXPECT_FALSE(mode->Enabled());
    EXPECT_TRUE(recall.HeaderLabels[0]->Enabled());
    EXPECT_EQ(form->Settings().memSort, 2);
    EXPECT_EQ(Numbers(), (std::vector<std::int32_t>{2, 3, 1})) << "CW, FMN, USB";
    recall.HeaderLabelClick(recall.HeaderLabels[0]);
    EXPECT_EQ(Numbers(), (std::vector<std::int32_t>{1, 2, 3}));
    EXPECT_TRUE(mode->Enabled());
}

TEST_F(MemoryDialogs, TheGroupHintNamesTheGroupsOfTheRowUnderThePointer) {
    StartPanel();
    TMemoryRecord grouped = Channel(1, 1'000'000);
    grouped.groups = 0x8000 | 0x4000;
    Add(grouped);
    Add(Channel(2, 2'000'000));
    TRecallForm& recall = *form->RecallForm;
    recall.SetMemoryList(form->Memories());
    recall.ListBox1MouseMove(nullptr, 0, 10, 5);
    EXPECT_EQ(recall.ListBox1->Hint(), "Groups: 1 2 ");
    recall.ListBox1MouseMove(nullptr, 0, 10, TRecallForm::kRowHeight + 5);
    EXPECT_EQ(recall.ListBox1->Hint(), "") << "a row without groups has no hint";
}

TEST_F(MemoryDialogs, TheRecallListDrawsItsRows) {
    StartPanel();
    TMemoryRecord r = Channel(1, 145'500'000);
    r.groups = 0xFFFF;
    std::strcpy(r.callsign, "DL0ABC");
    Add(r);
    Add(Channel(2, 7'100'000));
    TRecallForm& recall = *form->RecallForm;
    recall.SetMemoryList(form->Memories());
    recall.Show();
    recall.RecallEntry(0);
    Application().ProcessMessages();
    const std::string png = lxq_test::ScreenshotPath("recall-list.png");
    ASSERT_TRUE(plat::win::SaveScreenshot(png, recall.Handle()));
    EXPECT_GT(std::filesystem::file_size(png), 1000u);
    recall.Hide();
}

// --- groups, LED, display offset, about --------------------------------------------------------

TEST_F(MemoryDialogs, GroupDialogButtonsAreTheGroupsInOrderAndEscapeCancels) {
    StartPanel();
    TGroupForm& groups = *form->GroupForm;
    for (int i = 0; i < 16; ++i) EXPECT_EQ(groups.Groups[static_cast<std::size_t>(i)]->Caption(), std::to_string(i + 1));
    ModalScript script;
    script.Then([](TCustomForm& f) {
        std::uint16_t key = plat::win::VK_ESCAPE;
        static_cast<TGroupForm&>(f).FormKeyDown(nullptr, key, 0);
        EXPECT_EQ(key, 0) << "swallowed";
    });
    EXPECT_EQ(groups.ShowModal(), mrCancel);
}

TEST_F(MemoryDialogs, OnlyAnOffsetOfZeroOrBelowCanBeConfirmed) {
    StartPanel();
    TOffsetForm& offset = *form->OffsetForm;
    const struct {
        std::int64_t hz;
        bool confirmed;
    } cases[] = {{1, false}, {0, true}, {TOffsetForm::kDownconverterOffset, true}};
    for (const auto& c : cases) {
        offset.SetModalResult(mrNone);
        offset.OffsetEdit->SetValue(c.hz);
        offset.OKButtonClick(nullptr);
        EXPECT_EQ(offset.ModalResult() == mrOk, c.confirmed) << c.hz;
    }
    offset.DownconverterButton->SetDown(true);
    offset.DownconverterButtonClick(nullptr);
    EXPECT_EQ(offset.OffsetEdit->Value(), -1'700'000'000);
    offset.DownconverterButton->SetDown(false);
    offset.DownconverterButtonClick(nullptr);
    EXPECT_EQ(offset.OffsetEdit->Value(), 0);
}

TEST_F(MemoryDialogs, TheLEDDialogPreviewsAndCancelPutsTheKeptSettingBack) {
    const struct {
        int choice;
        bool powered;
        std::uint8_t pattern;
    } previews[] = {{1, true, 255}, {2, true, 0}, {3, true, 95}, {3, false, 160}};
    for (const auto& p : previews) EXPECT_EQ(TLEDform::PreviewPattern(p.choice, p.powered), p.pattern);

    StartPanel();
    TLEDform& led = *form->LEDform;
    int restored = 0;
    led.OnRestoreLED = [&](TObject*) { ++restored; };
    form->Settings().led = 3;
    ModalScript script;
    script.Then([&](TCustomForm&) {
        EXPECT_TRUE(led.Choices[2]->Down()) << "the kept setting";
        led.Choices[1]->SetDown(true);
        led.ChoiceClick(led.Choices[1]);
        led.CancelButton->Click();
        script.Again();
    });
    script.Then([&](TCustomForm&) {
        led.Choices[0]->SetDown(true);
        led.OKButton->Click();
    });
    led.ShowModal();
    EXPECT_EQ(restored, 1);
    EXPECT_EQ(form->Settings().led, 3) << "Cancel keeps the setting";
    led.ShowModal();
    EXPECT_EQ(restored, 2) << "OK goes through Cancel";
    EXPECT_EQ(form->Settings().led, 1);
}

TEST_F(MemoryDialogs, EveryTextOfTheLEDDialogShowsWhole) {
    StartPanel();
    TLEDform& led = *form->LEDform;
    ASSERT_NE(led.IntroLabel, nullptr);
    TBitmap measure(1, 1);
    int labels = 0;
    for (int i = 0; i < led.ControlCount(); ++i) {
        auto* label = dynamic_cast<TLabel*>(led.Controls(i));
        if (!label) continue;
        ++labels;
        SCOPED_TRACE(label->Caption());
        measure.Canvas().Font().Assign(label->Font());
        TRect r{0, 0, label->Width(), 0};
        measure.Canvas().DrawText(label->Caption(), r,
                                  (label->WordWrap() ? plat::gdi::dt::WordBreak : 0u) | plat::gdi::dt::CalcRect);
        EXPECT_LE(r.Width(), label->Width());
        EXPECT_LE(r.Height(), label->Height());
        EXPECT_GE(label->Left(), 0);
        EXPECT_LE(label->Left() + label->Width(), led.ClientWidth());
    }
    EXPECT_GE(labels, 6);
}

TEST_F(MemoryDialogs, TheAboutBoxShowsTheVersionAndCtrlAltOnOKTogglesTheServiceMenu) {
    EXPECT_EQ(TAboutForm::VersionText(0x00010002, 0x00030004), "Version 1.23");
    EXPECT_EQ(TAboutForm::VersionText(0x0002000A, 0x00000000), "Version 2.100");
    StartPanel();
    TMenuItem debug(nullptr);
    form->Debug1 = &debug;
    TAboutForm& about = *form->AboutForm;
    const auto showAndRelease = [&](TShiftState shift) {
        ModalScript script;
        script.Then([&](TCustomForm&) {
            about.OKButtonMouseUp(nullptr, TMouseButton::mbLeft, shift, 1, 1);
            about.OKButton->Click();
        });
        about.ShowModal();
    };
    showAndRelease(ss::Ctrl);
    EXPECT_FALSE(form->ServiceMode()) << "Ctrl alone does nothing";
    showAndRelease(ss::Ctrl | ss::Alt);
    EXPECT_TRUE(form->ServiceMode());
    EXPECT_TRUE(debug.Visible());
    EXPECT_TRUE(debug.Enabled());
    EXPECT_EQ(about.ModelLabel->Caption(),
              "HW model " + form->Q7->GetProductName() + ", Serial No. " + form->Q7->GetSerialNum());
    showAndRelease(ss::Ctrl | ss::Alt);
    EXPECT_FALSE(form->ServiceMode());
    EXPECT_FALSE(debug.Visible());
    form->Debug1 = nullptr;
}

// The legal notice shows whole, every line of it as its width wraps it, with the web address
// and the button below it inside the box.
TEST_F(MemoryDialogs, TheAboutBoxShowsItsWholeLegalNotice) {
    StartPanel();
    TAboutForm& about = *form->AboutForm;
    ModalScript script;
    script.Then([&](TCustomForm&) {
        TBitmap scratch(1, 1);
        scratch.Canvas().Font().Assign(about.LegalLabel->Font());
        TRect needed{0, 0, about.LegalLabel->Width(), 0};
        scratch.Canvas().DrawText(about.LegalLabel->Caption(), needed,
                                  plat::gdi::dt::WordBreak | plat::gdi::dt::CalcRect);
        const int lineHeight = scratch.Canvas().TextHeight("Ag");
        EXPECT_GE(needed.Height(), 3 * lineHeight) << "three paragraphs";
        EXPECT_GE(about.LegalLabel->Height(), needed.Height());
        EXPECT_GE(about.WebLabel->Top(), about.LegalLabel->Top() + about.LegalLabel->Height());
        EXPECT_LE(about.WebLabel->Top() + about.WebLabel->Height(), about.Panel1->Height());
        EXPECT_EQ(about.ButtonPanel->Top(), about.Panel1->Height());
        EXPECT_EQ(about.ButtonPanel->Top() + about.ButtonPanel->Height(), about.ClientHeight());
        about.OKButton->Click();
    });
    about.ShowModal();
}

TEST_F(MemoryDialogs, TheAboutBoxIsDraggedByTheTravelSinceTheLastFreeMove) {
    StartPanel();
    TAboutForm& about = *form->AboutForm;
    about.SetBounds(100, 100, about.Width(), about.Height());
    about.DragMouseMove(nullptr, 0, 10, 10);
    about.DragMouseMove(nullptr, ss::Left, 30, 15);
    EXPECT_EQ(about.Left(), 120);
    EXPECT_EQ(about.Top(), 105);
}

} // namespace
} // namespace lxq
