#include "demod/dsp/RC_VoiceDetector.h"
#include "tests/demod/dsp/SignalTestKit.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <vector>

namespace {

using dsptest::kPi;

constexpr float kFs = 48000.0f;
constexpr std::uint32_t kHalfSecond = 24000;

// Runs two analyses of half a second each (the owner's setting) in blocks of 768 samples.
RC_VoiceDetector& Analyse(RC_VoiceDetector& d, const std::function<double(std::size_t)>& signal) {
    d.SetSampleRate(kFs);
    d.SetLength(kHalfSecond);
    d.levelThreshold = 0.1f;
    std::vector<std::int16_t> block(768);
    std::size_t t = 0;
    for (std::uint32_t b = 0; b < 2 * kHalfSecond / 768; ++b) {
        for (auto& v : block) {
            v = static_cast<std::int16_t>(std::clamp(signal(t++), -32767.0, 32767.0));
        }
        d.AddSamples(block.data(), 768, 1);
    }
    return d;
}

TEST(RC_VoiceDetector, TellsSpeechLikeBurstsFromSteadyTonesAndNoise) {
    std::mt19937 random(3);
    std::normal_distribution<double> noise(0.0, 1.0);
    const struct {
        const char* what;
        std::function<double(std::size_t)> signal;
        std::int32_t state;
    } cases[] = {
        {"steady tone", [](std::size_t k) { return 8000.0 * std::sin(2 * kPi * 1000.0 * k / kFs); }, kRC_VoiceAbsent},
        {"low tone", [](std::size_t k) { return 8000.0 * std::sin(2 * kPi * 300.0 * k / kFs); }, kRC_VoiceAbsent},
        {"white noise", [&](std::size_t) { return 4000.0 * noise(random); }, kRC_VoiceAbsent},
        // Syllables: 150 ms of sound, 100 ms of pause.
        {"syllabic noise bursts",
         [&](std::size_t k) { return (k % 12000) < 7200 ? 4000.0 * noise(random) : 0.0; }, kRC_VoiceFound},
        {"syllabic vowel bursts",
         [](std::size_t k) {
             return (k % 12000) < 7200 ? 8000.0 * std::sin(2 * kPi * 220.0 * k / kFs) * std::sin(kPi * (k % 12000) / 7200.0)
                                       : 0.0;
         },
         kRC_VoiceFound},
        // Voiced sounds and hiss in turn, without pauses: the hiss frames cross zero far more
        // often than the average.
        {"vowels and fricatives",
         [&](std::size_t k) {
             return (k % 14400) < 9600 ? 8000.0 * std::sin(2 * kPi * 300.0 * k / kFs) : 6000.0 * noise(random);
         },
         kRC_VoiceFound},
    };
    for (const auto& c : cases) {
        RC_VoiceDetector d;
        Analyse(d, c.signal);
        EXPECT_EQ(d.State(), c.state) << c.what << ", voice measure " << d.VoiceMeasure();
        if (c.state == kRC_VoiceFound) {
            EXPECT_GE(d.VoiceMeasure(), 0.2f) << c.what;
            EXPECT_LE(d.VoiceMeasure(), 1.0f) << c.what;
        } else {
            EXPECT_LT(d.VoiceMeasure(), 0.2f) << c.what;
        }
        EXPECT_GT(d.Level(), 0.1f) << c.what;
    }
}

TEST(RC_VoiceDetector, SilenceAndWeakSignalsAreTooWeakToJudge) {
    RC_VoiceDetector silent;
    Analyse(silent, [](std::size_t) { return 0.0; });
    EXPECT_EQ(silent.State(), kRC_VoiceWeak);
    EXPECT_EQ(silent.Level(), 0.0f);
    EXPECT_EQ(silent.VoiceMeasure(), 0.0f);

    RC_VoiceDetector weak;
    Analyse(weak, [](std::size_t k) { return (k % 12000) < 7200 ? 20.0 * std::sin(2 * kPi * 500.0 * k / kFs) : 0.0; });
    EXPECT_EQ(weak.State(), kRC_VoiceWeak);
    EXPECT_EQ(weak.VoiceMeasure(), 0.0f);
    EXPECT_GT(weak.QuietMeasure(), 0.3f) << "the share of quiet frames is still kept";
}

TEST(RC_VoiceDetector, AnalysesOnlyWhenTheRingIsFullAndIgnoresSamplesWhileTheLengthIsZero) {
    RC_VoiceDetector d;
    std::vector<std::int16_t> x(2000, 1000);
    d.AddSamples(x.data(), 2000, 1);
    EXPECT_EQ(d.State(), kRC_VoiceNone) << "length 0";
    EXPECT_EQ(d.FillPosition(), 0u);

    d.SetSampleRate(11025.0f);
    d.SetLength(1000);
    d.AddSamples(x.data(), 999, 1);
    EXPECT_EQ(d.State(), kRC_VoiceNone);
    EXPECT_EQ(d.FillPosition(), 999u);
    d.AddSamples(x.data(), 1, 1);
    EXPECT_NE(d.State(), kRC_VoiceNone) << "the ring was full";
    EXPECT_EQ(d.FillPosition(), 0u);
    // A shorter length keeps the ring; a restart at 0 is the owner's to make.
    d.AddSamples(x.data(), 600, 1);
    d.SetLength(500);
    EXPECT_EQ(d.FillPosition(), 0u) << "beyond the new length";
    d.AddSamples(x.data(), 300, 1);
    d.SetFillPosition(0);
    EXPECT_EQ(d.FillPosition(), 0u);
}

TEST(RC_VoiceDetector, StridedSamplesTakeOneChannel) {
    std::mt19937 random(8);
    std::normal_distribution<double> noise(0.0, 3000.0);
    std::vector<std::int16_t> mono(kHalfSecond);
    std::vector<std::int16_t> stereo(2 * kHalfSecond);
    for (std::uint32_t k = 0; k < kHalfSecond; ++k) {
        mono[k] = static_cast<std::int16_t>((k % 12000) < 7200 ? noise(random) : 0.0);
        stereo[2 * k] = mono[k];
        stereo[2 * k + 1] = 12345;
    }
    RC_VoiceDetector a;
    RC_VoiceDetector b;
    for (RC_VoiceDetector* d : {&a, &b}) {
        d->SetSampleRate(kFs);
        d->SetLength(kHalfSecond);
    }
    a.AddSamples(mono.data(), kHalfSecond, 1);
    b.AddSamples(stereo.data(), 2 * kHalfSecond, 2);
    EXPECT_EQ(a.State(), b.State());
    EXPECT_EQ(a.VoiceMeasure(), b.VoiceMeasure());
    EXPECT_EQ(a.Energy(), b.Energy());
    EXPECT_EQ(a.ZeroCrossingRate(), b.ZeroCrossingRate());
}

TEST(RC_VoiceDetector, ARingShorterThanAFrameOrAVeryLowRateGivesNoFramesAndNoFault) {
    RC_VoiceDetector d;
    d.SetSampleRate(20.0f); // frames of 0 samples
    d.SetLength(100);
    std::vector<std::int16_t> x(100);
    for (std::size_t k = 0; k < x.size(); ++k) {
        x[k] = static_cast<std::int16_t>(k % 2 ? 8000 : -8000);
    }
    d.AddSamples(x.data(), 100, 1);
    EXPECT_EQ(d.State(), kRC_VoiceAbsent);
    EXPECT_EQ(d.VoiceMeasure(), 0.0f);
    EXPECT_EQ(d.QuietMeasure(), 0.0f);
}

TEST(RC_VoiceDetector, TheVoiceThresholdDecides) {
    std::mt19937 random(6);
    std::normal_distribution<double> noise(0.0, 4000.0);
    RC_VoiceDetector d;
    d.voiceThreshold = 1.01f; // never reached: the measure is at most 1
    Analyse(d, [&](std::size_t k) { return (k % 12000) < 7200 ? noise(random) : 0.0; });
    EXPECT_FLOAT_EQ(d.VoiceMeasure(), 1.0f);
    EXPECT_EQ(d.State(), kRC_VoiceNone) << "neither voice nor uniform";
}

} // namespace
