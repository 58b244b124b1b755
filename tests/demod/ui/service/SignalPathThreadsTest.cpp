// The demodulator window while the sound card's own thread delivers blocks, as in the running
// program: every setting changed from this (the user-interface) thread meanwhile, and starts and
// stops in the middle of the stream. Every block the sound card delivers reaches the host in order
// from the first one on, and the speakers get one buffer for each. Run with "/d", so that the slope
// correction and the spectrum inversion of the service panel are among the settings. Meant to be
// run under ThreadSanitizer as well.

#include "demod/ui/DemodWindow.h"
#include "demod/ui/ModeTable.h"
#include "demod/ui/SetupWindow.h"
#include "demod/ui/SlopeCompPanel.h"
#include "demod/ui/toolkit/RC_Button.h"
#include "demod/ui/toolkit/RC_NumberEdit.h"
#include "platform/win/MessageApi.h"
#include "tests/demod/ui/DemodTestKit.h"
#include "tests/demod/ui/toolkit/ToolkitTestKit.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using namespace demod_test;
using toolkit_test::Pump;

constexpr std::uint32_t kReceiver = 6;
constexpr int kFrames = 1024;

// Stereo frames; the right channel (the IF input) tells its block by its first sample.
std::vector<std::int16_t> NumberedBlocks(int blocks) {
    std::vector<std::int16_t> v(2 * static_cast<std::size_t>(blocks) * kFrames);
    for (int b = 0; b < blocks; ++b)
        for (int k = 0; k < kFrames; ++k) {
            const std::size_t at = 2 * (static_cast<std::size_t>(b) * kFrames + k);
            v[at] = 0;
            v[at + 1] = static_cast<std::int16_t>(k == 0 ? b : 3000 * ((k / 8) % 2) - 1500);
        }
    return v;
}

// The number each IF block the host received carries, in the order received.
std::vector<int> IfBlockNumbers() {
    std::vector<int> numbers;
    for (const HostCall& c : Host().Of(KVR_CMD_AUDIO_BLOCK, 0)) {
        std::int16_t first = 0;
        if (c.data.size() >= 18) std::memcpy(&first, c.data.data() + 16, 2);
        numbers.push_back(first);
    }
    return numbers;
}

std::vector<int> Count(int from, int n) {
    std::vector<int> v;
    for (int i = 0; i < n; ++i) v.push_back(from + i);
    return v;
}

// A field changed as the user leaves it: the value, then the field's own handler.
void Change(RC_NumberEdit* field, double value) {
    if (field == nullptr) return;
    field->SetValue(true, value);
    if (field->onValueChange.fn != nullptr) field->onValueChange.fn(field->onValueChange.user, field, field->Value());
}

void Press(RC_Button* button) {
    if (button != nullptr && button->onAction.fn != nullptr) button->onAction.fn(button->onAction.user, button);
}

// A sound card of files that keeps real time, as a real one does: "Line In" plays the numbered
// blocks, "Speakers" records.
struct PacedSoundCard {
    explicit PacedSoundCard(int blocks) {
        plat::audio::testing::WriteWav(folder.File("in.wav"), plat::audio::MakePcmFormat(2, 16, 48000),
                                       NumberedBlocks(blocks));
        backend->AddDevice(plat::audio::Direction::Capture, "Line In", folder.File("in.wav"));
        backend->AddDevice(plat::audio::Direction::Playback, "Speakers", folder.File("out.wav"));
    }
    std::vector<std::int16_t> Played() { return plat::audio::testing::ReadWav(folder.File("out.wav")); }

    ScopedUserFolders userFolders;
    plat::audio::testing::AudioFolder folder;
    std::shared_ptr<plat::audio::FileAudioBackend> backend =
        std::make_shared<plat::audio::FileAudioBackend>(plat::audio::FileAudioBackend::Pacing::RealTime);
    plat::audio::ScopedAudioBackend scope{backend};
};

class SignalPathThreadsTest : public ::testing::Test {
protected:
    SignalPathThreadsTest() {
        ResetApi();
        ResetHost();
    }
    ~SignalPathThreadsTest() override {
        delete window_;
        Pump();
    }
    // Starts the window on the sound card of the test's rig.
    void Start() {
        auto caps = Caps();
        window_ = new DemodWindow(kReceiver, caps.data(), &HostCallbackFn, &mask_, DemodWindow::kPci, FAKE_API_PATH);
        ASSERT_TRUE(window_->Started());
    }
    std::size_t IfBlocks() { return Host().Of(KVR_CMD_AUDIO_BLOCK, 0).size(); }
    // One round of changes of every setting the signal path reads, varied by the round.
    void ChangeEverything(int round) {
        DemodWindow& w = *window_;
        SetupWindow& setup = *w.Setup();
        // Every mode but wide FM, which the receiver demodulates: its IF does not go to the host.
        const int button = round % (kModeCount - 1);
        w.OnModeButton(button, true);
        const int m = w.ModeIndex();
        w.OnBandwidth(1000 + 100 * (round % 40), true);
        w.OnBandwidthPreset(round % 10, true);
        Change(setup.CwToneField(), 500 + 10 * (round % 50));
        Change(setup.AudioGainField(m), 1 + round % 30);
        Change(setup.PostMixerField(m), 127 + 4 * (round % 20));
        Change(setup.AudioLengthField(m), 101 + 2 * (round % 50));
        Change(setup.NoiseSquelchField(m), 63 + 4 * (round % 10));
        Change(setup.SagcReferenceField(m), -30 + round % 20);
        Change(setup.AttackField(round % 3), 0.005 * (1 + round % 10));
        Change(setup.DecayField(round % 3), 0.1 * (1 + round % 10));
        w.OnSagc(round % 4);
        // The audio filter: its edges in the setup window, and on and off.
        Change(setup.LowCutField(), 200 + 10 * (round % 10));
        Change(setup.HighCutField(), 2500 + 50 * (round % 10));
        Press(setup.BandPassButton());
        w.OnAfFilter(round % 2 == 0, true);
        w.OnVolume(static_cast<std::uint32_t>(round % 32), true);
        w.OnMute(round % 5 == 4, true);
        // The host's squelch types, its squelched state, AFC and retunes.
        std::int32_t record[7] = {0, 50, 88500, 0, 0, 40, 23};
        const std::uint32_t types[] = {0, kSquelchNoise, kSquelchCtcss, kSquelchVoice, kSquelchDcs,
                                       kSquelchNoise | kSquelchCtcss | kSquelchVoice | kSquelchDcs};
        w.Notify(kReceiver, KVR_NOTIFY_SQUELCH, types[round % 6], sizeof record, record);
        w.Notify(kReceiver, KVR_NOTIFY_SQUELCHED, round % 7 == 6 ? 1 : 0, 0, nullptr);
        w.Notify(kReceiver, KVR_NOTIFY_AFC, round % 2, 0, nullptr);
        w.Notify(kReceiver, KVR_NOTIFY_FREQUENCY, 1000000 + 1000 * static_cast<std::uint32_t>(round), 0, nullptr);
        // The service panel: slope correction and spectrum inversion.
        SlopeKnobs knobs{};
        for (std::size_t k = 0; k < knobs.size(); ++k) knobs[k] = static_cast<double>((round + static_cast<int>(k)) % 7 - 3);
        w.SetKnobs(knobs);
        if (w.SlopePanel() != nullptr) w.SlopePanel()->InvertSpectrum(round % 2 == 1);
        HandleSome(); // the window's reports from the audio thread
    }
    // The messages waiting now, at most a few: the audio thread posts more while they are handled.
    static void HandleSome() {
        plat::win::Msg msg;
        for (int i = 0; i < 16 && plat::win::PeekMessage(&msg, 0, 0, 0, plat::win::PM_REMOVE); ++i) {
            plat::win::TranslateMessage(msg);
            plat::win::DispatchMessage(msg);
        }
    }

    std::uint32_t mask_ = 0;
    DemodWindow* window_ = nullptr;
};

TEST_F(SignalPathThreadsTest, EverySettingChangesWhileTheSoundCardDeliversAndNoBlockIsLost) {
    constexpr int kBlocks = 100; // two seconds
    PacedSoundCard rig(kBlocks);
    Start();
    int round = 0, roundsWhileStreaming = 0;
    while (IfBlocks() < static_cast<std::size_t>(kBlocks) && round < 100000) {
        ChangeEverything(round++);
        if (IfBlocks() < static_cast<std::size_t>(kBlocks)) ++roundsWhileStreaming;
    }
    ASSERT_TRUE(Host().WaitFor(KVR_CMD_AUDIO_BLOCK, 0, kBlocks)) << "the sound card's blocks reach the host";
    EXPECT_GT(roundsWhileStreaming, 0) << "the changes met the stream";
    EXPECT_EQ(IfBlockNumbers(), Count(0, kBlocks)) << "every block in order, from the first";
    delete window_; // the speakers' file is complete once the sound card is closed
    window_ = nullptr;
    Pump();
    EXPECT_EQ(rig.Played().size(), 2u * kBlocks * kFrames) << "one output buffer for each block";
}

TEST_F(SignalPathThreadsTest, StartsAndStopsInTheMiddleOfTheStreamLoseNoBlock) {
    constexpr int kBlocks = 500; // far more than a start lives for
    PacedSoundCard rig(kBlocks);
    for (int cycle = 0; cycle < 4; ++cycle) {
        Host().Clear();
        Start();
        ASSERT_TRUE(Host().WaitFor(KVR_CMD_AUDIO_BLOCK, 0, 3)) << "cycle " << cycle;
        ChangeEverything(cycle);
        window_->Stop(); // as the host's close request begins
        const std::vector<int> numbers = IfBlockNumbers();
        EXPECT_EQ(numbers, Count(0, static_cast<int>(numbers.size()))) << "cycle " << cycle;
        delete window_;
        window_ = nullptr;
        Pump();
        EXPECT_EQ(IfBlockNumbers().size(), numbers.size()) << "nothing after the stop, cycle " << cycle;
    }
}

// The spectrum inverter of the receiver's library asks the receiver about itself on every call:
// blocks go through it only while inversion is asked for, so that no block waits for a device
// request when none is needed.
TEST_F(SignalPathThreadsTest, BlocksGoThroughTheInverterOnlyWhileInversionIsAskedFor) {
    constexpr int kBlocks = 200;
    PacedSoundCard rig(kBlocks);
    Start();
    ASSERT_NE(window_->SlopePanel(), nullptr);
    ASSERT_TRUE(Host().WaitFor(KVR_CMD_AUDIO_BLOCK, 0, 10));
    EXPECT_EQ(Api().invertSpectrum.count, 0) << "no inversion asked for";
    window_->SlopePanel()->InvertSpectrum(true);
    const std::size_t before = IfBlocks();
    ASSERT_TRUE(Host().WaitFor(KVR_CMD_AUDIO_BLOCK, 0, before + 10));
    window_->Stop();
    EXPECT_GE(Api().invertSpectrum.count, 9);
    EXPECT_EQ(Api().invertSpectrum.lastValue, 1);
}

} // namespace
