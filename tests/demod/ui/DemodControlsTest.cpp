// The demodulator window's front controls against a recording host and the stand-in receiver:
// where they stand, what a click tells the host, how wide FM changes them, and the settings they
// start from and leave behind.

#include "demod/ui/DemodConfig.h"
#include "demod/ui/DemodWindow.h"
#include "demod/ui/ModeTable.h"
#include "demod/ui/SetupWindow.h"
#include "demod/ui/windows/RC_FilterView.h"
#include "demod/ui/toolkit/RC_Button.h"
#include "demod/ui/toolkit/RC_Graph.h"
#include "demod/ui/toolkit/RC_Label.h"
#include "demod/ui/toolkit/RC_NumberEdit.h"
#include "platform/win/ScreenApi.h"
#include "tests/demod/ui/DemodTestKit.h"
#include "tests/demod/ui/toolkit/ToolkitTestKit.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using namespace demod_test;
using toolkit_test::Click;
using toolkit_test::Pump;

constexpr std::uint32_t kReceiver = 7;
constexpr const char* kSerial = "00000000";

class DemodControlsTest : public ::testing::Test {
protected:
    DemodControlsTest() {
        ResetApi();
        ResetHost();
    }
    ~DemodControlsTest() override { Close(); }
    DemodWindow& Start() {
        const auto caps = Caps("Talvenor Communications", "Q7PCIv1", kSerial);
        window_ = new DemodWindow(kReceiver, caps.data(), &HostCallbackFn, &mask_, DemodWindow::kPci, FAKE_API_PATH);
        Host().Clear();
        return *window_;
    }
    void Close() {
        delete window_;
        window_ = nullptr;
        Pump();
    }
    static void Press(RC_Window* control) { Click(control, control->Width() / 2, control->Height() / 2); }
    static std::vector<std::uint32_t> Sent(std::uint32_t code) {
        std::vector<std::uint32_t> v;
        for (const HostCall& c : Host().Of(code)) v.push_back(c.dwParam);
        return v;
    }

    plat::sys::FakeClock clock_;
    plat::sys::ScopedClock scoped_{clock_};
    AudioRig audio_;
    std::uint32_t mask_ = 0;
    DemodWindow* window_ = nullptr;
};

TEST_F(DemodControlsTest, TheControlsStandWhereTheFrontPanelHasThem) {
    DemodWindow& w = Start();
    struct Place {
        RC_Window* control;
        int x, y, width, height;
        const char* caption;
    };
    std::vector<Place> places = {
        {w.SetupButton(), 265, 28, 50, 20, "Setup"},   {w.IfGraph(), 4, 52, 312, 164, nullptr},
        {w.BandwidthField(), 4, 230, 62, 20, nullptr}, {w.SagcButton(0), 68, 230, 26, 20, "Off"},
        {w.SagcButton(1), 96, 230, 32, 20, "Slow"},    {w.SagcButton(2), 130, 230, 29, 20, "Med"},
        {w.SagcButton(3), 161, 230, 29, 20, "Fast"},   {w.AfFilterButton(), 192, 230, 60, 20, "AF Filter"},
        {w.VolumeField(), 254, 230, 29, 20, nullptr},  {w.MuteButton(), 285, 230, 31, 20, "Mute"},
        {w.GraphStatus(), 38, 3, 90, 14, nullptr},
    };
    for (int i = 0; i < kModeCount; ++i)
        places.push_back({w.ModeButton(i), (i % 6) * 52 + 5, (i / 6) * 24 + 4, 50, 20, ModeTable[i].name});
    for (int k = 0; k < 10; ++k) places.push_back({w.PresetButton(k), 6 + 31 * k, 254, 29, 18, nullptr});
    for (const Place& p : places) {
        SCOPED_TRACE(p.caption != nullptr ? p.caption : "");
        ASSERT_NE(p.control, nullptr);
        EXPECT_EQ(p.control->X(), p.x);
        EXPECT_EQ(p.control->Y(), p.y);
        EXPECT_EQ(p.control->Width(), p.width);
        EXPECT_EQ(p.control->Height(), p.height);
        if (p.caption != nullptr) {
            EXPECT_STREQ(p.control->Caption(), p.caption);
        }
    }
    EXPECT_EQ(w.Width(), 320);
    EXPECT_EQ(w.Height(), 276);
    EXPECT_TRUE(w.ModeButton(0)->IsDown()) << "the stored mode, AM by default";
    EXPECT_TRUE(w.SagcButton(0)->IsDown());
    EXPECT_EQ(w.VolumeField()->Value(), 10);
    EXPECT_EQ(w.BandwidthField()->Value(), 9000);
    std::filesystem::create_directories(LXQ_SCREENSHOT_DIR);
    Pump();
    EXPECT_TRUE(plat::win::SaveScreenshot(std::string(LXQ_SCREENSHOT_DIR) + "/demodulator-window.png", w.Handle()));
}

TEST_F(DemodControlsTest, AModeButtonTellsTheHostTheModeAndItsBandwidth) {
    DemodWindow& w = Start();
    const struct {
        int button;
        std::uint32_t hostCode, bandwidth, fieldMaximum;
        const char* firstPreset;
        float bandFrom, bandTo;
    } cases[] = {
        {3, 4, 2300, 10000, "1.2", 12000 - 2300, 12000},  // LSB: below the centre
        {4, 5, 2300, 10000, "1.2", 12000, 12000 + 2300},  // USB: above it
        {5, 0, 500, 20000, "0.02", 12000 - 250, 12000 + 250},
        {0, 1, 9000, 20000, "5", 12000 - 4500, 12000 + 4500},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ModeTable[c.button].name);
        Host().Clear();
        Press(w.ModeButton(c.button));
        EXPECT_EQ(Sent(KVR_CMD_MODE), std::vector<std::uint32_t>{c.hostCode});
        EXPECT_EQ(Sent(KVR_CMD_BANDWIDTH), std::vector<std::uint32_t>{c.bandwidth});
        EXPECT_EQ(w.BandwidthField()->Value(), c.bandwidth);
        EXPECT_EQ(w.BandwidthField()->Maximum(), c.fieldMaximum);
        EXPECT_STREQ(w.PresetButton(0)->Caption(), c.firstPreset);
        for (int i = 0; i < kModeCount; ++i) EXPECT_EQ(w.ModeButton(i)->IsDown(), i == c.button);
        EXPECT_EQ(w.IfGraph()->BandAt(0).from, c.bandFrom);
        EXPECT_EQ(w.IfGraph()->BandAt(0).to, c.bandTo);
        const bool marked = (c.bandTo - c.bandFrom) / 2 >= 500;
        for (int m = 0; m < 3; ++m) EXPECT_EQ((w.IfGraph()->MarkerAt(m).flags & 1) != 0, marked) << m;
    }
    // A notification changes the mode without a command back.
    Host().Clear();
    w.Notify(kReceiver, KVR_NOTIFY_MODE, 2, 0, nullptr);
    EXPECT_TRUE(w.ModeButton(9)->IsDown());
    EXPECT_TRUE(Sent(KVR_CMD_MODE).empty());
}

TEST_F(DemodControlsTest, PresetsShowTheirKilohertzAndSetTheBandwidth) {
    DemodWindow& w = Start();
    Press(w.ModeButton(4)); // USB: 1200, 1500, ... 3500 Hz
    EXPECT_STREQ(w.PresetButton(1)->Caption(), "1.5");
    EXPECT_STREQ(w.PresetButton(9)->Caption(), "3.5");
    EXPECT_TRUE(w.PresetButton(4)->IsDown()) << "2300 Hz is the field's value";
    Host().Clear();
    Press(w.PresetButton(7));
    EXPECT_EQ(Sent(KVR_CMD_BANDWIDTH), std::vector<std::uint32_t>{3000});
    EXPECT_EQ(w.BandwidthField()->Value(), 3000);
    EXPECT_EQ(w.HalfBandwidth(), 1500);
    for (int k = 0; k < 10; ++k) EXPECT_EQ(w.PresetButton(k)->IsDown(), k == 7) << k;
    Host().Clear();
    w.OnBandwidth(1234, false);
    EXPECT_EQ(w.BandwidthField()->Value(), 1230) << "a notification shows in the field, in tens";
    EXPECT_TRUE(Sent(KVR_CMD_BANDWIDTH).empty());
}

TEST_F(DemodControlsTest, WideFmShowsNoIfControls) {
    DemodWindow& w = Start();
    Press(w.ModeButton(10));
    EXPECT_EQ(w.ModeIndex(), kModeFmw);
    EXPECT_FALSE(w.IfGraph()->ShownChain());
    for (RC_Window* c : {static_cast<RC_Window*>(w.BandwidthField()), static_cast<RC_Window*>(w.BandwidthLabel()),
                         static_cast<RC_Window*>(w.SagcLabel())})
        EXPECT_FALSE(c->IsEnabled());
    for (int i = 0; i < 4; ++i) EXPECT_FALSE(w.SagcButton(i)->IsEnabled());
    for (int k = 0; k < 10; ++k) {
        EXPECT_FALSE(w.PresetButton(k)->IsEnabled());
        EXPECT_STREQ(w.PresetButton(k)->Caption(), "");
        EXPECT_FALSE(w.PresetButton(k)->IsDown());
    }
    EXPECT_TRUE(w.Analyzer()->ShownChain()) << "the audio analyzer stands in for the IF graph";
    Press(w.ModeButton(9));
    EXPECT_FALSE(w.Analyzer()->ShownChain());
    EXPECT_TRUE(w.IfGraph()->ShownChain());
    EXPECT_TRUE(w.BandwidthField()->IsEnabled());
    EXPECT_TRUE(w.PresetButton(0)->IsEnabled());
}

TEST_F(DemodControlsTest, SetupShowsTheSetupWindowAndHidesItAgain) {
    DemodWindow& w = Start();
    ASSERT_NE(w.Setup(), nullptr);
    EXPECT_FALSE(w.Setup()->ShownChain()) << "made hidden";
    Press(w.SetupButton());
    EXPECT_TRUE(w.Setup()->ShownChain());
    Press(w.SetupButton());
    EXPECT_FALSE(w.Setup()->ShownChain());
}

TEST_F(DemodControlsTest, VolumeMuteAndFilterTellTheHost) {
    DemodWindow& w = Start();
    Press(w.MuteButton());
    EXPECT_TRUE(w.Mute());
    EXPECT_EQ(Sent(KVR_CMD_MUTE), std::vector<std::uint32_t>{1});
    Press(w.AfFilterButton());
    EXPECT_TRUE(w.AfFilter());
    ASSERT_EQ(Host().Of(KVR_CMD_AUDIO_FILTER).size(), 1u);
    EXPECT_EQ(Host().Of(KVR_CMD_AUDIO_FILTER)[0].Field(4), 3000);
    Press(w.SagcButton(3));
    EXPECT_EQ(w.Settings().sagcSpeed, 3u);
    EXPECT_FALSE(w.SagcButton(0)->IsDown());
    w.OnVolume(20, false);
    EXPECT_EQ(w.VolumeField()->Value(), 20);
    w.OnMute(false, false);
    EXPECT_FALSE(w.MuteButton()->IsDown());
}

TEST_F(DemodControlsTest, TheStoredSettingsAreTakenAndTheChangedOnesWrittenBack) {
    const std::uint32_t key = ReceiverKey(kSerial);
    EXPECT_EQ(key, 0xFE400000u);
    DemodSettings stored;
    SetDefaultSettings(stored);
    stored.modeIndex = kModeUsb;
    stored.volume = 20;
    stored.mute = 1;
    stored.sagcSpeed = 2;
    stored.modes[kModeUsb].halfBandwidth = 1400;
    ASSERT_TRUE(SaveDemodSettings(stored, key));

    DemodWindow& w = Start();
    EXPECT_EQ(w.ReceiverKey(), key);
    EXPECT_TRUE(w.ModeButton(4)->IsDown());
    EXPECT_EQ(w.BandwidthField()->Value(), 2800);
    EXPECT_EQ(w.VolumeField()->Value(), 20);
    EXPECT_TRUE(w.MuteButton()->IsDown());
    EXPECT_TRUE(w.SagcButton(2)->IsDown());

    Press(w.ModeButton(5)); // CW
    Press(w.PresetButton(2)); // 100 Hz
    Close();
    DemodSettings back;
    LoadDemodSettings(back, key);
    EXPECT_EQ(back.modeIndex, kModeCw);
    EXPECT_EQ(back.modes[kModeCw].halfBandwidth, 50);
    EXPECT_EQ(back.volume, 20u);
    SoundCardSettings card;
    LoadSoundCardSettings(card, key);
    EXPECT_STREQ(card.waveOut, "Windows default") << "the device in use is named";
}

TEST_F(DemodControlsTest, WithoutWideFmTheButtonIsOffAndAStoredWideFmBecomesAm) {
    ResetApi(false);
    DemodSettings stored;
    SetDefaultSettings(stored);
    stored.modeIndex = kModeFmw;
    ASSERT_TRUE(SaveDemodSettings(stored, ReceiverKey(kSerial)));
    DemodWindow& w = Start();
    EXPECT_FALSE(w.ModeButton(10)->IsEnabled());
    EXPECT_EQ(w.ModeIndex(), 0);
    EXPECT_TRUE(w.ModeButton(0)->IsDown());
}

} // namespace
