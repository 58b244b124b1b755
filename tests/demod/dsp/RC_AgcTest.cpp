#include "demod/dsp/RC_Agc.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

namespace {

RC_Agc MakeAgc(double reference, double attack, double decay, double rate) {
    return RC_Agc{1.0, 1.0, attack, decay, 200.0, reference, rate};
}

// The coefficient that covers 90 % of the distance in `seconds` (as the demodulator's owner
// computes it from its AGC time constants).
double Coefficient(double seconds, double rate) { return 1.0 - std::pow(0.1, 1.0 / (rate * seconds)); }

enum class Stage { k16, k32, kIQ };

// Runs n samples of constant magnitude through one stage and returns the gain after each.
std::vector<double> Gains(RC_Agc& agc, Stage stage, int magnitude, int n) {
    std::vector<double> gains;
    for (int k = 0; k < n; ++k) {
        if (stage == Stage::k16) {
            std::int16_t x = static_cast<std::int16_t>(magnitude);
            agc.Process16(&x, 1, 1);
        } else if (stage == Stage::k32) {
            std::int32_t x = magnitude;
            agc.Process32(&x, 1, 1);
        } else {
            std::int32_t i = magnitude * 3 / 5;
            std::int32_t q = -magnitude * 4 / 5;
            agc.ProcessIQ(&i, &q, 1);
        }
        gains.push_back(agc.gain);
    }
    return gains;
}

// Samples until the gain has covered 90 % of its way from `from` to `to`.
int SamplesTo90Percent(const std::vector<double>& gains, double from, double to) {
    for (std::size_t k = 0; k < gains.size(); ++k) {
        if ((gains[k] - from) / (to - from) >= 0.9) {
            return static_cast<int>(k) + 1;
        }
    }
    return -1;
}

TEST(RC_Agc, AttackAndDecayReachNinetyPercentWithinTheirTimes) {
    const double rate = 24000.0;
    const double attackTime = 0.005;
    const double decayTime = 0.2;
    for (Stage stage : {Stage::k16, Stage::k32, Stage::kIQ}) {
        const double reference = 10000.0;
        RC_Agc agc = MakeAgc(reference, Coefficient(attackTime, rate), Coefficient(decayTime, rate), rate);
        agc.gain = reference / 1000.0;
        agc.envelope = 1000.0;
        Gains(agc, stage, 1000, 100); // settled on a weak signal: gain 10
        ASSERT_NEAR(agc.gain, 10.0, 1e-6);

        // A signal ten times stronger: the gain must fall to 1.
        const std::vector<double> falling = Gains(agc, stage, 10000, 2000);
        const int attackSamples = SamplesTo90Percent(falling, 10.0, 1.0);
        EXPECT_LE(attackSamples, static_cast<int>(attackTime * rate) + 2) << static_cast<int>(stage);
        EXPECT_GE(attackSamples, static_cast<int>(attackTime * rate * 0.95)) << "not much sooner either";

        const std::vector<double> rising = Gains(agc, stage, 1000, 10000);
        const int decaySamples = SamplesTo90Percent(rising, falling.back(), 10.0);
        EXPECT_LE(decaySamples, static_cast<int>(decayTime * rate) + 2) << static_cast<int>(stage);
        EXPECT_GE(decaySamples, static_cast<int>(decayTime * rate * 0.95));
    }
}

TEST(RC_Agc, EdgeCases) {
    // Zeros drive the envelope to 1 and the gain toward reference / 1 at the decay rate.
    RC_Agc agc = MakeAgc(100.0, 0.5, 0.25, 48000.0);
    agc.envelope = 5000.0;
    std::vector<std::int16_t> zeros(400, 0);
    agc.Process16(zeros.data(), 1, 1);
    // The weight is on the new sample, so the envelope drops at once to (1 - c) x 5000; the
    // target falls below the gain and the first step takes the attack branch.
    const double c = std::exp(-2.0 * std::numbers::pi * 200.0 / 48000.0);
    const double target = 100.0 / ((1.0 - c) * 5000.0);
    EXPECT_DOUBLE_EQ(agc.gain, 1.0 + 0.5 * (target - 1.0));
    agc.Process16(zeros.data(), 400, 1);
    EXPECT_DOUBLE_EQ(agc.envelope, 1.0);
    EXPECT_NEAR(agc.gain, 100.0, 1e-9);

    // Count 0 changes nothing.
    const RC_Agc before = agc;
    agc.Process32(nullptr, 0, 1);
    agc.ProcessIQ(nullptr, nullptr, 0);
    EXPECT_EQ(std::memcmp(&before, &agc, sizeof agc), 0);

    // Attack and decay 1: the gain jumps to the target on every sample; 0: it never moves.
    RC_Agc jump = MakeAgc(1000.0, 1.0, 1.0, 48000.0);
    std::int32_t i = 300, q = 400;
    jump.ProcessIQ(&i, &q, 1);
    EXPECT_DOUBLE_EQ(jump.gain, 2.0);
    EXPECT_EQ(i, 600);
    EXPECT_EQ(q, 800);
    RC_Agc frozen = MakeAgc(1000.0, 0.0, 0.0, 48000.0);
    frozen.gain = 3.0;
    std::vector<std::int32_t> block(100, 12345);
    frozen.Process32(block.data(), 100, 1);
    EXPECT_DOUBLE_EQ(frozen.gain, 3.0);
    EXPECT_EQ(block[99], 37035);
}

TEST(RC_Agc, SaturatesSymmetricallyAndStepsThroughInterleavedSamples) {
    RC_Agc agc = MakeAgc(1e9, 0.0, 0.0, 48000.0);
    agc.gain = 2.0;
    std::int16_t stereo[] = {-32768, 7, 32767, 7, -20000, 7, 100, 7};
    agc.Process16(stereo, 8, 2);
    EXPECT_EQ(stereo[0], -32767) << "never -32768";
    EXPECT_EQ(stereo[2], 32767);
    EXPECT_EQ(stereo[4], -32767);
    EXPECT_EQ(stereo[6], 200);
    EXPECT_EQ(stereo[1], 7) << "the other channel is untouched";

    std::int32_t wide[] = {INT32_MIN, INT32_MAX, -5};
    agc.Process32(wide, 3, 1);
    EXPECT_EQ(wide[0], -2147483647);
    EXPECT_EQ(wide[1], 2147483647);
    EXPECT_EQ(wide[2], -10);

    std::int32_t i = INT32_MIN, q = INT32_MAX;
    agc.ProcessIQ(&i, &q, 1);
    EXPECT_EQ(i, -2147483647);
    EXPECT_EQ(q, 2147483647);
}

} // namespace
