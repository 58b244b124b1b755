#include "demod/dsp/RC_Fft.h"
#include "tests/demod/dsp/SignalTestKit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

using dsptest::kPi;

constexpr int kWindows[] = {kRC_WindowRectangular, kRC_WindowTriangular, kRC_WindowHann, kRC_WindowHamming,
                            kRC_WindowBlackman};

// |X[k]|^2 of the windowed block in double precision, a quarter of it at bin 0.
std::vector<double> ReferencePower(const std::vector<double>& windowed, std::uint32_t first, std::uint32_t last) {
    const std::size_t n = windowed.size();
    std::vector<double> power;
    for (std::uint32_t k = first; k <= last; ++k) {
        double re = 0.0;
        double im = 0.0;
        for (std::size_t t = 0; t < n; ++t) {
            const double a = 2.0 * kPi * static_cast<double>((std::uint64_t{k} * t) % n) / n;
            re += windowed[t] * std::cos(a);
            im -= windowed[t] * std::sin(a);
        }
        power.push_back((re * re + im * im) * (k == 0 ? 0.25 : 1.0));
    }
    return power;
}

template <typename Sample>
std::vector<double> Windowed(const RC_Fft& fft, const std::vector<Sample>& x) {
    std::vector<double> w(fft.Size());
    for (std::uint32_t k = 0; k < fft.Size(); ++k) {
        w[k] = k < x.size() ? static_cast<double>(static_cast<float>(x[k]) * fft.WindowTable()[k]) : 0.0;
    }
    return w;
}

TEST(RC_Fft, SizeIsRoundedUpToAPowerOfTwoOfAtLeastFour) {
    const struct {
        std::uint32_t request;
        std::uint32_t size;
    } cases[] = {{0, 4}, {3, 4}, {4, 4}, {5, 8}, {1000, 1024}, {1024, 1024}, {1025, 2048}};
    RC_Fft fft;
    EXPECT_EQ(fft.Size(), 512u);
    for (const auto& c : cases) {
        fft.SetSize(c.request);
        EXPECT_EQ(fft.Size(), c.size) << c.request;
        EXPECT_EQ(fft.HalfSize(), c.size / 2);
    }
}

TEST(RC_Fft, WindowsHaveTheirShapeAndAMeanOfOne) {
    RC_Fft fft;
    for (std::uint32_t size : {4u, 64u, 1024u}) {
        fft.SetSize(size);
        for (int type : kWindows) {
            fft.SetWindow(type);
            const float* w = fft.WindowTable();
            double sum = 0.0;
            for (std::uint32_t k = 0; k < size; ++k) {
                sum += w[k];
                ASSERT_EQ(w[k], w[size - 1 - k]) << "symmetric";
            }
            EXPECT_NEAR(sum / size, 1.0, 1e-6) << type << " at " << size;
            // Shape: relative to a reference point a quarter of the way in.
            const std::uint32_t q = size / 4;
            const auto shape = [&](std::uint32_t k) {
                const double a = 2.0 * kPi * k / size;
                switch (type) {
                case kRC_WindowTriangular: return k / (size / 2.0);
                case kRC_WindowHann: return 1.0 - std::cos(a);
                case kRC_WindowHamming: return 0.54 - 0.46 * std::cos(a);
                case kRC_WindowBlackman: return 0.42 - 0.5 * std::cos(a) + 0.08 * std::cos(2 * a);
                default: return 1.0;
                }
            };
            for (std::uint32_t k = 1; k < size / 2; ++k) {
                ASSERT_NEAR(w[k] / w[q], shape(k) / shape(q), 1e-5) << type << " at " << k;
            }
        }
    }
}

TEST(RC_Fft, PowerSpectrumMatchesADirectTransformForEverySizeAndWindow) {
    for (std::uint32_t size = 4; size <= 4096; size *= 2) {
        const auto x16 = dsptest::RandomSamples(size, size);
        std::vector<std::int32_t> x32(size);
        for (std::uint32_t k = 0; k < size; ++k) {
            x32[k] = x16[k] * 65536 + static_cast<std::int32_t>(k * 37);
        }
        for (int type : kWindows) {
            RC_Fft fft;
            fft.SetSize(size);
            fft.SetWindow(type);
            // Larger sizes compare a spread of bins only, to keep the reference fast.
            const std::uint32_t last = std::min(fft.HalfSize() - 1, 255u);

            fft.Transform16(x16.data(), size);
            auto reference = ReferencePower(Windowed(fft, x16), 0, last);
            double peak = *std::max_element(reference.begin(), reference.end());
            for (std::uint32_t k = 0; k <= last; ++k) {
                ASSERT_NEAR(fft.Power()[k], reference[k], 2e-5 * peak) << size << " window " << type << " bin " << k;
            }
            fft.DirectBins16(x16.data(), size, 0, last);
            for (std::uint32_t k = 0; k <= last; ++k) {
                const double full = reference[k] * (k == 0 ? 4.0 : 1.0); // no quarter at bin 0
                ASSERT_NEAR(fft.Power()[k], full, 2e-5 * peak) << "direct " << size << " bin " << k;
            }

            fft.Transform32(x32.data(), size);
            reference = ReferencePower(Windowed(fft, x32), 0, last);
            peak = *std::max_element(reference.begin(), reference.end());
            for (std::uint32_t k = 0; k <= last; ++k) {
                ASSERT_NEAR(fft.Power()[k], reference[k], 2e-5 * peak) << size << " window " << type << " bin " << k;
            }
        }
    }
}

TEST(RC_Fft, ScalarAndSse2ButterfliesAgreeBitForBit) {
    for (std::uint32_t size = 4; size <= 65536; size *= 2) {
        const auto x = dsptest::RandomSamples(size, 100 + size);
        RC_Fft scalar(RC_Routine::kScalar);
        RC_Fft sse2(RC_Routine::kSse2);
        for (RC_Fft* f : {&scalar, &sse2}) {
            f->SetSize(size);
            f->SetWindow(kRC_WindowHann);
            f->Transform16(x.data(), size);
        }
        ASSERT_EQ(std::memcmp(scalar.Power(), sse2.Power(), size / 2 * sizeof(float)), 0) << size;
        ASSERT_EQ(std::memcmp(scalar.RealPart(), sse2.RealPart(), size / 2 * sizeof(float)), 0) << size;
    }
}

TEST(RC_Fft, AConstantGivesTheSameBinZeroPowerUnderEveryWindow) {
    const std::vector<std::int16_t> constant(1024, 1000);
    RC_Fft fft;
    fft.SetSize(1024);
    for (int type : kWindows) {
        fft.SetWindow(type);
        fft.Transform16(constant.data(), 1024);
        // A quarter of (N x 1000)^2: the same as a sinusoid of amplitude 1000 in its bin.
        EXPECT_NEAR(fft.Power()[0] / (0.25 * 1024.0 * 1024.0 * 1e6), 1.0, 1e-4) << type;
    }
    // A sinusoid of amplitude 1000 in bin 64 shows the same power there (rectangular window).
    std::vector<std::int16_t> tone(1024);
    for (std::size_t k = 0; k < tone.size(); ++k) {
        tone[k] = static_cast<std::int16_t>(std::lround(1000.0 * std::cos(2 * kPi * 64 * k / 1024)));
    }
    fft.SetWindow(kRC_WindowRectangular);
    fft.Transform16(tone.data(), 1024);
    EXPECT_NEAR(fft.Power()[64] / (0.25 * 1024.0 * 1024.0 * 1e6), 1.0, 1e-3);
}

TEST(RC_Fft, CountAboveTheSizeIsCutAndMissingSamplesCountAsZero) {
    RC_Fft fft;
    fft.SetSize(256);
    fft.SetWindow(kRC_WindowHamming);
    auto x = dsptest::RandomSamples(512, 9);
    fft.Transform16(x.data(), 256);
    const std::vector<float> first(fft.Power(), fft.Power() + 128);
    fft.Transform16(x.data(), 512);
    EXPECT_EQ(std::vector<float>(fft.Power(), fft.Power() + 128), first);

    // 255 samples: the last one is taken as 0.
    std::fill(x.begin() + 255, x.end(), 0);
    fft.Transform16(x.data(), 256);
    const std::vector<float> zeroed(fft.Power(), fft.Power() + 128);
    fft.Transform16(x.data(), 255);
    EXPECT_EQ(std::vector<float>(fft.Power(), fft.Power() + 128), zeroed);
}

TEST(RC_Fft, DirectBinsAreLimitedToTheHalfSpectrumAndLeaveOtherBinsAlone) {
    RC_Fft fft;
    fft.SetSize(64);
    const auto x = dsptest::RandomSamples(64, 4);
    fft.Transform16(x.data(), 64);
    const std::vector<float> before(fft.Power(), fft.Power() + 32);
    fft.DirectBins16(x.data(), 64, 30, 1000);
    for (std::uint32_t k = 0; k < 30; ++k) {
        ASSERT_EQ(fft.Power()[k], before[k]) << k;
    }
    EXPECT_NEAR(fft.Power()[31], before[31], 1e-4 * before[31] + 1.0);
}

} // namespace
