// The IF of the band: where each station lands, how loud, how it is modulated, and that blocks
// join without a seam.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <vector>

#include "driver/sim/LiveScene.h"
#include "driver/sim/SceneIfSynthesizer.h"

namespace lxq::sim {
namespace {

// Amplitude of the tone at hz in a Hann-windowed stretch.
double Tone(const std::vector<std::int16_t>& x, double hz, double rate) {
    std::complex<double> sum = 0.0;
    double window = 0.0;
    for (std::size_t n = 0; n < x.size(); ++n) {
        const double w = 0.5 - 0.5 * std::cos(2.0 * M_PI * n / x.size());
        sum += w * x[n] * std::polar(1.0, -2.0 * M_PI * hz * n / rate);
        window += w;
    }
    return 2.0 * std::abs(sum) / window;
}

std::vector<std::int16_t> Render(SceneIfSynthesizer& synth, const IfTuning& tuning, const BandScene& scene, std::size_t n) {
    std::vector<std::int16_t> x(n);
    synth.Render(tuning, scene, x.data(), n);
    return x;
}

const double kAmplitudeAt60 = kReferenceAmplitude * std::pow(10.0, (-60.0 - kReferenceLevelDbm) / 20.0);

TEST(SceneIfSynthesizer, StationsLandAtTheirOffsetFromTheIfCentreOnTheMixingsSide) {
    const BandScene scene = *BandScene::Parse(
        "noise -200\nstation 50003000 -60 carrier\nstation 49995000 -80 cw\nstation 50030000 -40 carrier\n"
        "station 50001000 -70 usb tone=1500\n");
    struct Case {
        double rate;
        double centre;
        bool inverted;
    };
    for (const Case c : {Case{64000.0, 12000.0, false}, Case{64000.0, 12000.0, true}, Case{48000.0, 12000.0, false}}) {
        SceneIfSynthesizer synth(c.rate);
        IfTuning tuning;
        tuning.tunedHz = 50'000'000;
        tuning.ifCentreHz = c.centre;
        tuning.inverted = c.inverted;
        const auto x = Render(synth, tuning, scene, 16384);
        const double side = c.inverted ? -1.0 : 1.0;
        const double at3k = Tone(x, c.centre + side * 3000.0, c.rate);
        EXPECT_NEAR(at3k, kAmplitudeAt60, kAmplitudeAt60 * 0.01) << c.rate << " " << c.inverted;
        EXPECT_NEAR(at3k / Tone(x, c.centre - side * 5000.0, c.rate), 10.0, 0.2); // 20 dB: ten times
        EXPECT_NEAR(Tone(x, c.centre + side * 2500.0, c.rate), kAmplitudeAt60 / std::sqrt(10.0), 10.0); // the sideband
        EXPECT_LT(Tone(x, c.centre - side * 3000.0, c.rate), 2.0); // no mirror
        // Out of the IF's reach, nothing of the strong one 30 kHz away.
        EXPECT_LT(*std::max_element(x.begin(), x.end()), 2.0 * kAmplitudeAt60);
    }
}

TEST(SceneIfSynthesizer, BlocksJoinAsOneStream) {
    const BandScene& scene = BandScene::Default();
    IfTuning tuning;
    tuning.tunedHz = 145'550'000; // FM with a DCS code: every oscillator runs
    SceneIfSynthesizer whole(64000.0), pieces(64000.0);
    const auto one = Render(whole, tuning, scene, 3000);
    std::vector<std::int16_t> joined;
    for (std::size_t n : {1u, 999u, 1024u, 976u}) {
        const auto part = Render(pieces, tuning, scene, n);
        joined.insert(joined.end(), part.begin(), part.end());
    }
    EXPECT_EQ(joined, one);
}

TEST(SceneIfSynthesizer, ModulationIsHeardAsTheSceneSays) {
    const double rate = 64000.0;
    IfTuning tuning;
    tuning.tunedHz = 1'000'000;
    SceneIfSynthesizer synth(rate);
    // AM: sidebands a tone away from the carrier at depth / 2 of its amplitude.
    const auto am = Render(synth, tuning, *BandScene::Parse("noise -200\nstation 1000000 -60 am tone=1000 depth=0.6\n"), 16384);
    EXPECT_NEAR(Tone(am, 12000.0, rate), kAmplitudeAt60, 2.0);
    EXPECT_NEAR(Tone(am, 13000.0, rate), 0.3 * kAmplitudeAt60, 2.0);
    EXPECT_NEAR(Tone(am, 11000.0, rate), 0.3 * kAmplitudeAt60, 2.0);
    // FM: the carrier's energy spreads into sidebands a tone apart (J1 of the index 2.5 is 0.497).
    const auto fm = Render(synth, tuning, *BandScene::Parse("noise -200\nstation 1000000 -60 fm tone=1000 deviation=2500\n"), 16384);
    EXPECT_NEAR(Tone(fm, 13000.0, rate) / kAmplitudeAt60, 0.497, 0.02);
    EXPECT_NEAR(Tone(fm, 12000.0, rate) / kAmplitudeAt60, std::abs(std::cyl_bessel_j(0.0, 2.5)), 0.02);
}

TEST(SceneIfSynthesizer, InFmWideModeTheReceiversOwnDemodulatorGivesTheAudio) {
    const double rate = 64000.0;
    const BandScene scene = *BandScene::Parse("noise -120\nstation 98000000 -50 fm tone=700\nstation 98050000 -50 am\n");
    IfTuning tuning;
    tuning.tunedHz = 98'000'000;
    tuning.wideFm = true;
    tuning.bandwidthHz = kWideIfBandwidthHz;
    SceneIfSynthesizer synth(rate);
    const auto x = Render(synth, tuning, scene, 16384);
    const double tone = Tone(x, 700.0, rate);
    EXPECT_GT(tone, 5000.0);
    EXPECT_LT(Tone(x, 1000.0, rate), tone / 100.0); // the AM station says nothing
    tuning.tunedHz = 90'000'000; // an empty channel: hiss only
    const auto hiss = Render(synth, tuning, scene, 16384);
    EXPECT_LT(Tone(hiss, 700.0, rate), 100.0);
    double power = 0.0;
    for (auto v : hiss) power += double(v) * v;
    EXPECT_GT(std::sqrt(power / hiss.size()), 500.0);
}

TEST(SceneIfSynthesizer, TheDefaultSceneNeverClipsWithTheGainsAtTheirMost) {
    IfTuning tuning;
    tuning.gains.preamp = true;
    SceneIfSynthesizer synth(64000.0);
    for (const SceneStation& s : BandScene::Default().stations) {
        tuning.tunedHz = s.frequencyHz;
        for (bool wide : {false, true}) {
            tuning.wideFm = wide;
            tuning.bandwidthHz = wide ? kWideIfBandwidthHz : kNarrowIfBandwidthHz;
            const auto x = Render(synth, tuning, BandScene::Default(), 8192);
            const auto [low, high] = std::minmax_element(x.begin(), x.end());
            EXPECT_GT(*low, -32768) << s.name;
            EXPECT_LT(*high, 32767) << s.name;
            EXPECT_GT(*high, 0) << s.name;
        }
    }
}

TEST(SceneIfSynthesizer, TheNoiseHasTheScenesLevel) {
    IfTuning tuning;
    tuning.tunedHz = 5'000'000;
    SceneIfSynthesizer synth(64000.0);
    const auto x = Render(synth, tuning, *BandScene::Parse("noise -60\n"), 65536);
    double power = 0.0;
    for (auto v : x) power += double(v) * v;
    // The same power as a carrier at that level: rms = amplitude / sqrt(2).
    EXPECT_NEAR(std::sqrt(power / x.size()), kAmplitudeAt60 / std::sqrt(2.0), kAmplitudeAt60 * 0.03);
}

} // namespace
} // namespace lxq::sim
