#include "demod/ui/windows/RC_FilterView.h"
#include "demod/ui/windows/RC_Panel.h"
#include "tests/demod/ui/toolkit/ToolkitTestKit.h"

#include <cmath>
#include <complex>
#include <thread>
#include <vector>

namespace {

using namespace toolkit_test;

std::vector<std::int16_t> TapsOf(RC_FirFilter16& f) { return {f.Taps(), f.Taps() + f.Length()}; }

// Gain in dB of Q15 taps at frequency f.
double GainDb(const std::vector<std::int16_t>& taps, double f, double fs) {
    std::complex<double> sum = 0;
    for (std::size_t j = 0; j < taps.size(); ++j) sum += taps[j] / 32768.0 * std::polar(1.0, -2 * M_PI * f / fs * static_cast<double>(j));
    return 20 * std::log10(std::abs(sum) + 1e-12);
}

class FilterViewTest : public ToolkitTest {
protected:
    void SetUp() override {
        top_ = MakeTop(340, 200);
        view_ = new RC_FilterView(top_, 4, 4, 312, 164);
        view_->Show(win::SW_SHOW);
        view_->Filter().SetSampleRate(48000.0f);
        view_->SetLength(511);
        view_->SetLowCutoff(300.0f);
        view_->SetHighCutoff(8000.0f);
    }
    // A stand-alone filter set up like the view's, with its own design.
    std::vector<std::int16_t> StandardTaps(int type) {
        RC_FirFilter16 f;
        f.SetSampleRate(48000.0f);
        f.SetLength(511);
        f.SetLowCutoff(300.0f);
        f.SetHighCutoff(8000.0f);
        f.SetType(type);
        return TapsOf(f);
    }
    RC_FilterView* view_ = nullptr;
};

TEST_F(FilterViewTest, NoSlopeGivesTheStandardDesignAndOnlyLowAndBandPassTakeASlope) {
    for (int type : {1, 2, 3, 4}) {
        SCOPED_TRACE(type);
        view_->SetType(type);
        view_->SetDeemphasis(0.0);
        EXPECT_EQ(TapsOf(view_->Filter()), StandardTaps(type));
        view_->SetDeemphasis(-6.0);
        if (type == 2 || type == 4) {
            EXPECT_EQ(TapsOf(view_->Filter()), StandardTaps(type));
        } else {
            EXPECT_NE(TapsOf(view_->Filter()), StandardTaps(type));
        }
    }
}

TEST_F(FilterViewTest, SlopeChangesTheGainByItsDecibelsPerOctave) {
    view_->SetType(1);
    for (double slope : {6.0, 3.0, -3.0}) { // steeper falls sink below the Q15 taps' floor
        SCOPED_TRACE(slope);
        view_->SetDeemphasis(slope);
        const auto taps = TapsOf(view_->Filter());
        // Points at the same place in successive octaves, clear of the band edges.
        const double g1 = GainDb(taps, 1900, 48000), g2 = GainDb(taps, 3800, 48000), g3 = GainDb(taps, 7600, 48000);
        EXPECT_NEAR(g2 - g1, slope, 1.0);
        EXPECT_NEAR(g3 - g2, slope, 1.0);
        EXPECT_LT(GainDb(taps, 12000, 48000), std::min(g1, g3) - 30) << "still a low-pass";
        // A rising slope is scaled down so that the top of the band stays at unity.
        EXPECT_LE(g3, 0.5);
    }
}

TEST_F(FilterViewTest, AudioPassesFilteredOrCopied) {
    std::vector<std::int16_t> stereo(2 * 256);
    for (std::size_t i = 0; i < 256; ++i) {
        stereo[2 * i] = static_cast<std::int16_t>(8000 * std::sin(0.9 * static_cast<double>(i)));
        stereo[2 * i + 1] = 1234;
    }
    std::vector<std::int16_t> out(256, 0);
    view_->filterOff = 1;
    view_->AddSamples(out.data(), stereo.data(), 512, 2);
    for (std::size_t i = 0; i < 256; ++i) ASSERT_EQ(out[i], stereo[2 * i]);

    view_->filterOff = 0;
    RC_FirFilter16 reference;
    reference.SetSampleRate(48000.0f);
    reference.SetLength(511);
    reference.LoadQ15Taps(view_->Filter().Taps());
    std::vector<std::int16_t> expected(256);
    reference.FilterStrided(expected.data(), stereo.data(), 512, 2, 1);
    view_->AddSamples(out.data(), stereo.data(), 512, 2);
    EXPECT_EQ(out, expected);
    EXPECT_EQ(view_->BlockCount(), 2u);
}

TEST_F(FilterViewTest, BandDragKeepsItsWidthWithinTheDisplay) {
    view_->SetType(3);
    view_->SetMaxFrequency(16000.0f);
    view_->SetLowCutoff(1000.0f);
    view_->SetHighCutoff(3000.0f);
    Render(view_);
    const auto p = view_->PlotRect();
    const int w = p.Width() - 1;
    const int mid = p.left + w * 2000 / 16000;
    int lowCalls = 0;
    view_->onLowEdge = {[](void* u, RC_Window*) { ++*static_cast<int*>(u); }, &lowCalls};
    Mouse(view_, win::WM_MOUSEMOVE, mid, p.top + 1);
    ASSERT_EQ(view_->DragState(), -RC_Analyzer::kBand);
    Mouse(view_, win::WM_LBUTTONDOWN, mid, p.top + 1, win::MK_LBUTTON);
    EXPECT_EQ(view_->DragState(), RC_Analyzer::kBand);
    Mouse(view_, win::WM_MOUSEMOVE, p.right - 1, p.top + 1, win::MK_LBUTTON);
    EXPECT_FLOAT_EQ(view_->Filter().HighCutoff(), 16000.0f);
    EXPECT_FLOAT_EQ(view_->Filter().LowCutoff(), 14000.0f);
    Mouse(view_, win::WM_MOUSEMOVE, p.left, p.top + 1, win::MK_LBUTTON);
    Mouse(view_, win::WM_MOUSEMOVE, p.left, p.top + 1, win::MK_LBUTTON);
    EXPECT_FLOAT_EQ(view_->Filter().LowCutoff(), 1.0f);
    EXPECT_FLOAT_EQ(view_->Filter().HighCutoff(), 2001.0f);
    Mouse(view_, win::WM_LBUTTONUP, p.left, p.top + 1);
    EXPECT_EQ(view_->DragState(), -RC_Analyzer::kBand);
    EXPECT_GE(lowCalls, 2);
}

TEST_F(FilterViewTest, AClickChoosesTheSpectrumByBand) {
    view_->SetType(1);
    view_->SetMaxFrequency(16000.0f);
    view_->SetMode(2);
    Render(view_);
    const auto p = view_->PlotRect();
    const int w = p.Width() - 1;
    Click(view_, p.left + w * 12000 / 16000, p.top + p.Height() / 2); // above the high edge: stop band
    EXPECT_EQ(view_->Mode(), 1);
    Click(view_, p.left + w * 2000 / 16000, p.top + p.Height() / 2);
    EXPECT_EQ(view_->Mode(), 2);
}

TEST_F(FilterViewTest, StaleResponseIsComputedAtThePaint) {
    view_->SetType(1);
    Render(view_);
    ASSERT_FALSE(view_->Response().empty());
    EXPECT_EQ(view_->State() & RC_Analyzer::kResponseStale, 0u);
    const float passBand = view_->Response()[view_->Response().size() / 20];
    EXPECT_NEAR(passBand, 1.0f, 0.05f);
    view_->SetHighCutoff(2000.0f);
    EXPECT_NE(view_->State() & RC_Analyzer::kResponseStale, 0u);
    for (int mode : {0, 1, 2}) {
        view_->SetMode(mode);
        Render(view_);
    }
}

TEST_F(FilterViewTest, LoadMeterShowsTheSmoothedShareAndDropsOverloads) {
    struct Case {
        std::int64_t ticks;
        double blocksPerSecond, smoothing, before, after;
    };
    const Case cases[] = {
        {100, 1000.0, 0.0, 0.0, 10.0},   // 100 of 1,000,000 ticks, 1000 blocks a second: 10 %
        {100, 1000.0, 0.5, 20.0, 15.0},  // half the new, half the old
        {1000, 1000.0, 0.0, 7.0, 7.0},   // 100 %: dropped
        {2000, 1000.0, 0.0, 7.0, 7.0},   // more: dropped
        {0, 1000.0, 0.0, 7.0, 7.0},      // no time: nothing
    };
    for (const Case& c : cases) {
        auto* panel = new RC_Panel(top_, 4, 170, 105, 18, 50, "CPU usage");
        panel->smoothing = c.smoothing;
        // The audio thread measures: a first block that brings the figure to `before`, then the
        // block under test.
        std::thread audio([&] {
            if (c.before > 0.0)
                panel->UpdateElapsed(std::llround(c.before * 10.0 / (1.0 - c.smoothing)), 1000000, 1000.0);
            panel->UpdateElapsed(c.ticks, 1000000, c.blocksPerSecond);
        });
        audio.join();
        EXPECT_EQ(panel->ValueField().Value(), 0.0) << "the field is the user-interface thread's to set";
        Pump();
        EXPECT_NEAR(panel->ValueField().Value(), c.after, 1e-9) << c.ticks;
    }
}

} // namespace
