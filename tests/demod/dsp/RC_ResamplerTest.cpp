#include "demod/dsp/RC_Resampler.h"
#include "tests/demod/dsp/SignalTestKit.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

using dsptest::Db;
using dsptest::kPi;

std::vector<std::int16_t> Tone(double f, double fs, std::size_t n, double amplitude) {
    std::vector<std::int16_t> x(n);
    for (std::size_t k = 0; k < n; ++k) {
        x[k] = static_cast<std::int16_t>(amplitude * std::sin(2.0 * kPi * f * k / fs));
    }
    return x;
}

// Runs x through r in blocks of `block` samples (the resampler's block size left as set).
std::vector<std::int32_t> Resample(RC_Resampler& r, const std::vector<std::int16_t>& x, std::size_t block) {
    std::vector<std::int32_t> y;
    std::vector<std::int16_t> low(2 * x.size() + 16); // room for interpolation
    for (std::size_t at = 0; at < x.size(); at += block) {
        const auto n = static_cast<std::uint32_t>(std::min(block, x.size() - at));
        const std::uint32_t produced = r.Process(low.data(), x.data() + at, n, 1);
        EXPECT_EQ(produced, r.OutputCount()) << "one chunk per call";
        y.insert(y.end(), r.Output(), r.Output() + produced);
    }
    return y;
}

struct RatePair {
    double input;
    double output;
    double tolerance;
    std::uint32_t l;
    std::uint32_t m;
};

constexpr RatePair kPairs[] = {
    {64000.0, 48000.0, 0.0025, 3, 4},  // the codec stream to the sound card
    {48000.0, 2688.0, 0.001, 7, 125},  // the smallest L within the tolerance (6 misses it)
    {48000.0, 1378.0, 0.001, 5, 174},  // 1379.3 Hz
    {44100.0, 48000.0, 0.0001, 123, 113}, // 48003.5 Hz
};

TEST(RC_Resampler, ChoosesTheSmallestFactorPairWithinTheTolerance) {
    for (const auto& p : kPairs) {
        RC_Resampler r;
        EXPECT_EQ(r.SetRates(127, p.input, p.output, p.tolerance), 0u);
        EXPECT_EQ(r.Interpolation(), p.l) << p.input << " to " << p.output;
        EXPECT_EQ(r.Decimation(), p.m) << p.input << " to " << p.output;
        EXPECT_EQ(r.PrototypeLength(), 127 * p.l);
        EXPECT_NEAR(r.OutputRate(p.input) / p.output, 1.0, p.tolerance);
    }
}

TEST(RC_Resampler, NoFittingPairWithinTheSearchTakesTheClosestInsteadOfSearchingForever) {
    RC_Resampler r;
    r.SetRates(16, 48000.0, 48000.0 / std::numbers::pi, 0.0);
    EXPECT_GE(r.Interpolation(), 1u);
    EXPECT_LE(r.Interpolation(), RC_Resampler::kMaxInterpolation);
    EXPECT_NEAR(r.OutputRate(48000.0) * std::numbers::pi / 48000.0, 1.0, 1e-5);
    // Rates that are not positive change nothing.
    const std::uint32_t l = r.Interpolation();
    EXPECT_EQ(r.SetRates(16, 0.0, 1000.0, 0.01), 0u);
    EXPECT_EQ(r.SetRates(16, 1000.0, -1.0, 0.01), 0u);
    EXPECT_EQ(r.Interpolation(), l);
}

TEST(RC_Resampler, ATonePassesAtItsFrequencyAndLevelAtTheChosenRatio) {
    // The prototype spans 127 input samples whatever the ratio, so under heavy decimation the
    // transition band is wide: tones near the new Nyquist rate lose a little.
    const struct {
        RatePair rates;
        double tone;
        double lossDb;
    } cases[] = {{kPairs[0], 1000.0, 0.0}, {kPairs[0], 18000.0, 0.0}, {kPairs[1], 200.0, 0.0},
                 {kPairs[1], 600.0, -0.32}, {kPairs[2], 100.0, -0.12},  {kPairs[2], 250.0, -0.8},
                 {kPairs[3], 5000.0, 0.0}};
    for (const auto& c : cases) {
        RC_Resampler r;
        r.SetRates(127, c.rates.input, c.rates.output, c.rates.tolerance);
        const double outRate = r.OutputRate(c.rates.input);
        const auto x = Tone(c.tone, c.rates.input, static_cast<std::size_t>(c.rates.input), 10000.0);
        const auto y = Resample(r, x, 1024);
        // One second in gives one second out, give or take the samples still in the window.
        EXPECT_NEAR(static_cast<double>(y.size()), outRate, 2.0) << c.tone;
        const std::size_t settle = y.size() / 4; // past the filter's start from silence
        EXPECT_NEAR(dsptest::PeakFrequency(y, outRate, c.tone - 20, c.tone + 20, 1.0, settle), c.tone, 0.2)
            << c.rates.input << " to " << c.rates.output;
        EXPECT_NEAR(Db(dsptest::ToneAmplitude(y, c.tone, outRate, settle) / 10000.0), c.lossDb, 0.1) << c.tone;
    }
}

TEST(RC_Resampler, ToneAboveTheNewNyquistRateIsSuppressed) {
    const struct {
        RatePair rates;
        double tone;
    } cases[] = {{kPairs[0], 30000.0}, {kPairs[1], 5000.0}, {kPairs[1], 9000.0}, {kPairs[2], 5000.0}};
    for (const auto& c : cases) {
        RC_Resampler r;
        r.SetRates(127, c.rates.input, c.rates.output, c.rates.tolerance);
        const auto y = Resample(r, Tone(c.tone, c.rates.input, 48000, 30000.0), 1024);
        const std::size_t settle = y.size() / 4;
        EXPECT_LT(Db(dsptest::Rms(y, settle) / (30000.0 / std::sqrt(2.0))), -60.0) << c.tone;
    }
}

TEST(RC_Resampler, OutputDoesNotDependOnHowTheInputIsCutIntoBlocks) {
    // Heavy decimation (more than a window per output) as well as interpolation and the codec
    // ratio; blocks smaller than a window, larger than the block size, and ragged ones.
    const RatePair rates[] = {kPairs[0], kPairs[2], {48000.0, 100.0, 0.001, 1, 480}, kPairs[3]};
    const auto x = dsptest::RandomSamples(20000, 7, -20000, 20000);
    for (const auto& p : rates) {
        RC_Resampler whole;
        whole.SetRates(127, p.input, p.output, p.tolerance);
        whole.SetBlockSize(static_cast<std::uint32_t>(x.size()));
        const auto reference = Resample(whole, x, x.size());
        for (std::size_t block : {1u, 7u, 100u, 1024u, 3001u}) {
            RC_Resampler pieces;
            pieces.SetRates(127, p.input, p.output, p.tolerance);
            pieces.SetBlockSize(static_cast<std::uint32_t>(block));
            EXPECT_EQ(Resample(pieces, x, block), reference) << p.output << " in blocks of " << block;
        }
        // Owners that set the block size to every incoming count, growing and shrinking: the
        // stream and the taps go on unchanged.
        RC_Resampler following;
        following.SetRates(127, p.input, p.output, p.tolerance);
        std::mt19937 random(8);
        std::uniform_int_distribution<std::uint32_t> size(1, 1500);
        std::vector<std::int32_t> followed;
        std::vector<std::int16_t> low16(4 * 1500 + 16);
        for (std::size_t at = 0; at < x.size();) {
            const auto n = static_cast<std::uint32_t>(std::min<std::size_t>(size(random), x.size() - at));
            following.SetBlockSize(n);
            ASSERT_EQ(following.BlockSize(), n);
            const std::uint32_t produced = following.Process(low16.data(), x.data() + at, n, 1);
            followed.insert(followed.end(), following.Output(), following.Output() + produced);
            at += n;
        }
        EXPECT_EQ(followed, reference) << p.output << " with the block size following each block";

        // A block size smaller than the call: the chunks of one call continue the stream too.
        RC_Resampler chunked;
        chunked.SetRates(127, p.input, p.output, p.tolerance);
        chunked.SetBlockSize(333);
        std::vector<std::int16_t> low(2 * x.size());
        const std::uint32_t produced = chunked.Process(low.data(), x.data(), static_cast<std::uint32_t>(x.size()), 1);
        ASSERT_EQ(produced, reference.size());
        for (std::size_t k = 0; k < reference.size(); ++k) {
            ASSERT_EQ(low[k], static_cast<std::int16_t>(reference[k])) << k;
        }
    }
}

TEST(RC_Resampler, SameRatesAgainKeepFactorsAndStreamWhileNewRatesRestartIt) {
    const auto x = dsptest::RandomSamples(6000, 3, -10000, 10000);
    RC_Resampler continuous;
    continuous.SetRates(127, 64000.0, 48000.0, 0.0025);
    const auto reference = Resample(continuous, x, 1000);

    RC_Resampler r;
    r.SetRates(127, 64000.0, 48000.0, 0.0025);
    std::vector<std::int32_t> y;
    for (std::size_t at = 0; at < x.size(); at += 1000) {
        EXPECT_EQ(r.SetRates(127, 64000.0, 48000.0, 0.0025), 127u * 3) << "kept";
        std::vector<std::int16_t> low(1000);
        const std::uint32_t n = r.Process(low.data(), x.data() + at, 1000, 1);
        y.insert(y.end(), r.Output(), r.Output() + n);
    }
    EXPECT_EQ(y, reference);

    // A longer prototype than the current one re-lays out: the stream starts from silence.
    EXPECT_EQ(r.SetRates(255, 64000.0, 48000.0, 0.0025), 0u);
    EXPECT_EQ(r.PrototypeLength(), 255u * 3);
    std::vector<std::int16_t> silence(500, 0);
    r.Process(nullptr, silence.data(), 500, 1);
    for (std::uint32_t k = 0; k < r.OutputCount(); ++k) {
        ASSERT_EQ(r.Output()[k], 0) << "no history from before";
    }
}

TEST(RC_Resampler, StridedInputTakesOneChannel) {
    const auto left = dsptest::RandomSamples(4000, 11);
    std::vector<std::int16_t> stereo(2 * left.size());
    for (std::size_t k = 0; k < left.size(); ++k) {
        stereo[2 * k] = left[k];
        stereo[2 * k + 1] = static_cast<std::int16_t>(-left[k] / 3);
    }
    RC_Resampler mono;
    RC_Resampler interleaved;
    for (RC_Resampler* r : {&mono, &interleaved}) {
        r->SetRates(127, 48000.0, 2688.0, 0.001);
        r->SetBlockSize(4000);
    }
    const std::uint32_t a = mono.Process(nullptr, left.data(), 4000, 1);
    const std::uint32_t b = interleaved.Process(nullptr, stereo.data(), 8000, 2);
    ASSERT_EQ(a, b);
    EXPECT_TRUE(std::equal(mono.Output(), mono.Output() + a, interleaved.Output()));
    EXPECT_EQ(interleaved.Process(nullptr, stereo.data(), 8000, 0), 0u);
    EXPECT_EQ(interleaved.Process(nullptr, nullptr, 8000, 1), 0u);
}

TEST(RC_Resampler, OutputBeyondSixteenBitsWrapsOnlyInTheSixteenBitCopy) {
    // A full-scale square wave overshoots at each edge after the low-pass.
    std::vector<std::int16_t> square(8000);
    for (std::size_t k = 0; k < square.size(); ++k) {
        square[k] = (k / 400) % 2 == 0 ? 32767 : -32768;
    }
    RC_Resampler r;
    r.SetRates(127, 64000.0, 48000.0, 0.0025);
    r.SetBlockSize(8000);
    std::vector<std::int16_t> low(8000);
    const std::uint32_t n = r.Process(low.data(), square.data(), 8000, 1);
    bool overshoot = false;
    for (std::uint32_t k = 0; k < n; ++k) {
        const std::int32_t v = r.Output()[k];
        ASSERT_EQ(low[k], static_cast<std::int16_t>(v));
        overshoot = overshoot || v > 32767 || v < -32768;
    }
    EXPECT_TRUE(overshoot);
}

TEST(RC_Resampler, PolyphaseTableHoldsThePrototypeInterleavedWithUnityGainPerPhase) {
    RC_Resampler r;
    r.SetRates(127, 64000.0, 48000.0, 0.0025);
    ASSERT_EQ(r.TapsPerPhase(), 128u);
    // Each phase of an interpolating filter sums to about 1 / L of full scale.
    for (std::uint32_t phase = 0; phase < 3; ++phase) {
        double sum = 0;
        for (std::uint32_t k = 0; k < 128; ++k) {
            sum += r.PhaseTaps(phase)[k];
        }
        EXPECT_NEAR(sum / 2147483647.0, 1.0 / 3, 0.002) << phase;
    }
    EXPECT_EQ(r.PhaseTaps(2)[127], 0) << "the slot past the odd prototype";
    // Symmetric prototype: tap k equals tap T - 2 - k.
    const std::uint32_t total = 128 * 3;
    for (std::uint32_t k = 0; k < total - 1; ++k) {
        const std::uint32_t mirror = total - 2 - k;
        ASSERT_EQ(r.PhaseTaps(k % 3)[k / 3], r.PhaseTaps(mirror % 3)[mirror / 3]) << k;
    }
}

} // namespace
