#include "demod/dsp/PhaseKernels.h"
#include "tests/demod/dsp/SignalTestKit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

using dsptest::kPi;

// The exact phase step of two samples, and the kernel's, in radians (scale 2^28 / pi keeps a
// step well inside 32 bits and resolves 1.2e-8 rad).
constexpr double kScale = 268435456.0 / kPi;

double Exact(std::int32_t i0, std::int32_t q0, std::int32_t i1, std::int32_t q1) {
    const double re = i1, im = q1, pr = i0, pi = q0;
    return std::atan2(pi * re - pr * im, re * pr + im * pi);
}

// Runs the routine over pairs (x[2k], x[2k+1]) as one stream; returns the steps in radians.
std::vector<double> Steps(RC_PhaseKernel kernel, const std::vector<std::int32_t>& i,
                          const std::vector<std::int32_t>& q, std::int32_t previousI, std::int32_t previousQ) {
    std::vector<std::int32_t> out(i.size());
    kernel(i.data(), q.data(), static_cast<std::uint32_t>(i.size()), previousI, previousQ,
           static_cast<float>(kScale), out.data());
    std::vector<double> steps;
    for (std::int32_t v : out) steps.push_back(v / static_cast<double>(static_cast<float>(kScale)));
    return steps;
}

// Samples on a circle of radius r, stepping by `step` radians from `start`.
void Circle(double r, double start, double step, std::size_t n, std::vector<std::int32_t>& i,
            std::vector<std::int32_t>& q) {
    i.clear();
    q.clear();
    for (std::size_t k = 0; k < n; ++k) {
        i.push_back(static_cast<std::int32_t>(std::lround(r * std::cos(start + step * k))));
        q.push_back(static_cast<std::int32_t>(std::lround(r * std::sin(start + step * k))));
    }
}

TEST(PhaseKernels, StepsAreWithinAMicroradianAllRoundTheCircleAtEveryScale) {
    // Every step from -pi to pi (through both octant borders and up to the wrap), from every
    // starting angle, at the channel's weakest and strongest amplitudes.
    for (RC_PhaseKernel kernel : {RC_PhaseStepsScalar, RC_PhaseStepsSse2}) {
        for (double r : {3.0e4, 1.0e7, 2.1e9}) {
            double worst = 0.0;
            std::vector<std::int32_t> i, q;
            for (int s = -1000; s <= 1000; ++s) {
                const double step = kPi * s / 1000.0 * (s == 1000 || s == -1000 ? 0.9999999 : 1.0);
                Circle(r, 0.37 * s, step, 9, i, q);
                const std::vector<double> got = Steps(kernel, i, q, i[0], q[0]);
                for (std::size_t k = 1; k < got.size(); ++k) {
                    worst = std::max(worst, std::fabs(got[k] - Exact(i[k - 1], q[k - 1], i[k], q[k])));
                }
            }
            EXPECT_LT(worst, 1.0e-6) << "radius " << r;
        }
    }
}

TEST(PhaseKernels, TheNegativeRealAxisAndZeroSamples) {
    for (RC_PhaseKernel kernel : {RC_PhaseStepsScalar, RC_PhaseStepsSse2}) {
        // A half turn exactly: +pi or -pi by the sign of the (zero) imaginary part, as atan2 gives,
        // and just either side of it the sign of the step.
        const std::vector<std::int32_t> i = {-1000, 1000, -1000, 1000, -1000, 1000, 999, 0, 0};
        const std::vector<std::int32_t> q = {0, 0, 0, 0, 1, 0, 0, 0, 0};
        const std::vector<double> got = Steps(kernel, i, q, 1000, 0);
        for (int k = 0; k < 4; ++k) {
            EXPECT_NEAR(std::fabs(got[k]), kPi, 1e-6) << k;
        }
        EXPECT_NEAR(got[4], -kPi + 0.001, 1e-6) << "just past a half turn";
        EXPECT_NEAR(got[5], kPi - 0.001, 1e-6) << "just short of a half turn";
        // A zero sample on either side has no phase: the step is 0, not a half turn.
        EXPECT_EQ(got[7], 0.0);
        EXPECT_EQ(got[8], 0.0);
        std::vector<std::int32_t> silence(9, 0);
        for (double v : Steps(kernel, silence, silence, -5, -5)) EXPECT_EQ(v, 0.0);
    }
}

TEST(PhaseKernels, RoutinesAgreeBitForBitAndCarryTheStreamAcrossCalls) {
    std::mt19937 random(17);
    std::uniform_int_distribution<std::int32_t> full(INT32_MIN + 1, INT32_MAX);
    std::vector<std::int32_t> i(1001), q(1001);
    for (std::size_t k = 0; k < i.size(); ++k) {
        // Full scale, small, and some exact zeros and repeats.
        const int kind = static_cast<int>(k % 7);
        i[k] = kind == 0 ? 0 : (kind == 1 ? full(random) >> 20 : full(random));
        q[k] = kind == 2 ? 0 : (kind == 3 ? i[k] : full(random));
    }
    for (std::uint32_t n : {0u, 1u, 4u, 5u, 8u, 9u, 1000u, 1001u}) {
        std::vector<std::int32_t> a(n + 1, 7), b(n + 1, 7);
        RC_PhaseStepsScalar(i.data(), q.data(), n, -3, 12345, -341782637.0f, a.data());
        RC_PhaseStepsSse2(i.data(), q.data(), n, -3, 12345, -341782637.0f, b.data());
        ASSERT_EQ(a, b) << n;
        EXPECT_EQ(a[n], 7) << "wrote past the block";
    }
    // Two calls with the earlier block's last sample carried give one call's steps.
    std::vector<std::int32_t> whole(1001), split(1001);
    RC_PhaseStepsSse2(i.data(), q.data(), 1001, 1, 2, 1.0e8f, whole.data());
    RC_PhaseStepsSse2(i.data(), q.data(), 500, 1, 2, 1.0e8f, split.data());
    RC_PhaseStepsSse2(i.data() + 500, q.data() + 500, 501, i[499], q[499], 1.0e8f, split.data() + 500);
    EXPECT_EQ(whole, split);
}

} // namespace
