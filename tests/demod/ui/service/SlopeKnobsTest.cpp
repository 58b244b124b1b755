// With "/d" on the program's command line (this test program is run with it): the eleven slope
// knobs on the IF graph, the service panel that hides them, and the correction they add to the
// spectrum the graph draws, mirrored when the spectrum is inverted.

#include "demod/ui/DemodWindow.h"
#include "demod/ui/SlopeCompPanel.h"
#include "demod/ui/toolkit/RC_Graph.h"
#include "demod/ui/toolkit/RC_Label.h"
#include "demod/ui/toolkit/RC_MessageBox.h"
#include "demod/ui/toolkit/RC_NumberEdit.h"
#include "platform/sys/CommandLine.h"
#include "platform/win/PaintApi.h"
#include "platform/win/ScreenApi.h"
#include "tests/demod/ui/DemodTestKit.h"
#include "tests/demod/ui/toolkit/ToolkitTestKit.h"
#include "tests/support/Eventually.h"
#include "tests/support/ScreenshotPath.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <future>

namespace {

using namespace demod_test;
using toolkit_test::Pump;
namespace win = plat::win;

constexpr std::uint32_t kReceiver = 4;
constexpr int kFrames = 1024;

// The stand-in receiver's slope record with these knob values and a matching check word.
void StoreKnobs(const int (&knobs)[11]) {
    std::uint16_t sum = 0;
    for (int k = 0; k < 11; ++k) {
        Api().eeprom[216 + k] = static_cast<unsigned char>(knobs[k] + 128);
        sum = static_cast<std::uint16_t>(sum + Api().eeprom[216 + k]);
    }
    Api().eeprom[227] = static_cast<unsigned char>(sum & 0xFF);
    Api().eeprom[228] = static_cast<unsigned char>(sum >> 8);
}

class SlopeKnobsTest : public ::testing::Test {
protected:
    SlopeKnobsTest() {
        ResetApi();
        ResetHost();
    }
    ~SlopeKnobsTest() override {
        delete window_;
        Pump();
    }
    void Start() {
        auto caps = Caps();
        window_ = new DemodWindow(kReceiver, caps.data(), &HostCallbackFn, &mask_, DemodWindow::kPci, FAKE_API_PATH);
        ASSERT_TRUE(window_->Started());
        Pump();
    }
    // White noise of the same seed each time, so that the graph draws the same spectrum.
    void FeedNoise() {
        std::vector<std::int16_t> frames(2 * 2 * kFrames);
        std::uint32_t seed = 12345;
        for (std::size_t k = 0; k < frames.size() / 2; ++k) {
            seed = seed * 1664525u + 1013904223u;
            frames[2 * k + 1] = static_cast<std::int16_t>(static_cast<std::int32_t>(seed >> 16) % 4000 - 2000);
        }
        for (std::size_t at = 0; at + 2 * kFrames <= frames.size(); at += 2 * kFrames) {
            window_->OnAudioBlock(frames.data() + at, 4 * kFrames);
            Pump();
        }
    }
    // The mean height of the spectrum trace over a span of the IF graph's plot, in pixels.
    double TraceHeight(double fromHz, double toHz) {
        RC_Graph* g = window_->IfGraph();
        const auto picture = toolkit_test::Render(g);
        const auto& plot = g->PlotRect();
        const int ox = 0, oy = 0;
        double sum = 0;
        int columns = 0;
        for (int x = g->XOfValue(fromHz); x <= g->XOfValue(toHz); ++x) {
            for (int y = plot.top; y < plot.bottom; ++y) {
                if ((picture->GetPixel(ox + x, oy + y) & 0xFFFFFF) != 0xFFFFFF) continue;
                sum += plot.bottom - y;
                ++columns;
                break;
            }
        }
        return columns == 0 ? 0.0 : sum / columns;
    }

    plat::sys::FakeClock clock_;
    plat::sys::ScopedClock scoped_{clock_};
    AudioRig rig_;
    std::uint32_t mask_ = 0;
    DemodWindow* window_ = nullptr;
};

TEST_F(SlopeKnobsTest, ElevenKnobsAlongTheGraphShowTheReceiversRecord) {
    ASSERT_TRUE(plat::sys::ProgramHasArgument("/d")) << "run with the service switch";
    StoreKnobs({0, 1, 2, 3, 4, 5, -5, -4, -3, -2, -1});
    Start();
    ASSERT_NE(window_->SlopePanel(), nullptr);
    EXPECT_NE(window_->SlopePanel()->State() & RC_Window::kShown, 0u) << "the panel is shown";
    EXPECT_NE(window_->SlopePanel()->Button(4)->State() & RC_Window::kShown, 0u) << "with its buttons";
    // Along the plot, clear of the dB labels at its left and inside its right edge, each knob's
    // value label clear of the next one's.
    RC_Graph* graph = window_->IfGraph();
    const int plotLeft = 2 + graph->TextWidth("-100dB") + 4;
    for (int k = 0; k < 11; ++k) {
        RC_NumberEdit* knob = window_->KnobField(k);
        ASSERT_NE(knob, nullptr) << k;
        EXPECT_EQ(knob->Parent(), window_->IfGraph());
        EXPECT_GE(window_->KnobLabel(k)->X(), plotLeft) << k;
        EXPECT_LE(window_->KnobLabel(k)->X() + window_->KnobLabel(k)->Width(), graph->Width() - 2) << k;
        if (k > 0) {
            EXPECT_LT(window_->KnobLabel(k - 1)->X() + window_->KnobLabel(k - 1)->Width(), window_->KnobLabel(k)->X()) << k;
        }
        EXPECT_EQ(knob->Y(), 2);
        EXPECT_EQ(knob->Width(), 18);
        EXPECT_EQ(knob->Height(), 24);
        EXPECT_EQ(knob->Minimum(), -99);
        EXPECT_EQ(knob->Maximum(), 99);
        EXPECT_EQ(knob->Value(), window_->Knobs()[static_cast<std::size_t>(k)]);
        EXPECT_STREQ(window_->KnobLabel(k)->Caption(), std::to_string(k < 6 ? k : k - 11).c_str());
        EXPECT_NE(knob->State() & RC_Window::kShown, 0u);
    }
    EXPECT_EQ(window_->IfGraph()->Mode(), 2) << "the spectrogram while the knobs are shown";
    win::UpdateWindow(window_->Handle());
    win::SaveScreenshot(lxq_test::ScreenshotPath("demod_slope_knobs.png"), window_->Handle());
}

// A receiver whose EEPROM writes wait for the test's word, and a user who answers the question
// after a failed write with Retry twice, then Abort.
struct SlowEeprom {
    static inline std::shared_future<void> answered;
    static inline std::atomic<bool> gaveUp{false};
    static inline int asked = 0;
    static void OnCall(const FakeApiCall& call, std::int64_t) {
        if (&call == &Api().writeEeprom && answered.valid() &&
            answered.wait_for(std::chrono::seconds(10)) != std::future_status::ready)
            gaveUp = true;
    }
    static int RetryTwiceThenAbort() { return ++asked < 3 ? RC_MessageBox::kRetry : RC_MessageBox::kAbort; }
};

// "Update EEPROM" writes on the receiver worker, not while the panel waits; a failed write is
// tried once more at once, then once for each Retry the user answers.
TEST_F(SlopeKnobsTest, UpdateEepromWritesOffThePanelThenRetriesOnceAndAsTheUserAnswers) {
    Start();
    SlopeCompPanel* panel = window_->SlopePanel();
    ASSERT_NE(panel, nullptr);
    panel->SetAsk(&SlowEeprom::RetryTwiceThenAbort);
    SlowEeprom::asked = 0;
    SlowEeprom::gaveUp = false;
    std::promise<void> answer;
    SlowEeprom::answered = answer.get_future().share();
    const auto settled = [&] {
        return lxq_test::Eventually([&] {
            Pump();
            return window_->ReceiverRequestsPending() == 0;
        }) && (Pump(), true);
    };
    ASSERT_TRUE(settled()) << "the start's own requests";
    Api().onCall = &SlowEeprom::OnCall; // the worker takes it with the next request
    window_->SetKnobs({5, -5, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    panel->UpdateEeprom();
    EXPECT_FALSE(SlowEeprom::gaveUp) << "the panel waited for the receiver";
    EXPECT_EQ(window_->ReceiverRequestsPending(), 1u) << "the write waits on the worker";
    answer.set_value();
    ASSERT_TRUE(settled());
    EXPECT_EQ(SlowEeprom::asked, 0) << "written at the first attempt";
    EXPECT_EQ(Api().eeprom[216], 133);
    EXPECT_EQ(Api().eeprom[217], 123);

    Api().setResult = 0; // every write fails
    Api().writeEeprom.count = 0;
    panel->UpdateEeprom();
    ASSERT_TRUE(lxq_test::Eventually([&] {
        Pump();
        return SlowEeprom::asked == 3;
    }));
    ASSERT_TRUE(settled());
    EXPECT_EQ(SlowEeprom::asked, 3) << "Retry, Retry, Abort";
    EXPECT_EQ(Api().writeEeprom.count, 2 + 2) << "two attempts, then one per Retry";
    Api().onCall = nullptr;
}

TEST_F(SlopeKnobsTest, HideSpecialControlsHidesTheKnobsAndShowsThePlainSpectrum) {
    Start();
    SlopeCompPanel* panel = window_->SlopePanel();
    RC_Button* hide = panel->Button(0);
    hide->SetDown(true);
    hide->onAction.fn(hide->onAction.user, hide);
    for (int k = 0; k < 11; ++k) {
        EXPECT_EQ(window_->KnobField(k)->State() & RC_Window::kShown, 0u) << k;
        EXPECT_EQ(window_->KnobLabel(k)->State() & RC_Window::kShown, 0u) << k;
    }
    EXPECT_EQ(window_->IfGraph()->Mode(), 1);
    for (int row : {1, 2, 3}) EXPECT_FALSE(panel->Button(row)->IsEnabled()) << row;
    hide->SetDown(false);
    hide->onAction.fn(hide->onAction.user, hide);
    EXPECT_NE(window_->KnobField(0)->State() & RC_Window::kShown, 0u);
    EXPECT_EQ(window_->IfGraph()->Mode(), 2);
    for (int row : {1, 2, 3}) EXPECT_TRUE(panel->Button(row)->IsEnabled()) << row;
}

TEST_F(SlopeKnobsTest, TheKnobsRaiseTheSpectrumTheGraphDrawsAndInversionMirrorsThem) {
    Start();
    SlopeCompPanel* panel = window_->SlopePanel();
    panel->HideSpecialControls(true); // a plain spectrum; the correction still applies
    FeedNoise();
    const double lowBefore = TraceHeight(2500, 5000), highBefore = TraceHeight(19000, 21500);
    ASSERT_GT(lowBefore, 0.0) << "a trace is drawn";

    // The user raises the lowest knob by 30 dB (2000 Hz, falling to 0 at 4000 Hz).
    window_->HideKnobs(false);
    RC_NumberEdit* knob = window_->KnobField(0);
    knob->SetValue(true, 30);
    knob->onValueChange.fn(knob->onValueChange.user, knob, 30);
    EXPECT_EQ(window_->Knobs()[0], 30.0);
    EXPECT_STREQ(window_->KnobLabel(0)->Caption(), "30");
    panel->HideSpecialControls(true);
    EXPECT_GT(TraceHeight(2500, 3000), lowBefore + 5) << "the low end is raised";
    EXPECT_NEAR(TraceHeight(19000, 21500), highBefore, 3) << "the high end is not";

    // Inverted, knob 0 corrects the top of the span.
    RC_Button* invert = panel->Button(4);
    invert->SetDown(true);
    invert->onAction.fn(invert->onAction.user, invert);
    EXPECT_TRUE(panel->Inverted());
    EXPECT_GT(TraceHeight(21000, 21500), highBefore + 5) << "the high end is raised";
}

} // namespace
