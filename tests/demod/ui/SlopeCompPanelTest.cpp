// The slope-compensation panel on a demodulator window: its controls, the automatic run that
// disables the buttons until the average settles, reset and the spectrum inversion.

#include "demod/ui/DemodWindow.h"
#include "demod/ui/SlopeCompPanel.h"
#include "demod/ui/toolkit/RC_Label.h"
#include "tests/demod/ui/DemodTestKit.h"
#include "tests/demod/ui/toolkit/ToolkitTestKit.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace demod_test;

class SlopeCompPanelTest : public ::testing::Test {
protected:
    SlopeCompPanelTest() {
        ResetApi();
        ResetHost();
        auto caps = Caps();
        window_ = new DemodWindow(1, caps.data(), &HostCallbackFn, &mask_, DemodWindow::kPci, FAKE_API_PATH);
        panel_ = new SlopeCompPanel(window_);
    }
    ~SlopeCompPanelTest() override {
        // The panel first: made here rather than by the window, it tells the window it closes,
        // which the window's own destructor could no longer take.
        delete panel_;
        delete window_;
        toolkit_test::Pump();
    }

    plat::sys::FakeClock clock_;
    plat::sys::ScopedClock scoped_{clock_};
    AudioRig audio_;
    std::uint32_t mask_ = 0;
    DemodWindow* window_ = nullptr;
    SlopeCompPanel* panel_ = nullptr;
};

TEST_F(SlopeCompPanelTest, ControlsSitInOneColumn) {
    EXPECT_STREQ(panel_->Caption(), "IF spectrum slope compensation");
    const struct {
        int y;
        const char* caption;
    } rows[] = {{26, "Hide special controls"}, {48, "Automatic correction"}, {70, "Reset correction"},
                {92, "Update EEPROM"},         {128, "Invert Spectrum"}};
    for (int i = 0; i < 5; ++i) {
        RC_Button* b = panel_->Button(i);
        EXPECT_EQ(b->Y(), rows[i].y);
        EXPECT_EQ(b->X(), 4);
        EXPECT_EQ(b->Width(), panel_->Width() - 8);
        EXPECT_STREQ(b->Caption(), rows[i].caption);
    }
    EXPECT_STREQ(panel_->Figure(0)->Caption(), "Averaged baseline: 0.00dB");
    EXPECT_EQ(panel_->Figure(2)->Y(), 186);
}

TEST_F(SlopeCompPanelTest, AutomaticRunDisablesTheButtonsUntilTheAverageSettles) {
    SlopeKnobs knobs{};
    knobs.fill(3.0);
    window_->SetKnobs(knobs);
    panel_->StartAutomaticCorrection();
    EXPECT_EQ(window_->Knobs()[5], 0.0);
    EXPECT_FALSE(panel_->Button(1)->IsEnabled());
    EXPECT_FALSE(panel_->Button(3)->IsEnabled());
    knobs = window_->Knobs();
    std::vector<float> db(1024);
    bool ended = false;
    for (int frame = 0; frame < 1000 && !ended; ++frame) {
        std::fill(db.begin(), db.end(), -45.0f);
        SlopeFrame spectrum;
        spectrum.db = db.data();
        spectrum.bins = 1024;
        spectrum.fs = 48000.0;
        spectrum.track = true;
        ended = window_->SlopeAveraging().Apply(spectrum, knobs);
        panel_->ShowFigures(window_->SlopeAveraging(), ended);
    }
    ASSERT_TRUE(ended);
    EXPECT_TRUE(panel_->Button(1)->IsEnabled());
    EXPECT_EQ(std::string(panel_->Figure(0)->Caption()).rfind("Averaged baseline: -", 0), 0u);
    for (double k : knobs) EXPECT_EQ(k, 0.0) << "a flat spectrum needs no correction";
}

TEST_F(SlopeCompPanelTest, ResetAndInversion) {
    SlopeKnobs knobs{};
    knobs.fill(-7.0);
    window_->SetKnobs(knobs);
    panel_->ResetCorrection();
    for (double k : window_->Knobs()) EXPECT_EQ(k, 0.0);
    panel_->InvertSpectrum(true);
    EXPECT_TRUE(panel_->Inverted());
    EXPECT_EQ(panel_->InversionFrequency(), -12000);
    panel_->InvertSpectrum(false);
    EXPECT_EQ(panel_->InversionFrequency(), 12000);
}

} // namespace
