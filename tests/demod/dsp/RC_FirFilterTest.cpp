#include "demod/dsp/RC_DelayLine.h"
#include "demod/dsp/RC_FirFilter16.h"
#include "demod/dsp/RC_FirFilter32.h"
#include "demod/dsp/RC_FirFilterFloat.h"
#include "tests/demod/dsp/SignalTestKit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <utility>
#include <vector>

namespace {

using dsptest::Db;
using dsptest::Response;

constexpr double kFs = 48000.0;

// Worst response in dB over [lo, hi].
double WorstDb(const RC_FirFilter16& f, const std::int16_t* taps, double lo, double hi) {
    double worst = -400.0;
    for (double x = lo; x <= hi; x += 5.0) {
        worst = std::max(worst, Db(Response(taps, f.Length(), x, kFs)));
    }
    return worst;
}

TEST(RC_FirFilterDesign, LowPassHalvesAtTheCutoffAndReachesTheStopBandThatItsTapsAllow) {
    // Longer filters give narrower transitions but a higher floor: their taps are smaller, so
    // truncation to Q15 costs more of each.
    const struct {
        std::uint32_t length;
        double stopDb;
    } cases[] = {{31, -80.0}, {127, -70.0}, {255, -65.0}, {511, -60.0}};
    for (const auto& c : cases) {
        RC_FirFilter16 f;
        f.SetSampleRate(kFs);
        f.SetType(kRC_FirLowPass);
        f.SetHighCutoff(3000.0f);
        f.SetLength(c.length);
        const double transition = 6.0 * kFs / c.length;
        EXPECT_NEAR(Db(Response(f.Taps(), c.length, 3000.0, kFs)), -6.0, 0.35) << c.length;
        EXPECT_LE(WorstDb(f, f.Taps(), 3000.0 + transition, kFs / 2), c.stopDb + 0.5) << c.length;
        if (3000.0 - transition > 0) {
            for (double x = 0; x <= 3000.0 - transition; x += 25.0) {
                ASSERT_NEAR(Db(Response(f.Taps(), c.length, x, kFs)), 0.0, 0.02) << c.length << " at " << x;
            }
        }
    }
}

TEST(RC_FirFilterDesign, HighPassBandPassBandStopAndHilbertResponses) {
    RC_FirFilter16 f;
    f.SetSampleRate(kFs);
    f.SetLength(255);
    f.SetHighCutoff(6000.0f);
    f.SetLowCutoff(2000.0f);

    f.SetType(kRC_FirHighPass); // the high-pass at the low cut-off, sign inverted
    EXPECT_LT(Db(Response(f.Taps(), 255, 0.0, kFs)), -60.0);
    EXPECT_NEAR(Db(Response(f.Taps(), 255, 2000.0, kFs)), -6.0, 0.3);
    EXPECT_NEAR(Db(Response(f.Taps(), 255, 10000.0, kFs)), 0.0, 0.05);
    double nyquistSum = 0; // DC gives 0 and half the rate gives -gain (phase from the centre)
    for (std::uint32_t k = 0; k < 255; ++k) {
        nyquistSum += ((k + 127) % 2 == 0 ? 1.0 : -1.0) * f.Taps()[k];
    }
    EXPECT_NEAR(nyquistSum / 32767.0, -1.0, 0.01);

    f.SetType(kRC_FirBandPass);
    EXPECT_LT(Db(Response(f.Taps(), 255, 0.0, kFs)), -60.0);
    EXPECT_NEAR(Db(Response(f.Taps(), 255, 4000.0, kFs)), 0.0, 0.05);
    EXPECT_NEAR(Db(Response(f.Taps(), 255, 2000.0, kFs)), -6.0, 0.3);
    EXPECT_NEAR(Db(Response(f.Taps(), 255, 6000.0, kFs)), -6.0, 0.3);
    EXPECT_LT(Db(Response(f.Taps(), 255, 12000.0, kFs)), -60.0);

    f.SetType(kRC_FirBandStop);
    EXPECT_LT(Db(Response(f.Taps(), 255, 4000.0, kFs)), -50.0);
    EXPECT_NEAR(Db(Response(f.Taps(), 255, 12000.0, kFs)), 0.0, 0.05);

    f.SetType(kRC_FirHilbert);
    for (std::uint32_t i = 0; i <= 127; ++i) {
        EXPECT_EQ(f.Taps()[127 + i], -f.Taps()[127 - i]) << "antisymmetric";
        if (i % 2 == 0) {
            EXPECT_EQ(f.Taps()[127 + i], 0) << "zero at even offsets";
        }
    }
    for (double x = 1000.0; x <= 23000.0; x += 500.0) {
        EXPECT_NEAR(Db(Response(f.Taps(), 255, x, kFs)), 0.0, 0.1) << "flat magnitude at " << x;
    }

    f.SetType(kRC_FirMovingAverage);
    EXPECT_EQ(f.Taps()[0], static_cast<std::int16_t>(32767.0 / 255));
    f.SetType(kRC_FirDifferentiator);
    EXPECT_EQ(f.Taps()[127], 0);
    EXPECT_GT(f.Taps()[128], 0);
    EXPECT_EQ(f.Taps()[126], -f.Taps()[128]);
}

TEST(RC_FirFilterDesign, SettersClampAndSkipUnchangedValues) {
    RC_FirFilter32 f;
    const struct {
        std::uint32_t request;
        std::uint32_t length;
    } lengths[] = {{0, 3}, {1, 3}, {2, 3}, {30, 31}, {31, 31}, {32, 33}, {0xFFFFFFFF, 33}};
    for (const auto& c : lengths) {
        f.SetLength(c.request);
        EXPECT_EQ(f.Length(), c.length) << c.request;
    }
    f.SetSampleRate(8000.0f);
    EXPECT_FLOAT_EQ(f.HighCutoff(), 3000.0f);
    f.SetHighCutoff(9000.0f);
    EXPECT_FLOAT_EQ(f.HighCutoff(), 4000.0f) << "held at half the rate";
    f.SetHighCutoff(500.0f);
    EXPECT_FLOAT_EQ(f.LowCutoff(), 499.0f) << "the low cut-off is pulled below";
    f.SetLowCutoff(700.0f);
    EXPECT_FLOAT_EQ(f.HighCutoff(), 701.0f) << "the high cut-off is pushed above";
    f.SetLowCutoff(0.0f);
    EXPECT_FLOAT_EQ(f.LowCutoff(), 1.0f);
    f.SetLowCutoff(5000.0f);
    EXPECT_FLOAT_EQ(f.LowCutoff(), 3999.0f);
    f.SetHighCutoff(3500.0f);
    f.SetLowCutoff(100.0f);
    f.SetSampleRate(2000.0f);
    EXPECT_FLOAT_EQ(f.HighCutoff(), 1000.0f) << "lowering the rate moves the high cut-off";
    EXPECT_FLOAT_EQ(f.LowCutoff(), 100.0f);
    f.SetSampleRate(150.0f);
    EXPECT_FLOAT_EQ(f.HighCutoff(), 75.0f);
    EXPECT_FLOAT_EQ(f.LowCutoff(), 74.0f);
    f.SetSampleRate(1.0f);
    EXPECT_FLOAT_EQ(f.SampleRate(), 4.0f);
    f.SetBlockSize(0);
    EXPECT_EQ(f.BlockSize(), 1u);
}

TEST(RC_FirFilterDesign, TapConversionAndUnnormalisedLowPass) {
    RC_FirFilter16 f;
    const double values[] = {1.0, -1.0, -1.5, 0.99999, 1.7, -0.00003, 0.5};
    f.LoadTaps(values, 7);
    const std::int16_t expected[] = {32767, -32767, -32768, 32766, 32767, 0, 16383};
    for (int k = 0; k < 7; ++k) {
        EXPECT_EQ(f.Taps()[k], expected[k]) << k;
    }
    f.LoadTaps(values, 4); // an even count gives the next odd length, the rest zero
    EXPECT_EQ(f.Length(), 5u);
    EXPECT_EQ(f.Taps()[4], 0);

    // A low-pass whose tap sum is at most 0.001 keeps its raw windowed-sinc taps: with the
    // cut-off at half the rate every tap but the centre is sin(pi i) = 0 and the centre is 1.
    RC_FirFilter16 g;
    g.SetSampleRate(1000.0f);
    g.SetLength(5);
    g.SetHighCutoff(500.0f);
    g.SetGain(0.5f);
    g.SetType(kRC_FirLowPass);
    EXPECT_EQ(g.Taps()[2], 16383) << "normalised: the sum 1 is scaled to the gain";
    g.SetHighCutoff(2.0f);
    g.SetSampleRate(2000000.0f); // sum of taps about 4 / 2e6: too small to normalise
    EXPECT_EQ(g.Taps()[2], 0) << "raw centre 2 fh / fs is far below one Q15 step";
}

TEST(RC_FirFilter, FiltersAStreamAcrossBlocksAndRestartsWhenReshaped) {
    RC_FirFilter16 f;
    const double taps[] = {0.25, 0.5, 0.25};
    f.LoadTaps(taps, 3);
    f.SetBlockSize(4);
    const std::int16_t input[] = {4000, 0, 0, 0, 0, 8000, 0, 0};
    std::int16_t out[8] = {};
    EXPECT_EQ(f.FilterStrided(out, input, 8, 1, 1), 8u);
    // Q15 taps 8191, 16383, 8191 and the shift by 15 truncate slightly below the exact values.
    const std::int16_t expected[] = {999, 1999, 999, 0, 0, 1999, 3999, 1999};
    for (int k = 0; k < 8; ++k) {
        EXPECT_EQ(out[k], expected[k]) << k;
    }
    // Decimating by two keeps every other output of the same stream.
    RC_FirFilter16 g;
    g.LoadTaps(taps, 3);
    g.SetBlockSize(4);
    std::int16_t half[4] = {};
    EXPECT_EQ(g.FilterStrided(half, input, 8, 1, 2), 4u);
    EXPECT_EQ(half[0], 999);
    EXPECT_EQ(half[1], 999);
    EXPECT_EQ(half[2], 0);
    EXPECT_EQ(half[3], 3999);

    // A new block size clears the history: the tail of the last impulse is gone.
    f.SetBlockSize(8);
    const std::int16_t silence[8] = {};
    f.FilterStrided(out, silence, 8, 1, 1);
    EXPECT_EQ(out[0], 0);
    // The same for a new length.
    f.FilterStrided(out, input, 8, 1, 1);
    f.SetLength(5);
    f.FilterStrided(out, silence, 8, 1, 1);
    EXPECT_EQ(*std::max_element(out, out + 8), 0);
}

TEST(RC_FirFilter, TapsSurviveABlockSizeThatOutgrowsTheStorage) {
    // Loaded and designed taps alike: a new block size restarts the history but keeps the taps,
    // also when the storage has to grow.
    const double loaded[] = {0.25, 0.5, 0.25};
    RC_FirFilter16 designed;
    designed.SetType(kRC_FirLowPass);
    const std::vector<std::int16_t> before(designed.Taps(), designed.Taps() + designed.Length());
    for (std::uint32_t block : {4096u, 100000u}) {
        RC_FirFilter16 f;
        f.LoadTaps(loaded, 3);
        f.SetBlockSize(block);
        std::vector<std::int16_t> impulse(8, 0);
        impulse[0] = 4000;
        std::int16_t out[8] = {};
        f.FilterStrided(out, impulse.data(), 8, 1, 1);
        EXPECT_EQ(std::vector<std::int16_t>(out, out + 4), (std::vector<std::int16_t>{999, 1999, 999, 0})) << block;
        designed.SetBlockSize(block);
        EXPECT_EQ(std::vector<std::int16_t>(designed.Taps(), designed.Taps() + designed.Length()), before) << block;
    }
}

TEST(RC_FirFilter, StridedRunsTakeOneChannelOrTheUpperHalfOfWideSamples) {
    RC_FirFilter32 f;
    f.SetBlockSize(5);
    f.SetType(kRC_FirImpulse); // unit impulse: the centre tap is 32767
    f.SetLength(3);
    std::vector<std::int16_t> stereo;
    std::vector<std::int32_t> wide;
    for (int k = 0; k < 12; ++k) {
        stereo.push_back(static_cast<std::int16_t>(100 * k));
        stereo.push_back(-1);
        wide.push_back((100 * k) << 16 | 0xFFFF);
    }
    std::vector<std::int32_t> a(12), b(12);
    EXPECT_EQ(f.FilterStrided(a.data(), stereo.data(), 24, 2, 1), 12u);
    f.SetBlockSize(6); // restart
    EXPECT_EQ(f.FilterStridedUpper(b.data(), wide.data(), 12, 1, 1), 12u);
    EXPECT_EQ(a, b);
    // One sample of delay (the centre of three taps); sum x 32767 x 2 in Q31.
    EXPECT_EQ(a[0], 0);
    EXPECT_EQ(a[5], 400 * 32767 * 2);
}

// Feeds the same zero-stuffed stream (a sample, then U - 1 zeros) to a filter run plainly and to
// one that skips the zeros, in runs of changing size; returns false at the first output that
// differs. Full-scale samples and taps make the 32-bit sums wrap, which must not matter.
template <typename Filter>
bool StuffedRunsMatch(RC_Routine routine, std::uint32_t length, std::uint32_t u, std::uint32_t step,
                      bool editTaps = false) {
    Filter plain(routine);
    Filter stuffed(routine);
    const std::uint32_t unit = u * step / std::gcd(u, step);
    const std::vector<std::int16_t> taps = dsptest::RandomSamples(length, 7 * length + u);
    for (Filter* f : {&plain, &stuffed}) {
        f->SetBlockSize(unit * 40);
        f->SetLength(length);
        std::copy(taps.begin(), taps.end(), f->Taps());
    }
    stuffed.SetZeroStuffing(u);
    const std::vector<std::int16_t> input = dsptest::RandomSamples(4000, 3 * u + step);
    std::size_t at = 0;
    for (std::uint32_t run = 0; run < 12; ++run) {
        const std::uint32_t n = unit * (1 + (run * 7) % 40); // 1 to 40 units, the block's worth among them
        if (editTaps && run == 6) {
            for (Filter* f : {&plain, &stuffed}) {
                f->Taps()[length / 2] = static_cast<std::int16_t>(f->Taps()[length / 2] ^ 0x5555);
            }
        }
        for (Filter* f : {&plain, &stuffed}) {
            std::fill(f->WritePosition(), f->WritePosition() + n, std::int16_t{0});
        }
        for (std::uint32_t k = 0; k < n; k += u, at = (at + 1) % input.size()) {
            plain.WritePosition()[k] = input[at];
            stuffed.WritePosition()[k] = input[at];
        }
        const auto* a = plain.Filter(nullptr, n, step);
        const auto* b = stuffed.FilterStuffed(nullptr, n, step);
        if (!std::equal(a, a + n / step, b)) {
            ADD_FAILURE() << "length " << length << " U " << u << " step " << step << " run " << run;
            return false;
        }
    }
    return true;
}

TEST(RC_FirFilter, ZeroStuffedRunsSkipTheZerosAndGiveTheSameOutputs) {
    std::vector<RC_Routine> routines = dsptest::VectorRoutines();
    routines.push_back(RC_Routine::kScalar);
    for (RC_Routine routine : routines) {
        for (std::uint32_t length : {3u, 5u, 31u, 32u, 33u, 127u, 511u}) {
            // The interpolator's factors and output divisors: 2 and 1 (48 kHz), 3 and 2 (64 kHz),
            // and others, a factor beyond the filter's length and one beyond the largest laid out.
            for (const auto& [u, step] : {std::pair{2u, 1u}, {3u, 2u}, {2u, 2u}, {3u, 1u}, {4u, 3u}, {6u, 4u},
                                          {7u, 1u}, {17u, 2u}}) {
                ASSERT_TRUE(StuffedRunsMatch<RC_FirFilter32>(routine, length, u, step));
                ASSERT_TRUE(StuffedRunsMatch<RC_FirFilter16>(routine, length, u, step));
            }
        }
        // Taps changed in place between runs take effect at once, as in a plain run.
        EXPECT_TRUE(StuffedRunsMatch<RC_FirFilter32>(routine, 511, 2, 1, true));
    }
    // A run that breaks the pattern (not a whole number of steps) is filtered plainly.
    RC_FirFilter32 f;
    f.SetLength(5);
    f.SetZeroStuffing(2);
    EXPECT_EQ(f.ZeroStuffing(), 2u);
    std::fill(f.WritePosition(), f.WritePosition() + 6, std::int16_t{1000});
    const std::int32_t* y = f.FilterStuffed(nullptr, 6, 4);
    RC_FirFilter32 g;
    g.SetLength(5);
    std::fill(g.WritePosition(), g.WritePosition() + 6, std::int16_t{1000});
    EXPECT_EQ(y[0], g.Filter(nullptr, 6, 4)[0]);
}

TEST(RC_FirFilter, FloatFilterDesignsTheSameShapeWithoutQuantisation) {
    RC_FirFilterFloat f;
    f.SetSampleRate(kFs);
    f.SetType(kRC_FirLowPass);
    f.SetLength(63);
    float sum = 0;
    for (std::uint32_t k = 0; k < 63; ++k) {
        sum += f.Taps()[k];
    }
    EXPECT_NEAR(sum, 1.0f, 1e-6f);
    std::vector<std::int16_t> dc(300, 1000);
    std::vector<float> out(300);
    EXPECT_EQ(f.FilterStrided(out.data(), dc.data(), 300, 1, 1), 300u);
    EXPECT_NEAR(out[299], 1000.0f, 0.01f);
}

TEST(RC_DelayLine, DelaysAcrossBlocksAndRestartsOnNewSettings) {
    RC_DelayLine d;
    d.SetBlockSize(4);
    d.SetDelay(3);
    std::vector<std::int32_t> out;
    for (int block = 0; block < 3; ++block) {
        for (int k = 0; k < 4; ++k) {
            d.InputPosition()[k] = block * 4 + k + 1;
        }
        const std::int32_t* o = d.Process(nullptr, 4);
        out.insert(out.end(), o, o + 4);
    }
    EXPECT_EQ(out, (std::vector<std::int32_t>{0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    d.SetDelay(1);
    d.InputPosition()[0] = 50;
    std::int32_t two[2];
    d.InputPosition()[1] = 60;
    d.Process(two, 2);
    EXPECT_EQ(two[0], 0);
    EXPECT_EQ(two[1], 50);
}

} // namespace
