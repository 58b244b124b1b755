// The demodulator's setup window against a started demodulator window, the stand-in receiver
// library and a sound card of files: its layout per receiver kind and mode, and what each control
// changes in the settings records, the demodulator and the audio objects.

#include "demod/ui/DemodWindow.h"
#include "demod/ui/HtmlHelp.h"
#include "demod/ui/ModeSettingsGroup.h"
#include "demod/ui/ModeTable.h"
#include "demod/ui/SetupWindow.h"
#include "demod/ui/StudyWindow.h"
#include "demod/ui/toolkit/RC_CellGrid.h"
#include "demod/ui/toolkit/RC_CheckBox.h"
#include "demod/ui/toolkit/RC_ComboBox.h"
#include "demod/ui/toolkit/RC_DeviceCombo.h"
#include "demod/ui/toolkit/RC_GroupFrame.h"
#include "demod/ui/toolkit/RC_Label.h"
#include "demod/ui/toolkit/RC_NumberEdit.h"
#include "demod/ui/toolkit/RC_TabControl.h"
#include "demod/ui/windows/RC_FilterView.h"
#include "platform/win/Win.h"
#include "tests/demod/ui/DemodTestKit.h"
#include "tests/demod/ui/toolkit/ToolkitTestKit.h"
#include "tests/support/ScreenshotPath.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace demod_test;
using toolkit_test::Pump;
namespace win = plat::win;

constexpr std::uint32_t kReceiver = 7;

class SetupWindowTest : public ::testing::Test {
protected:
    SetupWindowTest() {
        ResetApi();
        ResetHost();
        SetDefaultSettings(settings_);
    }
    ~SetupWindowTest() override {
        delete setup_;
        delete window_;
        Pump();
    }
    SetupWindow* Open(const char* product = "Q7PCIv1") {
        const auto caps = Caps("Talvenor Communications", product);
        window_ = new DemodWindow(kReceiver, caps.data(), &HostCallbackFn, &mask_, DemodWindow::InterfaceOf(product),
                                  FAKE_API_PATH);
        setup_ = new SetupWindow(window_, settings_, card_);
        setup_->Show(win::SW_SHOW); // as the "Setup" button shows it
        return setup_;
    }
    void Choose(int button) {
        window_->OnModeButton(button, false);
        setup_->Refresh();
    }
    // Typed into the focused control of the window that holds `w`.
    static void Type(RC_Window* w, const std::string& text) {
        for (char c : text) win::SendMessage(w->TopWindow()->Handle(), win::WM_CHAR, static_cast<unsigned char>(c), 0);
    }
    // The field's value as the user leaves it after typing.
    void Enter(RC_NumberEdit* field, const std::string& text) {
        field->Focus();
        field->SelectAll();
        Type(field, text);
        field->TopWindow()->Focus();
    }
    // The y of each field of a mode's settings group, top to bottom.
    std::vector<int> RowsOf(int modeIndex) {
        std::vector<int> ys;
        const int m = modeIndex;
        for (RC_NumberEdit* f : {setup_->PostMixerField(m), setup_->AudioGainField(m), setup_->AudioLengthField(m),
                                 m == kModeIsb ? setup_->HilbertField() : nullptr,
                                 m == kModeCw ? setup_->CwToneField() : nullptr, setup_->SagcReferenceField(m),
                                 setup_->NoiseSquelchField(m)})
            if (f != nullptr) ys.push_back(f->Y());
        return ys;
    }

    plat::sys::FakeClock clock_;
    plat::sys::ScopedClock scoped_{clock_};
    AudioRig audio_;
    std::uint32_t mask_ = 0;
    DemodSettings settings_{};
    SoundCardSettings card_{};
    DemodWindow* window_ = nullptr;
    SetupWindow* setup_ = nullptr;
};

TEST_F(SetupWindowTest, PciReceiverHasTheWholeSoundCardGroupAndOnePagePerMode) {
    Open();
    EXPECT_STREQ(setup_->Caption(), "Q745 Demodulator Setup");
    EXPECT_EQ(setup_->Width(), 645);
    EXPECT_EQ(setup_->Height(), 404);
    EXPECT_EQ(setup_->Style() & RC_Popup::kTitleButtons, RC_Popup::kCloseButton) << "only the close button";
    EXPECT_NE(setup_->CreationFlags() & RC_Window::kHideOnClose, 0u);
    EXPECT_EQ(setup_->SoundCardGroup()->Height(), 125);
    ASSERT_NE(setup_->WaveInCombo(), nullptr);
    EXPECT_EQ(setup_->WaveOutCombo()->Y(), 39);
    ASSERT_NE(setup_->MixerLineCombo(), nullptr);
    ASSERT_NE(setup_->RateCombo(), nullptr);
    EXPECT_EQ(setup_->RateCombo()->Selection(), 1) << "48000 unless the record asks for 44100";
    EXPECT_EQ(setup_->Tabs()->PageCount(), kModeCount);
    for (int i = 0; i < kModeCount; ++i) EXPECT_STREQ(setup_->Tabs()->Page(i)->Caption(), ModeTable[i].name);
    EXPECT_EQ(setup_->Tabs()->Selected(), ModeButtonOfIndex(window_->ModeIndex()));
}

TEST_F(SetupWindowTest, UsbReceiverChoosesOnlyTheWaveOutDevice) {
    Open("Q7USBv1");
    EXPECT_EQ(setup_->SoundCardGroup()->Height(), 40);
    EXPECT_EQ(setup_->WaveInCombo(), nullptr);
    EXPECT_EQ(setup_->MixerLineCombo(), nullptr);
    EXPECT_EQ(setup_->InputLevelSlider(), nullptr);
    EXPECT_EQ(setup_->RateCombo(), nullptr);
    EXPECT_EQ(setup_->WaveOutCombo()->Y(), 18);
    EXPECT_NE(setup_->IfBox(), nullptr) << "the secondary output stays";
    EXPECT_NE(setup_->AudioBox(), nullptr);
    setup_->SetClipping(true); // no indicator: nothing happens
}

TEST_F(SetupWindowTest, EachModePageHasItsRowsOfFields) {
    Open();
    struct Case {
        int mode;
        std::vector<int> rows;
    };
    const Case cases[] = {
        {kModeFmw, {16, 38, 60}},         {0, {16, 38, 60, 82, 104}},        {kModeUsb, {16, 38, 60, 82, 104}},
        {kModeIsb, {16, 38, 60, 82, 104, 126}}, {kModeCw, {16, 38, 60, 82, 104, 126}}, {kModeFm6, {16, 38, 60, 82}},
        {kModeFmn, {16, 38, 60, 82}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RowsOf(c.mode), c.rows) << ModeTable[ModeButtonOfIndex(c.mode)].name;
        const ModeSettingsGroup* group = setup_->SettingsGroup(ModeButtonOfIndex(c.mode));
        EXPECT_EQ(group->ModeIndex(), c.mode);
        EXPECT_EQ(group->Width(), 645 - 400);
        EXPECT_EQ(group->Height(), c.rows.back() + 24);
        EXPECT_EQ(ModeSettingsGroup::RowsOf(c.mode).size(), c.rows.size());
    }
    EXPECT_EQ(setup_->PostMixerField(kModeFmw), nullptr);
    EXPECT_EQ(setup_->SagcReferenceField(kModeFm6), nullptr);
    EXPECT_EQ(setup_->AudioGainField(0)->X(), 645 - 479);
}

TEST_F(SetupWindowTest, FieldsShowTheStoredValuesOfTheirMode) {
    settings_.modes[kModeCw].noiseSquelchLength = 63;
    settings_.modes[kModeCw].audioGain = 12;
    settings_.modes[kModeCw].sagcReference = -20;
    settings_.cwTone = 650;
    settings_.sagcDecay[1] = 1.5;
    Open();
    EXPECT_EQ(setup_->NoiseSquelchField(kModeCw)->Value(), 63);
    EXPECT_EQ(setup_->AudioGainField(kModeCw)->Value(), 12);
    EXPECT_EQ(setup_->SagcReferenceField(kModeCw)->Value(), -20);
    EXPECT_EQ(setup_->CwToneField()->Value(), 650);
    EXPECT_EQ(setup_->CwToneField()->Maximum(), window_->InputRate() / 2.0);
    EXPECT_EQ(setup_->DecayField(1)->Value(), 1.5);
    EXPECT_EQ(setup_->HilbertField()->Value(), window_->Demodulator().HilbertLength());
}

TEST_F(SetupWindowTest, ChoosingATabMakesItTheModeAndTellsTheHost) {
    Open();
    Host().Clear();
    const int cw = ModeButtonOfIndex(kModeCw);
    setup_->Tabs()->LayoutTabs();
    const plat::gdi::Rect tab = setup_->Tabs()->TabRect(cw);
    toolkit_test::Mouse(setup_->Tabs(), win::WM_MOUSEMOVE, tab.left + 3, tab.top + 3);
    toolkit_test::Click(setup_->Tabs(), tab.left + 3, tab.top + 3);
    EXPECT_EQ(window_->ModeIndex(), kModeCw);
    const auto modes = Host().Of(KVR_CMD_MODE);
    ASSERT_EQ(modes.size(), 1u);
    EXPECT_EQ(modes[0].dwParam, ModeTable[cw].hostCode);
    EXPECT_EQ(setup_->Tabs()->Selected(), cw);
}

TEST_F(SetupWindowTest, RefreshFollowsTheModeOfTheDemodulatorWindow) {
    Open();
    Choose(ModeButtonOfIndex(kModeFmw));
    EXPECT_EQ(setup_->Tabs()->Selected(), ModeButtonOfIndex(kModeFmw));
    EXPECT_EQ(setup_->LowCutField()->Maximum(), 15000);
    EXPECT_EQ(setup_->HighCutField()->Maximum(), 15000);
    EXPECT_EQ(setup_->FilterView()->MaxFrequency(), 16000.0f);
    EXPECT_EQ(setup_->PresetGroup()->State() & RC_Window::kShown, 0u) << "no presets in FMW";
    Choose(ModeButtonOfIndex(kModeUsb));
    EXPECT_EQ(setup_->LowCutField()->Maximum(), 10000);
    EXPECT_EQ(setup_->FilterView()->MaxFrequency(), 8000.0f);
    EXPECT_NE(setup_->PresetGroup()->State() & RC_Window::kShown, 0u);
}

TEST_F(SetupWindowTest, FmwHasNoStructureToView) {
    Open();
    Choose(ModeButtonOfIndex(kModeFmw));
    EXPECT_EQ(setup_->StructureButton()->State() & RC_Window::kShown, 0u);
    EXPECT_NE(setup_->RestoreButton()->State() & RC_Window::kShown, 0u);
    window_->OnStudyButton();
    EXPECT_EQ(window_->Study(), nullptr);
    Choose(0);
    EXPECT_NE(setup_->StructureButton()->State() & RC_Window::kShown, 0u);
}

TEST_F(SetupWindowTest, WithoutWideFmTheFmwPageIsDisabled) {
    ResetApi(false);
    Open();
    EXPECT_FALSE(setup_->Tabs()->Page(ModeButtonOfIndex(kModeFmw))->IsEnabled());
    EXPECT_TRUE(setup_->Tabs()->Page(0)->IsEnabled());
}

TEST_F(SetupWindowTest, ModeFieldsChangeTheRecordAndTheDemodulator) {
    Open();
    // The demodulator window's own setup window: it edits the records the signal path follows.
    SetupWindow* own = window_->Setup();
    own->Show(win::SW_SHOW);
    const DemodSettings& record = window_->Settings();
    Choose(ModeButtonOfIndex(kModeCw));
    Enter(own->AudioGainField(kModeCw), "20");
    EXPECT_EQ(record.modes[kModeCw].audioGain, 20);
    EXPECT_EQ(window_->Demodulator().audioGain, 20.0f);
    Enter(own->PostMixerField(kModeCw), "255");
    EXPECT_EQ(record.modes[kModeCw].postMixerLength, 255u);
    EXPECT_EQ(window_->PathSettings().modes[kModeCw].postMixerLength, 255u) << "the audio path follows";
    Enter(own->NoiseSquelchField(kModeCw), "999");
    EXPECT_EQ(record.modes[kModeCw].noiseSquelchLength, 255u) << "clamped to the field's range";
    Enter(own->AudioLengthField(kModeCw), "101");
    EXPECT_EQ(record.modes[kModeCw].audioFilterLength, 101u);
    EXPECT_EQ(own->FilterView()->Filter().Length(), 101u);
    Enter(own->CwToneField(), "700");
    EXPECT_EQ(record.cwTone, 700u);
    EXPECT_EQ(window_->Demodulator().tone, 700u);
    EXPECT_EQ(record.modes[0].audioGain, 7) << "other modes keep theirs";
}

TEST_F(SetupWindowTest, SagcFieldsFillTheRecord) {
    Open();
    Choose(ModeButtonOfIndex(2)); // AMS
    Enter(setup_->AttackField(2), "0.01");
    EXPECT_DOUBLE_EQ(settings_.sagcAttack[2], 0.01);
    Enter(setup_->DecayField(0), "20");
    EXPECT_DOUBLE_EQ(settings_.sagcDecay[0], 10.0) << "clamped to 10 s";
    Enter(setup_->SagcReferenceField(2), "-30");
    EXPECT_EQ(settings_.modes[2].sagcReference, -30);
    EXPECT_EQ(settings_.modes[0].sagcReference, -6);
}

TEST_F(SetupWindowTest, LowPassDisablesTheLowCutOffAndIsStored) {
    Open();
    EXPECT_TRUE(setup_->BandPassButton()->IsDown());
    EXPECT_TRUE(setup_->LowCutField()->IsEnabled());
    EXPECT_EQ(setup_->FilterView()->Filter().Type(), 3);
    toolkit_test::Click(setup_->LowPassButton(), 5, 5);
    EXPECT_FALSE(setup_->BandPassButton()->IsDown()) << "radio group";
    EXPECT_FALSE(setup_->LowCutField()->IsEnabled());
    EXPECT_EQ(setup_->FilterView()->Filter().Type(), 1);
    EXPECT_EQ(settings_.modes[window_->ModeIndex()].bandPass, 0);
}

TEST_F(SetupWindowTest, CutOffFieldsDesignTheFilterAndTheOnToggleReachesTheHost) {
    Open();
    const int m = window_->ModeIndex();
    Enter(setup_->HighCutField(), "2500");
    EXPECT_EQ(settings_.modes[m].highCutoff, 2500.0f);
    EXPECT_EQ(setup_->FilterView()->Filter().HighCutoff(), 2500.0f);
    EXPECT_TRUE(Host().Of(KVR_CMD_AUDIO_FILTER).empty()) << "the filter is off";
    Host().Clear();
    toolkit_test::Click(setup_->FilterOnButton(), 5, 5);
    EXPECT_EQ(settings_.modes[m].afFilter, 1);
    EXPECT_TRUE(window_->AfFilter());
    EXPECT_EQ(Host().Of(KVR_CMD_AUDIO_FILTER, 2).size(), 1u);
    toolkit_test::Click(setup_->FilterOnButton(), 5, 5);
    EXPECT_EQ(settings_.modes[m].afFilter, 0);
    EXPECT_EQ(Host().Of(KVR_CMD_AUDIO_FILTER, 0).size(), 1u);
}

TEST_F(SetupWindowTest, DraggedEdgesAreClampedToTheFieldsAndShownInThem) {
    Open();
    setup_->FilterView()->SetHighCutoff(12000.0f); // above the high field's 10000
    setup_->FilterView()->SetLowCutoff(500.0f);
    setup_->OnFilterChange(setup_->FilterView());
    EXPECT_EQ(setup_->FilterView()->Filter().HighCutoff(), 10000.0f);
    EXPECT_EQ(setup_->HighCutField()->Value(), 10000);
    EXPECT_EQ(setup_->LowCutField()->Value(), 500);
    EXPECT_EQ(settings_.modes[window_->ModeIndex()].lowCutoff, 500.0f);
}

TEST_F(SetupWindowTest, TheDemodulatorWindowsFilterViewFollowsAndReportsBack) {
    Open();
    auto* main = new RC_FilterView(setup_, 4, 26, 100, 60); // stands for the demodulator window's view
    main->Filter().SetSampleRate(48000.0f);
    main->SetLength(127);
    setup_->SetMainFilterView(main);
    Enter(setup_->HighCutField(), "2700");
    EXPECT_EQ(main->Filter().HighCutoff(), 2700.0f);
    EXPECT_EQ(main->Filter().Type(), 3);
    toolkit_test::Click(setup_->LowPassButton(), 5, 5);
    EXPECT_EQ(main->Filter().Type(), 1);

    main->SetHighCutoff(4100.0f); // an edge dragged on the demodulator window
    setup_->OnFilterChange(main);
    EXPECT_EQ(setup_->HighCutField()->Value(), 4100);
    EXPECT_EQ(setup_->FilterView()->Filter().HighCutoff(), 4100.0f);
    EXPECT_EQ(settings_.modes[window_->ModeIndex()].highCutoff, 4100.0f);
}

TEST_F(SetupWindowTest, PresetsShowHertzUpTo3000AndKilohertzAbove) {
    struct Case {
        double hertz;
        const char* number;
        const char* unit;
    };
    const Case cases[] = {{3000, "3000", "Hz"}, {3001, "3.001", "kHz"}, {20, "20", "Hz"},
                          {3000.9, "3000", "Hz"}, {14000, "14.000", "kHz"}};
    for (const Case& c : cases) {
        const SetupWindow::PresetText t = SetupWindow::FormatPreset(c.hertz);
        EXPECT_STREQ(t.number, c.number) << c.hertz;
        EXPECT_STREQ(t.unit, c.unit) << c.hertz;
    }
}

TEST_F(SetupWindowTest, PresetEditorStoresTheTypedValueClampedToTheMode) {
    Open();
    struct Case {
        int mode;
        double stored;
    };
    for (const Case c : {Case{kModeUsb, 10000}, Case{0, 20000}}) {
        Choose(ModeButtonOfIndex(c.mode));
        setup_->EditPreset(4);
        RC_NumberEdit* editor = setup_->PresetEditor();
        ASSERT_NE(editor, nullptr);
        EXPECT_EQ(editor->Y(), 17 * 4 + 7);
        EXPECT_TRUE(editor->IsFocused());
        editor->SelectAll();
        Type(editor, "25000");
        editor->TopWindow()->Focus(); // the editor loses the focus: committed, stored, closed
        EXPECT_EQ(settings_.modes[c.mode].presets[3], c.stored) << c.mode;
        Pump();
        EXPECT_EQ(setup_->PresetEditor(), nullptr);
    }
    EXPECT_EQ(settings_.modes[0].presets[2], 7000) << "the other presets stay";
}

TEST_F(SetupWindowTest, PresetEditorOpensOnlyOnTheBandwidthColumnBelowTheHeader) {
    Open();
    struct Case {
        std::int32_t column, row;
        bool opens;
    };
    for (const Case c : {Case{1, 0, false}, Case{0, 3, false}, Case{1, 3, true}}) {
        setup_->PresetGrid()->SetSelection({c.column, c.row, c.column, c.row});
        setup_->PresetGrid()->onAction.fn(setup_->PresetGrid()->onAction.user, setup_->PresetGrid());
        EXPECT_EQ(setup_->PresetEditor() != nullptr, c.opens) << c.column << "," << c.row;
    }
    EXPECT_EQ(setup_->PresetEditorRow(), 3);
}

TEST_F(SetupWindowTest, WithoutVirtualCardTheSecondaryOutputIsDisabledAndInert) {
    settings_.secondaryOutput = 0;
    Open();
    EXPECT_FALSE(setup_->IfBox()->IsEnabled());
    EXPECT_FALSE(setup_->AudioBox()->IsEnabled());
    setup_->AudioBox()->SetState(RC_CheckBox::kChecked);
    setup_->OnSecondaryOutput(setup_->AudioBox());
    EXPECT_EQ(settings_.secondaryOutput, 0u);
    EXPECT_STREQ(setup_->FormatLabel()->Caption(), "");
}

// The virtual card as a plain device (kind 2), which this sound card of files can open.
class SetupWindowVirtualCardTest : public SetupWindowTest {
protected:
    SetupWindowVirtualCardTest() {
        audio_.backend->AddDevice(plat::audio::Direction::Playback, "Talvenor Virtual Sound Card",
                                  audio_.folder.File("virtual.wav"));
    }
};

TEST_F(SetupWindowVirtualCardTest, AudioRunsMonoAt11025AndIfStereoAt48000) {
    Open();
    ASSERT_TRUE(setup_->AudioBox()->IsEnabled()) << "the virtual card was found";
    struct Case {
        RC_CheckBox* box;
        std::uint32_t output;
        const char* format;
    };
    for (const Case c : {Case{setup_->AudioBox(), 2, "11025Hz, 16-bit, mono"},
                         Case{setup_->IfBox(), 1, "48000Hz, 16-bit, stereo"}}) {
        c.box->SetState(RC_CheckBox::kChecked);
        setup_->OnSecondaryOutput(c.box);
        EXPECT_EQ(settings_.secondaryOutput, c.output);
        EXPECT_STREQ(setup_->FormatLabel()->Caption(), c.format);
        EXPECT_TRUE(window_->SecondaryWave().OutputOpen());
        EXPECT_EQ(window_->SecondaryWave().OutBufferSize() % 4, 0u);
    }
    EXPECT_FALSE(setup_->AudioBox()->IsChecked()) << "checking one clears the other";
    setup_->IfBox()->SetState(RC_CheckBox::kClear);
    setup_->OnSecondaryOutput(setup_->IfBox());
    EXPECT_EQ(settings_.secondaryOutput, 0u);
    EXPECT_FALSE(window_->SecondaryWave().OutputOpen());
    EXPECT_STREQ(setup_->FormatLabel()->Caption(), "");
}

// The virtual card's own wave driver (kind 1) wants its own format, which no device here takes.
TEST_F(SetupWindowTest, AFailedStartLeavesBothBoxesClear) {
    audio_.backend->AddDevice(plat::audio::Direction::Playback, "Talvenor Virtual Sound Card O",
                              audio_.folder.File("virtual.wav"));
    Open();
    ASSERT_TRUE(setup_->AudioBox()->IsEnabled());
    setup_->AudioBox()->SetState(RC_CheckBox::kChecked);
    setup_->OnSecondaryOutput(setup_->AudioBox());
    EXPECT_EQ(settings_.secondaryOutput, 0u);
    EXPECT_FALSE(setup_->AudioBox()->IsChecked());
    EXPECT_FALSE(setup_->IfBox()->IsChecked());
    EXPECT_STREQ(setup_->FormatLabel()->Caption(), "");
}

TEST_F(SetupWindowTest, AReversedMixerLineTakesTheOtherChannelAndThePlainLine) {
    Open();
    window_->Wave().SetInDevice(1); // "Line In", which has a mixer
    RC_AudioMixer* mixer = window_->RecordingMixer();
    mixer->SetDeviceFromWaveIn(window_->Wave());
    ASSERT_GE(mixer->SourceNames().Count(), 2u);
    setup_->FillMixerLines();
    RC_ComboBox* combo = setup_->MixerLineCombo();
    const auto lines = static_cast<int>(mixer->SourceNames().Count());
    ASSERT_EQ(combo->Count(), 2 * lines);
    const std::string line = mixer->SourceNames().Item(1);
    struct Case {
        std::string item;
        std::uint32_t channel;
    };
    for (const Case& c : {Case{line + " Reversed", 0}, Case{line, 1}}) {
        combo->SetSelection(static_cast<int>(combo->Items().Find(c.item.c_str())));
        combo->onChange.fn(combo->onChange.user, combo);
        EXPECT_EQ(settings_.inputChannel, c.channel) << c.item;
        EXPECT_EQ(mixer->SourceLine(), 1) << c.item;
        EXPECT_EQ(std::string(card_.mixerLine), line);
    }
}

TEST_F(SetupWindowTest, ChoosingTheWaveInDeviceListsItsMixerLinesAndSelectsTheStoredOne) {
    Open();
    RC_DeviceCombo* waveIn = setup_->WaveInCombo();
    const long lineIn = waveIn->Items().Find("Line In");
    ASSERT_GE(lineIn, 0);
    // The stored line is the mixer's second line, by name.
    window_->Wave().SetInDeviceByName("Line In");
    window_->RecordingMixer()->SetDeviceFromWaveIn(window_->Wave());
    ASSERT_GE(window_->RecordingMixer()->SourceNames().Count(), 2u);
    std::snprintf(card_.mixerLine, sizeof card_.mixerLine, "%s", window_->RecordingMixer()->SourceNames().Item(1));
    window_->Wave().SetInDevice(0);

    waveIn->SetSelection(static_cast<int>(lineIn));
    waveIn->onChange.fn(waveIn->onChange.user, waveIn);
    RC_AudioMixer* mixer = window_->RecordingMixer();
    EXPECT_STREQ(window_->Wave().InDeviceNames().Item(static_cast<std::size_t>(window_->Wave().InDevice())), "Line In");
    EXPECT_EQ(setup_->MixerLineCombo()->Count(), 2 * static_cast<int>(mixer->SourceNames().Count()));
    EXPECT_EQ(mixer->SourceLine(), 1);
}

TEST_F(SetupWindowTest, ClippingIndicatorTurnsBrightRedForAClippedBlock) {
    Open();
    RC_Label* clipping = setup_->ClippingIndicator();
    EXPECT_EQ(clipping->BackgroundColour(), SetupWindow::kNotClipped);
    struct Case {
        bool clipped;
        RC_Colour shown;
    };
    for (const Case c : {Case{true, SetupWindow::kClipped}, Case{true, SetupWindow::kClipped},
                         Case{false, SetupWindow::kNotClipped}}) {
        setup_->SetClipping(c.clipped); // from the audio thread: shown by the window's own thread
        Pump();
        EXPECT_EQ(clipping->BackgroundColour(), c.shown) << c.clipped;
    }
}

TEST_F(SetupWindowTest, RateChoiceIsStoredAndAppliedToTheDemodulatorWindow) {
    Open();
    RC_ComboBox* rate = setup_->RateCombo();
    rate->SetSelection(0);
    rate->onChange.fn(rate->onChange.user, rate);
    EXPECT_EQ(settings_.rate44100, 1u);
    EXPECT_EQ(window_->InputRate(), 44100u);
    EXPECT_EQ(setup_->CwToneField()->Maximum(), 22050);
}

TEST_F(SetupWindowTest, RestoreGivesTheModeItsDefaults) {
    Open();
    Choose(ModeButtonOfIndex(kModeUsb));
    Enter(setup_->AudioGainField(kModeUsb), "50");
    settings_.modes[kModeUsb].presets[0] = 999;
    RC_Button* restore = setup_->RestoreButton();
    restore->onAction.fn(restore->onAction.user, restore);
    EXPECT_EQ(settings_.modes[kModeUsb].audioGain, 7);
    EXPECT_EQ(settings_.modes[kModeUsb].presets[0], 1200);
    EXPECT_EQ(setup_->AudioGainField(kModeUsb)->Value(), 7);
}

TEST_F(SetupWindowTest, HelpAsksForTheSettingsTopic) {
    Open();
    EXPECT_TRUE(PressedHelpShows(setup_->HelpButton(), "Q745DemodPro.chm::/Demodulator settings.htm"));
}

TEST_F(SetupWindowTest, StructureButtonOpensAndClosesTheStudyWindow) {
    Open();
    RC_Button* view = setup_->StructureButton();
    view->onAction.fn(view->onAction.user, view);
    StudyWindow* study = window_->Study();
    ASSERT_NE(study, nullptr) << "the demodulator window holds the study window it feeds";
    EXPECT_STREQ(study->Caption(), "AM Demodulator Structure");

    view->onAction.fn(view->onAction.user, view);
    Pump();
    EXPECT_EQ(window_->Study(), nullptr);
}

TEST_F(SetupWindowTest, AStudyWindowStillOpenGoesWithTheDemodulatorWindow) {
    Open();
    window_->OnStudyButton();
    ASSERT_NE(window_->Study(), nullptr);
    delete setup_;
    setup_ = nullptr;
    delete window_;
    window_ = nullptr;
    Pump();
}

TEST_F(SetupWindowTest, Screenshot) {
    Open();
    setup_->Show(win::SW_SHOW);
    win::UpdateWindow(setup_->Handle());
    Pump();
    EXPECT_TRUE(win::SaveScreenshot(lxq_test::ScreenshotPath("demod_setup.png"), setup_->Handle()));
}

} // namespace
