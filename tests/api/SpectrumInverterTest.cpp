// The spectrum inverter: mirroring about the receiver's IF2, filtering, seamless blocks, and the
// fixed-point path held against a model in double precision.

#include "api/FirFilter16.h"
#include "api/SpectrumInverter.h"
#include "tests/api/ApiFixture.h"

#include <cmath>
#include <numbers>
#include <random>

namespace lxq::api::testing {
namespace {

constexpr float kRate = 11'025.0f;

std::vector<std::int16_t> Tone(double hz, std::size_t n, double amplitude = 8000.0) {
    std::vector<std::int16_t> x(n);
    for (std::size_t k = 0; k < n; ++k)
        x[k] = static_cast<std::int16_t>(
            std::lround(amplitude * std::sin(2 * std::numbers::pi * hz * double(k) / kRate)));
    return x;
}

// Amplitude of the component at `hz` over samples [from, end) (Goertzel).
double AmplitudeAt(const std::vector<std::int16_t>& x, double hz, std::size_t from) {
    const double w = 2 * std::numbers::pi * hz / kRate;
    double re = 0, im = 0;
    for (std::size_t k = from; k < x.size(); ++k) {
        re += x[k] * std::cos(w * double(k));
        im += x[k] * std::sin(w * double(k));
    }
    return 2 * std::hypot(re, im) / double(x.size() - from);
}

class SpectrumInversion : public ApiFixture {
protected:
    void SetUp() override {
        ApiFixture::SetUp();
        Load();
        index = Lib().Open(nullptr);
        ASSERT_EQ(Ctl().SetIf2Frequency(index, 3'500), 1);
    }
    std::vector<std::int16_t> Run(std::vector<std::int16_t> x, int invert) {
        EXPECT_EQ(api->InvertSpectrum(index, x.data(), x.size(), kRate, 16, invert), 1);
        return x;
    }
    int index = 0;
};

TEST_F(SpectrumInversion, ToneLeavesAtItsMirrorFrequencyAtItsLevelOrPassesUntouched) {
    const auto x = Tone(3'000, 8'192);
    // A simulated receiver does not mirror by itself, so the flag alone decides.
    EXPECT_EQ(Run(x, 0), x) << "nothing asked for, nothing lost";

    const auto mirrored = Run(x, 1);
    EXPECT_NEAR(AmplitudeAt(mirrored, 4'000, 1'024), 8'000, 300);
    EXPECT_LT(AmplitudeAt(mirrored, 3'000, 1'024), 100);
    EXPECT_EQ(Read(api->Library().Slot(index).if2Frequency), 3'500u);
}

// A full-scale block: -32768 times the oscillator's -1 and the filter's overshoot must clip at the
// same sign, never wrap into a sample of the other end (silence with the clip lamp lit).
TEST_F(SpectrumInversion, FullScaleInputSaturatesInsteadOfWrapping) {
    std::vector<std::int16_t> x(8'192);
    for (std::size_t k = 0; k < x.size(); ++k) x[k] = (k / 2) % 2 == 0 ? -32'768 : 32'767; // fs / 4 square
    const auto mirrored = Run(x, 1);
    double peak = 0, energy = 0;
    for (std::size_t k = 1'024; k < mirrored.size(); ++k) {
        peak = std::max(peak, std::abs(double(mirrored[k])));
        energy += double(mirrored[k]) * mirrored[k];
    }
    EXPECT_GT(peak, 30'000);
    EXPECT_GT(std::sqrt(energy / double(mirrored.size() - 1'024)), 20'000) << "the tone keeps its level";
}

TEST_F(SpectrumInversion, ToneFartherThanTheCutoffIsRemoved) {
    const auto out = Run(Tone(200, 8'192), 1);
    EXPECT_LT(AmplitudeAt(out, 200, 1'024), 40);
    EXPECT_LT(AmplitudeAt(out, 6'800, 1'024), 40);
}

TEST_F(SpectrumInversion, BlocksJoinWithoutSeams) {
    const int other = Lib().Open(nullptr); // its own inverter, fresh like index's
    ASSERT_EQ(Ctl().SetIf2Frequency(other, 3'500), 1);
    auto whole = Tone(2'900, 1'024);
    auto halves = whole;
    ASSERT_EQ(api->InvertSpectrum(index, whole.data(), 1'024, kRate, 16, 1), 1);
    ASSERT_EQ(api->InvertSpectrum(other, halves.data(), 512, kRate, 16, 1), 1);
    ASSERT_EQ(api->InvertSpectrum(other, halves.data() + 512, 512, kRate, 16, 1), 1);
    EXPECT_EQ(whole, halves);
}

TEST_F(SpectrumInversion, RefusesOtherSampleWidthsAndUnknownReceivers) {
    auto x = Tone(1'000, 64);
    const auto before = x;
    EXPECT_EQ(api->InvertSpectrum(index, x.data(), x.size(), kRate, 8, 1), 0);
    EXPECT_EQ(api->InvertSpectrum(12, x.data(), x.size(), kRate, 16, 1), 0);
    EXPECT_EQ(x, before);
}

TEST_F(SpectrumInversion, RateThatIsNoRateIsRefusedAndDoesNotSilenceTheInverter) {
    for (const float bad : {std::nanf(""), INFINITY, -INFINITY, 0.0f, -11'025.0f}) {
        auto x = Tone(3'000, 256);
        const auto before = x;
        EXPECT_EQ(api->InvertSpectrum(index, x.data(), x.size(), bad, 16, 1), 0) << bad;
        EXPECT_EQ(x, before) << bad;
    }
    const auto mirrored = Run(Tone(3'000, 8'192), 1);
    EXPECT_NEAR(AmplitudeAt(mirrored, 4'000, 1'024), 8'000, 300) << "still mirrors afterwards";
}

// The same algorithm in double precision with the filter's own Q15 coefficients and no
// intermediate truncation: the fixed-point path may differ only by its roundings.
TEST(SpectrumInverterModel, FixedPointOutputFollowsTheDoubleModel) {
    SpectrumInverter inverter;
    inverter.SetMixingFrequency(3'500.0f);
    inverter.SetSampleRate(kRate);
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> noise(-12'000, 12'000);
    std::vector<std::int16_t> x(4'096);
    for (auto& v : x) v = static_cast<std::int16_t>(noise(rng));
    std::vector<std::int16_t> y = x;
    for (std::size_t at = 0; at < y.size(); at += 700)
        inverter.Process(y.data() + at, std::min<std::size_t>(700, y.size() - at));

    const auto& q15 = inverter.Filter().Q15();
    const float step = 3'500.0f * 2 * 3.14159265358979f / kRate;
    float phase = 0;
    std::vector<double> c(x.size()), s(x.size()), i(x.size()), q(x.size());
    for (std::size_t k = 0; k < x.size(); ++k) {
        c[k] = std::cos(phase);
        s[k] = std::sin(phase);
        i[k] = x[k] * c[k];
        q[k] = x[k] * s[k];
        phase += step;
        if (phase >= 3.14159265358979f) phase -= 2 * 3.14159265358979f;
    }
    int worst = 0;
    for (std::size_t k = 0; k < x.size(); ++k) {
        double fi = 0, fq = 0;
        for (std::size_t t = 0; t < q15.size() && t <= k; ++t) {
            fi += q15[t] * i[k - t];
            fq += q15[t] * q[k - t];
        }
        fi /= 32'768.0;
        fq /= 32'768.0;
        const double model = 2 * (fi * c[k] - fq * s[k]);
        worst = std::max(worst, static_cast<int>(std::ceil(std::abs(model - y[k]))));
    }
    // Roundings: I and Q (<= 1/2 each, through a filter of gain about 1) and the shift (<= 1/2),
    // doubled by the recombination, and the output (<= 1/2).
    EXPECT_LE(worst, 4);
}

TEST(FirFilter16, DesignRulesAndUnityDcGain) {
    FirFilter16 f(127, kRate, 3'000.0f);
    EXPECT_EQ(f.Taps(), 127);
    EXPECT_NEAR(f.Coefficients().front(), 0.0, 1e-15) << "the window ends at zero";
    double sum = 0;
    for (double v : f.Coefficients()) sum += v;
    EXPECT_NEAR(sum, 1.0, 1e-12);
    f.SetTaps(4);
    EXPECT_EQ(f.Taps(), 5);
    f.SetTaps(0);
    EXPECT_EQ(f.Taps(), 3);
    f.SetTaps(127);
    f.SetRate(5'000.0f);
    EXPECT_EQ(f.Cutoff(), 2'500.0f) << "cutoff no longer below half the rate";
    f.SetRate(kRate);
    f.SetCutoff(3'000.0f);
    std::vector<std::int16_t> dc(2'000, 10'000), out(2'000);
    f.Process(dc.data(), out.data(), dc.size());
    EXPECT_NEAR(out.back(), 10'000, 30);
}

TEST(FirFilter16, FullScaleOvershootSaturates) {
    FirFilter16 f(31, kRate, 3'000.0f);
    std::vector<std::int16_t> step(400, -32'768), out(400);
    for (std::size_t k = 200; k < step.size(); ++k) step[k] = 32'767; // overshoots past full scale
    f.Process(step.data(), out.data(), step.size());
    for (std::size_t k = 230; k < out.size(); ++k) EXPECT_GT(out[k], 30'000) << k;
    for (std::size_t k = 40; k < 190; ++k) EXPECT_LT(out[k], -30'000) << k;
}

TEST(FirFilter16, VectorKernelEqualsThePlainSumIncludingWraparound) {
    std::mt19937 rng(3);
    std::uniform_int_distribution<int> any(-32'768, 32'767);
    for (std::size_t n = 8; n <= 256; n += 8) {
        std::vector<std::int16_t> a(n), b(n);
        for (std::size_t k = 0; k < n; ++k) {
            a[k] = static_cast<std::int16_t>(any(rng));
            b[k] = static_cast<std::int16_t>(any(rng));
        }
        EXPECT_EQ(DotQ15(a.data(), b.data(), n), DotQ15Plain(a.data(), b.data(), n)) << n;
        std::vector<std::int16_t> extreme(n, -32'768);
        EXPECT_EQ(DotQ15(extreme.data(), extreme.data() , n),
                  DotQ15Plain(extreme.data(), extreme.data(), n)) << n;
        // Misaligned start.
        std::vector<std::int16_t> longer(n + 1, 1234);
        EXPECT_EQ(DotQ15(longer.data() + 1, a.data(), n), DotQ15Plain(longer.data() + 1, a.data(), n));
    }
}

} // namespace
} // namespace lxq::api::testing
