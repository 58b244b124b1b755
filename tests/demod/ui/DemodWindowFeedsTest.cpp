// What the demodulator window's blocks feed beyond the sound card: the setup window's clip lamp
// and CPU meter, the study window, the wide-FM analyzer and its filter, the IF graph, the squelch
// status labels; the host's notifications that clear, switch and follow them; and the watch over
// a USB receiver's connection.

#include "demod/ui/DemodWindow.h"
#include "demod/dsp/RC_Runtime.h"
#include "demod/ui/ModeTable.h"
#include "demod/ui/SetupWindow.h"
#include "demod/ui/StudyWindow.h"
#include "demod/ui/toolkit/RC_Graph.h"
#include "demod/ui/toolkit/RC_Label.h"
#include "demod/ui/toolkit/RC_NumberEdit.h"
#include "demod/ui/toolkit/RC_Timer.h"
#include "demod/ui/windows/RC_FilterView.h"
#include "demod/ui/windows/RC_Panel.h"
#include "platform/win/PaintApi.h"
#include "platform/win/ScreenApi.h"
#include "platform/win/Styles.h"
#include "platform/win/WindowApi.h"
#include "tests/demod/ui/DemodTestKit.h"
#include "tests/support/Eventually.h"
#include "tests/demod/ui/toolkit/ToolkitTestKit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace {

using namespace demod_test;
using toolkit_test::Pump;
namespace win = plat::win;

constexpr std::uint32_t kReceiver = 11;
constexpr int kFrames = 1024;
constexpr std::uint32_t kHostFmw = 3;

// Stereo frames with the IF under test on the right channel, the one the window takes.
std::vector<std::int16_t> Frames(int blocks, const std::function<double(int)>& right) {
    std::vector<std::int16_t> v(2 * static_cast<std::size_t>(blocks) * kFrames);
    for (std::size_t k = 0; k < v.size() / 2; ++k) v[2 * k + 1] = static_cast<std::int16_t>(right(static_cast<int>(k)));
    return v;
}

// Amplitude of one frequency.
double Level(const std::vector<std::int16_t>& x, double hz, double rate) {
    double re = 0, im = 0;
    for (std::size_t k = 0; k < x.size(); ++k) {
        re += x[k] * std::cos(2 * M_PI * hz * k / rate);
        im += x[k] * std::sin(2 * M_PI * hz * k / rate);
    }
    return x.empty() ? 0.0 : 2.0 * std::hypot(re, im) / static_cast<double>(x.size());
}

// The left channel of each buffer the speakers played.
// They play on the device's own thread: a take waits until every buffer handed over has played.
struct Speakers {
    std::mutex mutex;
    std::condition_variable played;
    std::vector<std::int16_t> left;
    int buffers = 0, taken = 0;
    static void OnPlayed(void* user, RC_AudioWave*, void* data, std::uint32_t length) {
        auto* self = static_cast<Speakers*>(user);
        {
            std::lock_guard<std::mutex> hold(self->mutex);
            const auto* p = static_cast<const std::int16_t*>(data);
            for (std::uint32_t k = 0; k + 1 < length / 2; k += 2) self->left.push_back(p[k]);
            ++self->buffers;
        }
        self->played.notify_all();
    }
    // The left channel of the next `count` buffers.
    std::vector<std::int16_t> Take(int count) {
        std::unique_lock<std::mutex> hold(mutex);
        taken += count;
        EXPECT_TRUE(played.wait_for(hold, std::chrono::seconds(20), [&] { return buffers >= taken; }));
        return std::exchange(left, {});
    }
};

class DemodWindowFeedsTest : public ::testing::Test {
protected:
    DemodWindowFeedsTest() {
        RC_InitRuntime(); // as the plug-in's init does: the meter needs the timestamp rate
        ResetApi();
        ResetHost();
    }
    ~DemodWindowFeedsTest() override {
        delete window_;
        Pump();
    }
    void Start(const char* product = "Q7PCIv1") {
        auto caps = Caps("Talvenor Communications", product);
        window_ = new DemodWindow(kReceiver, caps.data(), &HostCallbackFn, &mask_, DemodWindow::InterfaceOf(product),
                                  FAKE_API_PATH);
        ASSERT_TRUE(window_->Started());
        window_->Wave().SetOutputCallback(&Speakers::OnPlayed, &speakers_);
        setup_ = window_->Setup();
    }
    // Block by block, as the sound card's thread hands them over, the window's queue served after each.
    void Feed(const std::vector<std::int16_t>& frames) {
        for (std::size_t at = 0; at + 2 * kFrames <= frames.size(); at += 2 * kFrames) {
            window_->OnAudioBlock(frames.data() + at, 4 * kFrames);
            Pump();
        }
    }
    void Notify(std::uint32_t code, std::uint32_t dwParam, void* data = nullptr, std::uint32_t size = 0) {
        window_->Notify(kReceiver, code, dwParam, size, data);
        Pump();
    }
    // Trace pixels (the graph's white) inside the IF graph on the window's picture.
    int TraceInk() {
        win::UpdateWindow(window_->Handle());
        const auto picture = win::CaptureWindow(window_->Handle());
        if (!picture) return -1;
        int ink = 0;
        for (int y = 60; y < 212; ++y)
            for (int x = 10; x < 312; ++x) ink += (picture->GetPixel(x, y) & 0xFFFFFF) == 0xFFFFFF;
        return ink;
    }

    plat::sys::FakeClock clock_;
    plat::sys::ScopedClock scoped_{clock_};
    AudioRig rig_;
    Speakers speakers_;
    std::uint32_t mask_ = 0;
    DemodWindow* window_ = nullptr;
    SetupWindow* setup_ = nullptr;
};

TEST_F(DemodWindowFeedsTest, BlocksReachTheCpuMeterTheStudyWindowAndTheIfGraph) {
    Start();
    window_->OnStudyButton();
    StudyWindow* study = window_->Study();
    ASSERT_NE(study, nullptr);
    const auto input = Frames(4, [](int k) { return 8000.0 * std::sin(2 * M_PI * 9000.0 * k / 48000.0) + (k % 7); });
    Feed(input);
    EXPECT_GT(setup_->CpuMeter()->ValueField().Value(), 0.0) << "the meter moved";
    EXPECT_LT(setup_->CpuMeter()->ValueField().Value(), 100.0);
    // The red probe at opening is the input block from its second sample, of the last block.
    EXPECT_EQ(study->CaptureOf(0)[0], input[2 * (3 * kFrames + 1) + 1]);
    EXPECT_EQ(window_->IfDisplayFill(), 0u) << "the graph took the display buffer";
    EXPECT_GT(TraceInk(), 100) << "the IF spectrum is drawn";

    window_->OnStudyButton();
    Pump();
    EXPECT_EQ(window_->Study(), nullptr);
    Feed(input); // nothing open: nothing fed
}

// The audio thread posts what the user-interface thread is to show; one message of a kind waits at
// a time, so a user-interface thread that falls behind the blocks finds the latest figures and not
// a queue that grows with every block.
TEST_F(DemodWindowFeedsTest, AUserInterfaceThreadThatFallsBehindFindsOneMessageOfEachKind) {
    Start();
    Pump();
    const auto input = Frames(12, [](int k) { return 8000.0 * std::sin(2 * M_PI * 9000.0 * k / 48000.0); });
    for (std::size_t at = 0; at + 2 * kFrames <= input.size(); at += 2 * kFrames)
        window_->OnAudioBlock(input.data() + at, 4 * kFrames);
    auto waiting = [](win::Hwnd hwnd, std::uint32_t msg) {
        int count = 0;
        for (win::Msg m; win::PeekMessage(&m, hwnd, msg, msg, win::PM_REMOVE);) ++count;
        return count;
    };
    RC_Panel* meter = setup_->CpuMeter();
    EXPECT_EQ(waiting(window_->Handle(), DemodWindow::kMsgIfDisplay), 1) << "the IF display";
    EXPECT_EQ(waiting(meter->Handle(), RC_Panel::kMsgShowLoad), 1) << "the CPU meter";
    EXPECT_EQ(meter->ValueField().Value(), 0.0) << "the meter's field is the user-interface thread's to set";
    // Taken, the next ones are posted again.
    win::SendMessage(window_->Handle(), DemodWindow::kMsgIfDisplay, 0, 0);
    win::SendMessage(meter->Handle(), RC_Panel::kMsgShowLoad, 0, 0);
    EXPECT_GT(meter->ValueField().Value(), 0.0);
    Feed(Frames(2, [](int k) { return 8000.0 * std::sin(2 * M_PI * 9000.0 * k / 48000.0); }));
    EXPECT_EQ(window_->IfDisplayFill(), 0u) << "the graph took the display buffer";
}

TEST_F(DemodWindowFeedsTest, TheClipLampLightsAboveFullScaleLessALittle) {
    Start();
    const struct {
        double peak;
        RC_Colour lamp;
    } cases[] = {{32000, SetupWindow::kNotClipped}, {32001, SetupWindow::kClipped},
                 {-32001, SetupWindow::kClipped},  {-32000, SetupWindow::kNotClipped}};
    for (const auto& c : cases) {
        Feed(Frames(1, [&](int k) { return k == 500 ? c.peak : 0.0; }));
        EXPECT_EQ(setup_->ClippingIndicator()->BackgroundColour(), c.lamp) << c.peak;
    }
}

TEST_F(DemodWindowFeedsTest, TheWideFmAnalyzerIsFedAndFiltersWithAfFilterDown) {
    Start();
    Notify(KVR_NOTIFY_MODE, kHostFmw);
    RC_FilterView* analyzer = window_->Analyzer();
    EXPECT_EQ(analyzer->Mode(), 2) << "the receiver is on: the output spectrum";
    const auto tone = Frames(6, [](int k) { return 1000.0 * std::sin(2 * M_PI * 1000.0 * k / 48000.0); });
    Feed(tone);
    EXPECT_EQ(analyzer->BlockCount(), 6u);
    speakers_.Take(6);
    Feed(tone);
    auto played = speakers_.Take(6);
    const double open = Level(played, 1000.0, 48000.0);
    EXPECT_NEAR(open, 1000.0 * 10.0 / 31.0 * 7.0, 100.0) << "volume 10 of 31 and the mode's gain";

    std::int32_t lowPass[3] = {0, 500, 0};
    Notify(KVR_NOTIFY_AUDIO_FILTER, 2, lowPass, sizeof lowPass);
    Feed(tone);
    speakers_.Take(6);
    Feed(tone);
    played = speakers_.Take(6);
    EXPECT_LT(Level(played, 1000.0, 48000.0), open / 10.0) << "the analyzer's 500 Hz low-pass takes the tone down";
}

TEST_F(DemodWindowFeedsTest, PowerAndScanningClearTheGraphAndSwitchTheAnalyzer) {
    Start();
    const auto carrier = Frames(2, [](int k) { return 8000.0 * std::sin(2 * M_PI * 9000.0 * k / 48000.0); });
    const struct {
        std::uint32_t code, off, on;
        int analyzerOff;
    } cases[] = {{KVR_NOTIFY_POWER, 0, 1, 0}, {KVR_NOTIFY_SCAN_MODE, 1, 0, 2}};
    for (const auto& c : cases) {
        Feed(carrier);
        ASSERT_GT(TraceInk(), 100) << c.code;
        Notify(c.code, c.off);
        EXPECT_EQ(TraceInk(), 0) << c.code << ": the graph is cleared";
        EXPECT_EQ(window_->Analyzer()->Mode(), c.analyzerOff) << c.code;
        Notify(c.code, c.on);
        EXPECT_EQ(window_->Analyzer()->Mode(), 2) << c.code;
    }
}

TEST_F(DemodWindowFeedsTest, TheSetupWindowFollowsTheAfFilterFromTheHostAndFromTheButton) {
    Start();
    // The host turns a band-pass on.
    std::int32_t bandPass[3] = {400, 2500, -60};
    Notify(KVR_NOTIFY_AUDIO_FILTER, 2, bandPass, sizeof bandPass);
    EXPECT_TRUE(window_->AfFilterButton()->IsDown());
    EXPECT_TRUE(setup_->FilterOnButton()->IsDown());
    EXPECT_TRUE(setup_->BandPassButton()->IsDown());
    EXPECT_EQ(setup_->LowCutField()->Value(), 400.0);
    EXPECT_EQ(setup_->HighCutField()->Value(), 2500.0);
    EXPECT_DOUBLE_EQ(setup_->DeemphasisField()->Value(), -6.0);
    EXPECT_EQ(setup_->FilterView()->Filter().HighCutoff(), 2500.0f) << "the view the audio is filtered with";
    const DemodModeBlock& block = window_->Settings().modes[window_->ModeIndex()];
    EXPECT_EQ(block.lowCutoff, 400.0f);
    EXPECT_EQ(block.afFilter, 1);

    // The window's own button.
    RC_Button* button = window_->AfFilterButton();
    button->SetDown(false);
    button->onAction.fn(button->onAction.user, button);
    EXPECT_FALSE(setup_->FilterOnButton()->IsDown());
    const auto sent = Host().Of(KVR_CMD_AUDIO_FILTER);
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.back().dwParam, 0u);

    // Low-pass from the host, then off.
    std::int32_t lowPass[2] = {0, 3000};
    Notify(KVR_NOTIFY_AUDIO_FILTER, 2, lowPass, sizeof lowPass);
    EXPECT_TRUE(setup_->LowPassButton()->IsDown());
    EXPECT_FALSE(setup_->LowCutField()->IsEnabled());
    Notify(KVR_NOTIFY_AUDIO_FILTER, 0);
    EXPECT_FALSE(setup_->FilterOnButton()->IsDown());
    EXPECT_FALSE(window_->AfFilterButton()->IsDown());
}

TEST_F(DemodWindowFeedsTest, TheSetupWindowGoesDownAndUpWithTheHost) {
    Start();
    Notify(KVR_NOTIFY_MINIMIZED, 1);
    Notify(KVR_NOTIFY_MINIMIZED, 0);
    EXPECT_FALSE(setup_->ShownChain()) << "a hidden setup window stays hidden";

    window_->ToggleSetup();
    ASSERT_TRUE(setup_->ShownChain());
    Notify(KVR_NOTIFY_MINIMIZED, 1);
    EXPECT_NE(setup_->State() & RC_Window::kMinimised, 0u);
    EXPECT_FALSE(win::IsWindowVisible(setup_->Handle()));
    Notify(KVR_NOTIFY_MINIMIZED, 0);
    EXPECT_EQ(setup_->State() & RC_Window::kMinimised, 0u);
    EXPECT_TRUE(win::IsWindowVisible(setup_->Handle()));
}

TEST_F(DemodWindowFeedsTest, SquelchStatusLabelsShowTheTypesInForce) {
    Start();
    RC_Label* labels[2] = {window_->GraphStatus(), window_->AnalyzerStatus()};
    for (RC_Label* l : labels) EXPECT_FALSE(l->ShownChain() && (l->State() & RC_Window::kShown) != 0);
    std::int32_t record[7] = {0, 40, 0, 0, 0, 0, 19};
    Notify(KVR_NOTIFY_SQUELCH, kSquelchNoise | kSquelchDcs, record, sizeof record);
    for (RC_Label* l : labels) {
        EXPECT_STREQ(l->Caption(), " Noise 0 %  DCS ");
        EXPECT_NE(l->State() & RC_Window::kShown, 0u);
    }
    Notify(KVR_NOTIFY_SQUELCH, 0, record, sizeof record);
    for (RC_Label* l : labels) EXPECT_EQ(l->State() & RC_Window::kShown, 0u) << "no type: hidden";
}

TEST_F(DemodWindowFeedsTest, AUsbReceiverThatIsGoneIsNoticedWithinASecond) {
    Start("Q7USBv1");
    ASSERT_NE(window_->StatusTimer(), nullptr);
    EXPECT_TRUE(window_->StatusTimer()->Running());
    EXPECT_FALSE(window_->CodecRunning()) << "nothing delivered yet";
    Api().codecAvailable = 2048;
    Api().codecCallback(Api().codecContext);
    EXPECT_TRUE(window_->CodecRunning());
    // The question goes to the receiver worker: its answer is awaited, never the receiver itself.
    const auto answered = [&] {
        return lxq_test::Eventually([&] {
            Pump();
            return window_->ReceiverRequestsPending() == 0;
        });
    };
    clock_.AdvanceMs(1000);
    Pump();
    ASSERT_TRUE(answered());
    EXPECT_GE(Api().isConnected.count, 1);
    EXPECT_TRUE(window_->CodecRunning()) << "still connected";

    Api().connected = 0; // unplugged
    clock_.AdvanceMs(1000);
    Pump();
    ASSERT_TRUE(answered());
    EXPECT_FALSE(window_->CodecRunning());
}

TEST_F(DemodWindowFeedsTest, OnlyAUsbReceiverIsWatched) {
    Start();
    EXPECT_EQ(window_->StatusTimer(), nullptr);
}

} // namespace
