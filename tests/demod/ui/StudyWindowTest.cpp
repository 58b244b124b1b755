// The demodulator study window: which probes each mode offers, choosing probes with the mouse,
// the graph rates per probe, what a block captures, the measurements and when they are shown.

#include "demod/ui/DemodWindow.h"
#include "demod/ui/HtmlHelp.h"
#include "demod/ui/ModeTable.h"
#include "demod/ui/StudyMeasure.h"
#include "demod/ui/StudyWindow.h"
#include "demod/ui/toolkit/RC_Graph.h"
#include "demod/ui/toolkit/RC_NumberEdit.h"
#include "platform/win/Win.h"
#include "tests/demod/ui/DemodTestKit.h"
#include "tests/demod/ui/toolkit/ToolkitTestKit.h"
#include "tests/support/ScreenshotPath.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

namespace {

using namespace demod_test;
using toolkit_test::Pump;
namespace win = plat::win;

constexpr std::uint32_t kReceiver = 7;

std::uint32_t Bits(std::initializer_list<int> probes) {
    std::uint32_t bits = 0;
    for (int p : probes) bits |= 1u << p;
    return bits;
}

// n samples of a tone at f of rate, with an optional second harmonic of the given share.
std::vector<std::int16_t> Tone(std::uint32_t n, double f, double rate, double amplitude, double second = 0.0,
                               double phase = 0.0) {
    std::vector<std::int16_t> x(n);
    for (std::uint32_t k = 0; k < n; ++k) {
        const double w = 2.0 * std::numbers::pi * f * k / rate + phase;
        x[k] = static_cast<std::int16_t>(amplitude * (std::sin(w) + second * std::sin(2.0 * w)));
    }
    return x;
}

TEST(StudyMeasureTest, LevelDifferenceIsInDecibelsAndBoundedWhenASideIsSilent) {
    struct Case {
        double red, blue, expected;
    };
    for (const Case c : {Case{100, 1, 20}, Case{1, 100, -20}, Case{5, 5, 0}, Case{1, 0, 100}, Case{0, 0, 100},
                         Case{0, 1, -100}})
        EXPECT_NEAR(study::LevelDifference(c.red, c.blue), c.expected, 1e-9) << c.red << " / " << c.blue;
}

TEST(StudyMeasureTest, PhaseDifferenceIsFoldedIntoOneTurn) {
    struct Case {
        double red, blue, expected; // degrees
    };
    for (const Case c : {Case{10, -10, 20}, Case{170, -170, -20}, Case{-170, 170, 20}, Case{90, -90, 180},
                         Case{-90, 90, 180}}) {
        const auto at = [](double deg) { return std::polar(1.0, deg * std::numbers::pi / 180.0); };
        EXPECT_NEAR(study::PhaseDifference(at(c.red), at(c.blue)), c.expected, 1e-9) << c.red << " - " << c.blue;
    }
}

TEST(StudyMeasureTest, BinOfAToneOnItsBinHoldsItsPower) {
    const auto x = Tone(1024, 48000.0 * 32 / 1024, 48000, 1000);
    EXPECT_NEAR(std::abs(study::Bin(x.data(), 1024, 32)), 1000 * 512, 1000);
    EXPECT_LT(std::abs(study::Bin(x.data(), 1024, 100)), 1000);
}

TEST(StudyMeasureTest, ThdFollowsTheShareOfTheSecondHarmonic) {
    constexpr double kRate = 48000, kF = 1500; // whole cycles in 1024 samples
    struct Case {
        double second, expected;
    };
    for (const Case c : {Case{0.0, 0.0}, Case{0.1, 9.95}, Case{0.3, 28.7}}) {
        const auto x = Tone(1024, kF, kRate, 10000, c.second);
        EXPECT_NEAR(study::Thd(x.data(), 1024, kF, kRate), c.expected, 0.5) << c.second;
    }
    const auto silence = std::vector<std::int16_t>(1024, 0);
    EXPECT_LT(study::Thd(silence.data(), 1024, kF, kRate), 0) << "no power";
    EXPECT_LT(study::Thd(silence.data(), 1024, 30000, kRate), 0) << "no harmonic below half the rate";
}

TEST(StudyMeasureTest, SinadIsHighForAPureToneAndFallsWithNoise) {
    constexpr double kRate = 48000, kF = 1000;
    study::Sinad quiet;
    EXPECT_EQ(quiet.Measure(kF, kRate), 0.0) << "no signal";

    study::Sinad clean, noisy;
    std::mt19937 rng(5);
    std::normal_distribution<double> noise(0.0, 300.0);
    for (int block = 0; block < 32; ++block) {
        auto x = Tone(1024, kF, kRate, 10000, 0.0, 2.0 * std::numbers::pi * kF * 1024 * block / kRate);
        std::vector<std::int16_t> stereo(2048);
        for (int i = 0; i < 1024; ++i) stereo[2 * i] = x[i];
        clean.Append(stereo.data(), 1024, 2);
        for (int i = 0; i < 1024; ++i) stereo[2 * i] = static_cast<std::int16_t>(x[i] + noise(rng));
        noisy.Append(stereo.data(), 1024, 2);
    }
    const double c = clean.Measure(kF, kRate), n = noisy.Measure(kF, kRate);
    EXPECT_GT(c, 60.0);
    EXPECT_GT(n, 15.0);
    EXPECT_LT(n, 40.0);
}

class StudyWindowTest : public ::testing::Test {
protected:
    StudyWindowTest() {
        ResetApi();
        ResetHost();
        SetDefaultSettings(settings_);
        const auto caps = Caps();
        window_ = new DemodWindow(kReceiver, caps.data(), &HostCallbackFn, &mask_, DemodWindow::kPci, FAKE_API_PATH);
    }
    ~StudyWindowTest() override {
        delete study_;
        delete window_;
        Pump();
    }
    StudyWindow* Open(int modeIndex = 0) {
        window_->OnModeButton(ModeButtonOfIndex(modeIndex), false);
        study_ = new StudyWindow(window_, settings_);
        study_->Show(win::SW_SHOW);
        return study_;
    }
    // A mouse message on a probe's marker square.
    void OnProbe(int probe, std::uint32_t msg, win::WParam keys = 0) {
        const auto& p = StudyWindow::kProbes[probe];
        win::SendMessage(study_->Handle(), msg, keys, win::MakeLParam(p.x + 6, p.y + 28));
    }
    void Block(const std::vector<std::int16_t>& input, const std::vector<std::int16_t>& output) {
        study_->OnAudioBlock(input.data(), static_cast<std::uint32_t>(input.size()), output.data(),
                             static_cast<std::uint32_t>(output.size()));
    }

    plat::sys::FakeClock clock_;
    plat::sys::ScopedClock scoped_{clock_};
    AudioRig audio_;
    std::uint32_t mask_ = 0;
    DemodSettings settings_{};
    DemodWindow* window_ = nullptr;
    StudyWindow* study_ = nullptr;
};

TEST_F(StudyWindowTest, EachModeOffersTheProbesOfItsDiagram) {
    const std::uint32_t common = Bits({2, 9, 10, 11});
    EXPECT_EQ(StudyWindow::OfferedProbes(0), common | Bits({12, 13, 18}));
    EXPECT_EQ(StudyWindow::OfferedProbes(kModeCw), common | Bits({12, 13, 18}));
    EXPECT_EQ(StudyWindow::OfferedProbes(kModeIsb), common | Bits({12, 13, 14, 15, 19, 20}));
    EXPECT_EQ(StudyWindow::OfferedProbes(kModeFmw), 0u) << "no diagram";
}

TEST_F(StudyWindowTest, OpensWithTheModeTitleAndBothProbesOnTheInput) {
    Open(kModeUsb);
    EXPECT_STREQ(study_->Caption(), "USB Demodulator Structure");
    EXPECT_EQ(study_->Width(), 636);
    EXPECT_EQ(study_->Height(), 410);
    EXPECT_EQ(study_->RedProbe(), 2);
    EXPECT_EQ(study_->BlueProbe(), 2);
    EXPECT_EQ(study_->TestFrequencyField()->Value(), 1000);
    EXPECT_EQ(study_->TestFrequencyField()->Maximum(), 48000 / 5.0);
}

TEST_F(StudyWindowTest, GraphRatesFollowTheProbesPlaceInTheChain) {
    Open();
    const RC_Demodulator& d = window_->Demodulator();
    ASSERT_EQ(d.Decimation(), 2u);
    ASSERT_EQ(d.Interpolation(), 2u);
    struct Case {
        int probe;
        double rate;
        std::uint32_t count;
    };
    for (const Case c : {Case{2, 48000, 1024}, Case{11, 48000, 1024}, Case{12, 24000, 512}, Case{15, 24000, 512},
                         Case{18, 48000, 512}, Case{20, 48000, 512}}) {
        const StudyWindow::Rate r = study_->RateOf(c.probe);
        EXPECT_EQ(r.rate, c.rate) << c.probe;
        EXPECT_EQ(r.count, c.count) << c.probe;
    }
}

TEST_F(StudyWindowTest, LeftClickChoosesRedAndRightClickBlue) {
    Open();
    OnProbe(10, win::WM_MOUSEMOVE);
    EXPECT_EQ(study_->HoveredProbe(), 10);
    OnProbe(10, win::WM_LBUTTONDOWN, win::MK_LBUTTON);
    OnProbe(10, win::WM_LBUTTONUP);
    EXPECT_EQ(study_->RedProbe(), 10);
    OnProbe(12, win::WM_RBUTTONDOWN, win::MK_RBUTTON);
    OnProbe(12, win::WM_RBUTTONUP);
    EXPECT_EQ(study_->BlueProbe(), 12);
    EXPECT_EQ(study_->BlueGraph()->SampleRate(), 24000.0f);
    EXPECT_EQ(study_->TestFrequencyField()->Maximum(), 24000 / 5.0) << "a fifth of the blue graph's rate";
    OnProbe(14, win::WM_LBUTTONDOWN, win::MK_LBUTTON); // the Hilbert filter: not in AM
    EXPECT_EQ(study_->RedProbe(), 10);
    OnProbe(10, win::WM_MOUSEMOVE);
    win::SendMessage(study_->Handle(), win::WM_MOUSEMOVE, 0, win::MakeLParam(300, 300)); // onto the red panel
    EXPECT_EQ(study_->HoveredProbe(), -1);
    OnProbe(10, win::WM_MOUSEMOVE);
    win::SendMessage(study_->Handle(), win::WM_MOUSEMOVE, 0, win::MakeLParam(200, 100)); // on the diagram, off the probes
    EXPECT_EQ(study_->HoveredProbe(), -1);
}

TEST_F(StudyWindowTest, DistortionMeasurementsKeepBlueOnTheOutput) {
    struct Case {
        int mode, forced;
    };
    for (const Case c : {Case{0, 18}, Case{kModeIsb, 19}}) {
        Open(c.mode);
        toolkit_test::Click(study_->ThdButton(), 5, 5);
        ASSERT_TRUE(study_->ThdButton()->IsDown());
        EXPECT_EQ(study_->BlueProbe(), c.forced);
        OnProbe(9, win::WM_RBUTTONDOWN, win::MK_RBUTTON);
        EXPECT_EQ(study_->BlueProbe(), c.forced) << "only the output is taken for blue";
        OnProbe(9, win::WM_LBUTTONDOWN, win::MK_LBUTTON);
        EXPECT_EQ(study_->RedProbe(), 9) << "red stays free";
        delete study_;
        study_ = nullptr;
    }
    Open(kModeIsb);
    toolkit_test::Click(study_->SinadButton(), 5, 5);
    OnProbe(20, win::WM_RBUTTONDOWN, win::MK_RBUTTON);
    EXPECT_EQ(study_->BlueProbe(), 20) << "the right channel is an output too";
}

TEST_F(StudyWindowTest, OutputProbesTakeEverySecondValueOfTheStereoBlock) {
    Open(kModeIsb);
    std::vector<std::int16_t> input(2048), output(2048);
    for (int i = 0; i < 2048; ++i) {
        input[i] = static_cast<std::int16_t>(i);
        output[i] = static_cast<std::int16_t>(i % 2 == 0 ? i : -i);
    }
    OnProbe(19, win::WM_LBUTTONDOWN, win::MK_LBUTTON);
    OnProbe(20, win::WM_RBUTTONDOWN, win::MK_RBUTTON);
    Block(input, output);
    EXPECT_EQ(study_->CaptureOf(0)[0], 0);
    EXPECT_EQ(study_->CaptureOf(0)[5], 10);
    EXPECT_EQ(study_->CaptureOf(1)[0], -1);
    EXPECT_EQ(study_->CaptureOf(1)[5], -11);
    OnProbe(2, win::WM_LBUTTONDOWN, win::MK_LBUTTON);
    Block(input, output);
    EXPECT_EQ(study_->CaptureOf(0)[0], 1) << "the input from its second sample";
    EXPECT_EQ(study_->CaptureOf(0)[1023], 1024);
}

TEST_F(StudyWindowTest, FiguresReachTheFieldsEveryTenthBlock) {
    Open();
    // Red on the input, blue on the output at half the level and 90 degrees later, both at 1500 Hz.
    // The bins come from each graph's own block: 1024 input samples against 512 output samples,
    // so the output's bin holds half the sum again (12 dB in all); the input starts one sample on.
    const auto input = Tone(2048, 1500, 48000, 8000);
    const auto half = Tone(1024, 1500, 48000, 4000, 0.0, -std::numbers::pi / 2);
    std::vector<std::int16_t> output(2048);
    for (int i = 0; i < 1024; ++i) output[2 * i] = half[i];
    OnProbe(18, win::WM_RBUTTONDOWN, win::MK_RBUTTON);
    study_->TestFrequencyField()->onValueChange.fn(study_->TestFrequencyField()->onValueChange.user,
                                                   study_->TestFrequencyField(), 1500);
    for (int block = 0; block < 9; ++block) Block(input, output);
    Pump();
    EXPECT_EQ(study_->LevelField()->Value(), 0) << "not before the tenth block";
    Block(input, output);
    Pump();
    const double kept = 1.0 - std::pow(0.9, 10); // the smoothing's share after ten blocks
    EXPECT_NEAR(study_->LevelKept(), 20.0 * std::log10(4.0) * kept, 0.3);
    EXPECT_NEAR(study_->PhaseKept(), (90.0 + 360.0 * 1500 / 48000) * kept, 3.0);
    EXPECT_NEAR(study_->LevelField()->Value(), study_->LevelKept(), 0.05);
    EXPECT_NEAR(study_->PhaseField()->Value(), study_->PhaseKept(), 0.5);
}

TEST_F(StudyWindowTest, MovingTheMarkerMovesItInBothPanelsAndIsStored) {
    Open();
    RC_Graph* red = study_->RedGraph();
    red->SetMarker(0, 3000.0f, 0x00FFFF, true, true, false, true);
    red->onMarkerDragged.fn(red->onMarkerDragged.user, red, 0);
    EXPECT_EQ(study_->BlueGraph()->MarkerAt(0).x, 3000.0f);
    EXPECT_EQ(settings_.studyTone, 3000.0f);
}

TEST_F(StudyWindowTest, HelpAsksForTheStudyTopic) {
    Open();
    EXPECT_TRUE(PressedHelpShows(study_->HelpButton(), "Q745DemodPro.chm::/Study.htm"));
}

TEST_F(StudyWindowTest, Screenshot) {
    Open(kModeIsb); // red stays on the input: the demodulator's own buffers fill only when it runs
    OnProbe(19, win::WM_RBUTTONDOWN, win::MK_RBUTTON);
    const auto input = Tone(2048, 1500, 48000, 8000);
    std::vector<std::int16_t> output(2048);
    for (int i = 0; i < 1024; ++i) output[2 * i] = input[i];
    Block(input, output);
    win::UpdateWindow(study_->Handle());
    Pump();
    EXPECT_TRUE(win::SaveScreenshot(lxq_test::ScreenshotPath("demod_study.png"), study_->Handle()));
}

} // namespace
