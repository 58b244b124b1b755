#include "demod/dsp/RC_Demodulator.h"
#include "demod/dsp/RC_Heap.h"
#include "tests/demod/dsp/DemodulatorRig.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace {

using namespace dsptest;

constexpr double kOut = 48000.0; // output rate of the rig at 48 kHz input
constexpr double kChannelRate = 24000.0;

// The second half of a run: filters, DC blockers and loops have settled by then.
std::size_t Settled(const std::vector<double>& x) { return x.size() / 2; }

double Amplitude(const std::vector<double>& x, double f) { return ToneAmplitude(x, f, kOut, Settled(x)); }

TEST(RC_Demodulator, AmAndDsbRecoverTheModulatingTone) {
    // AM envelope: the tone, and no rectified harmonics.
    DemodulatorRig am(kRC_KindAm, 4500);
    Stereo a = am.Run([](double t) { return 0.3 * (1 + 0.5 * Cosine(1000, t)) * Cosine(kIfCentre, t); }, 1.0);
    EXPECT_GT(Amplitude(a.left, 1000), 3000.0);
    EXPECT_LT(Amplitude(a.left, 2000), Amplitude(a.left, 1000) * 1e-3);
    EXPECT_EQ(a.left, a.right);

    // Suppressed-carrier DSB through the synchronous detector: the tone itself, where an
    // envelope detector would give twice its frequency.
    DemodulatorRig dsb(kRC_KindSyncAm, 2300);
    Stereo d = dsb.Run([](double t) { return 0.3 * Cosine(1000, t) * Cosine(kIfCentre + 3, t, 0.7); }, 1.0);
    EXPECT_GT(Amplitude(d.left, 1000), 5000.0);
    EXPECT_LT(Amplitude(d.left, 2000), Amplitude(d.left, 1000) * 1e-3);
    DemodulatorRig envelope(kRC_KindAm, 2300);
    Stereo e = envelope.Run([](double t) { return 0.3 * Cosine(1000, t) * Cosine(kIfCentre + 3, t, 0.7); }, 1.0);
    EXPECT_GT(Amplitude(e.left, 2000), Amplitude(e.left, 1000) * 10.0);
}

TEST(RC_Demodulator, SynchronousAmFollowsTheCarrierWithinFifteenHertzAndNotBeyond) {
    const auto run = [](double offset) {
        auto rig = std::make_unique<DemodulatorRig>(kRC_KindSyncAm, 2300);
        Stereo out = rig->Run(
            [&](double t) { return 0.3 * (1 + 0.5 * Cosine(1000, t)) * Cosine(kIfCentre + offset, t, 0.7); }, 1.0);
        const double followed = -rig->Demodulator().loopFrequency * kChannelRate / (2 * kPi);
        return std::make_tuple(followed, Amplitude(out.left, 1000), std::move(rig));
    };
    for (double offset : {-14.5, -5.0, 1.0, 10.0, 14.5}) {
        const auto [followed, tone, rig] = run(offset);
        EXPECT_NEAR(followed, offset, 0.01) << "locked at " << offset << " Hz";
        EXPECT_NEAR(rig->Demodulator().loopError, 0.0, 0.001);
        EXPECT_GT(tone, 3400.0);
    }
    // Beyond its range the loop's frequency stays at 15 Hz; just beyond, the phase term still
    // holds the carrier with a standing error, far beyond the tone is lost.
    const auto [heldAt, holdingTone, holding] = run(20.0);
    EXPECT_NEAR(heldAt, 15.0, 1e-9);
    EXPECT_GT(std::fabs(holding->Demodulator().loopError), 0.05);
    const auto [lostAt, lostTone, lost] = run(60.0);
    EXPECT_LE(std::fabs(lostAt), 15.0);
    EXPECT_LT(lostTone, 100.0);
    for (int k = 0; k < 3; ++k) {
        EXPECT_GE(lost->Demodulator().loopPhase, -kPi);
        EXPECT_LE(lost->Demodulator().loopPhase, kPi);
        lost->Run([](double t) { return 0.3 * Cosine(kIfCentre + 60, t); }, 0.03);
    }
}

TEST(RC_Demodulator, SidebandReceptionPassesItsSidebandAndSuppressesTheOther) {
    const struct {
        std::uint8_t kind;
        double wanted;   // offset from the IF centre
        double unwanted;
    } cases[] = {{kRC_KindUsb, 1000, -1000}, {kRC_KindLsb, -1000, 1000},
                 {kRC_KindUsb, 300, -2000}, {kRC_KindLsb, -2000, 300}};
    for (const auto& c : cases) {
        DemodulatorRig good(c.kind, 1150);
        DemodulatorRig bad(c.kind, 1150);
        Stereo g = good.Run([&](double t) { return 0.3 * Cosine(kIfCentre + c.wanted, t); }, 1.0);
        Stereo b = bad.Run([&](double t) { return 0.3 * Cosine(kIfCentre + c.unwanted, t); }, 1.0);
        const double audio = std::fabs(c.wanted);
        EXPECT_NEAR(PeakFrequency(g.left, kOut, 100, 3000, 10, Settled(g.left)), audio, 0.1);
        const double wanted = Rms(g.left, Settled(g.left));
        const double leak = std::max(Rms(b.left, Settled(b.left)), 0.5); // below one LSB of 16 bits
        EXPECT_GT(Db(wanted / leak), 55.0) << "kind " << int(c.kind) << " at " << c.wanted;
    }
}

TEST(RC_Demodulator, CwGivesItsPitchPlusTheCarrierOffset) {
    for (double offset : {0.0, 100.0, -150.0}) {
        DemodulatorRig rig(kRC_KindCw, 250);
        Stereo out = rig.Run([&](double t) { return 0.3 * Cosine(kIfCentre + offset, t); }, 1.0);
        EXPECT_NEAR(PeakFrequency(out.left, kOut, 400, 1200, 10, Settled(out.left)), 800 + offset, 0.1);
        EXPECT_GT(Rms(out.left, Settled(out.left)), 1000.0);
    }
}

TEST(RC_Demodulator, IndependentSidebandsGoToTheirOwnChannels) {
    DemodulatorRig rig(kRC_KindIsb, 2300);
    Stereo out = rig.Run([](double t) { return 0.2 * Cosine(kIfCentre + 1000, t) + 0.2 * Cosine(kIfCentre - 1500, t); }, 1.0);
    const double lowerLeft = Amplitude(out.left, 1500);
    const double upperRight = Amplitude(out.right, 1000);
    EXPECT_GT(lowerLeft, 5000.0);
    EXPECT_GT(upperRight, 5000.0);
    EXPECT_GT(Db(lowerLeft / Amplitude(out.left, 1000)), 60.0) << "upper sideband leaking left";
    EXPECT_GT(Db(upperRight / Amplitude(out.right, 1500)), 60.0) << "lower sideband leaking right";
}

TEST(RC_Demodulator, FmRecoversTheToneCleanlyUpToFullDeviation) {
    // A 1 kHz tone at growing deviation: the discriminator measures the phase step itself, so
    // the audio stays clean where a step-dependent nonlinearity would add a third harmonic.
    // The channel is wide enough for the sidebands of the widest case (index 5).
    const double tone = 1000.0;
    const struct {
        double deviation;
        double amplitude; // of the recovered tone: deviation / channel rate * 2^31 / 65536
    } cases[] = {{500, 683}, {2500, 3413}, {5000, 6827}};
    for (const auto& c : cases) {
        DemodulatorRig rig(kRC_KindFm, 11000);
        Stereo out = rig.Run([&](double t) {
            return 0.3 * std::cos(2 * kPi * kIfCentre * t + c.deviation / tone * std::sin(2 * kPi * tone * t));
        }, 1.0);
        EXPECT_NEAR(Amplitude(out.left, tone), c.amplitude, c.amplitude * 0.02) << c.deviation << " Hz";
        EXPECT_GT(Sinad(out.left, tone, kOut, Settled(out.left)), 45.0) << c.deviation << " Hz";
        EXPECT_LT(Amplitude(out.left, 3 * tone), Amplitude(out.left, tone) * 1e-3) << c.deviation << " Hz";
        EXPECT_EQ(out.left, out.right);
    }
}

// A weak station with the software AGC off (the default): the gain is applied before the
// detector's output is narrowed to 16 bits, so a 100-step carrier keeps its precision in every
// kind that a gain follows (narrowed at IF scale first, AM gave some 31 dB).
TEST(RC_Demodulator, AWeakSignalKeepsItsPrecisionWithTheAgcOff) {
    const double carrier = 100.0 / 32767.0;
    const struct {
        std::uint8_t kind;
        float halfBandwidth;
        double offset; // of the IF tone from the IF centre (AM: the carrier, with a 1 kHz tone)
    } cases[] = {{kRC_KindAm, 4500, 0}, {kRC_KindUsb, 1150, 1000}, {kRC_KindCw, 250, 100}};
    for (const auto& c : cases) {
        DemodulatorRig rig(c.kind, c.halfBandwidth);
        rig.Demodulator().audioGain = 300.0f; // loud enough that the output's own steps don't count
        rig.Demodulator().UpdateFilters();
        const bool am = c.kind == kRC_KindAm;
        Stereo out = rig.Run([&](double t) {
            return am ? carrier * (1 + 0.5 * Cosine(1000, t)) * Cosine(kIfCentre, t)
                      : carrier * Cosine(kIfCentre + c.offset, t, 0.3);
        }, 1.0);
        const double heard = am ? 1000.0 : PeakFrequency(out.left, kOut, 200, 3000, 1, Settled(out.left));
        EXPECT_GT(Sinad(out.left, heard, kOut, Settled(out.left)), 40.0) << "kind " << int(c.kind);
    }
}

// A weak AM station at the window's gain, the AGC off and the volume at the top plays only a few
// steps loud: the last narrowing to 16 bits must cost it next to nothing against the audio just
// before it (rounded, 0.2 dB here; truncated toward zero, 0.8 dB; at 64 kHz as at 48 kHz).
TEST(RC_Demodulator, AQuietStationLosesLittleInTheNarrowingToSixteenBits) {
    for (const std::uint32_t rate : {48000u, 64000u}) {
        const auto station = [](std::uint32_t seed) {
            return [noise = Noise(0.37 / 32767.0, seed)](double t) mutable {
                return 2.6 / 32767.0 * (1 + 0.5 * Cosine(1000, t)) * Cosine(kIfCentre, t) + noise();
            };
        };
        const auto setUp = [rate](DemodulatorRig& rig) {
            if (rate == 64000) {
                rig.Demodulator().SetInterpolation(3);
                rig.Demodulator().SetOutputDivisor(2);
            }
            rig.Demodulator().audioGain = 7.0f;
            rig.Demodulator().UpdateFilters();
        };
        DemodulatorRig heard(kRC_KindAm, 4500, rate);
        setUp(heard);
        const std::vector<double> output = heard.Run(station(7), 2.0).left;

        DemodulatorRig inside(kRC_KindAm, 4500, rate);
        setUp(inside);
        std::vector<double> unrounded;
        inside.RunBlocks(station(7), 2.0, [] { return 1024u; }, [&](std::uint32_t n) {
            const auto* y = static_cast<const std::int32_t*>(inside.Demodulator().GetTapBuffer(8));
            for (std::uint32_t j = 0; j < inside.Demodulator().OutputFrames(n); ++j) unrounded.push_back(y[j] / 65536.0);
        });
        ASSERT_GE(unrounded.size(), output.size()); // the block runner ends on a whole block
        unrounded.resize(output.size());
        const double fs = heard.OutputRate();
        const double before = Sinad(unrounded, 1000.0, fs, Settled(unrounded));
        const double after = Sinad(output, 1000.0, fs, Settled(output));
        EXPECT_LT(Rms(output, Settled(output)), 8.0) << "the case is meant to be quiet";
        EXPECT_GT(before, 8.0);
        EXPECT_NEAR(after, before, 0.4) << rate << " Hz: " << before << " dB before, " << after << " after";
    }
}

// The same FM station is as loud at the USB codec's 64 kHz as at the sound card's 48 kHz.
TEST(RC_Demodulator, FmPlaysAsLoudAtEveryInputRate) {
    double amplitude[2] = {};
    for (int r = 0; r < 2; ++r) {
        const std::uint32_t rate = r == 0 ? 48000 : 64000;
        DemodulatorRig rig(kRC_KindFm, 6000, rate);
        if (rate == 64000) {
            rig.Demodulator().SetInterpolation(3);
            rig.Demodulator().SetOutputDivisor(2);
            rig.Demodulator().UpdateFilters();
        }
        Stereo out = rig.Run([](double t) {
            return 0.3 * std::cos(2 * kPi * kIfCentre * t + 2500.0 / 1000.0 * std::sin(2 * kPi * 1000.0 * t));
        }, 1.0);
        amplitude[r] = ToneAmplitude(out.left, 1000.0, rig.OutputRate(), Settled(out.left));
    }
    EXPECT_NEAR(Db(amplitude[1] / amplitude[0]), 0.0, 0.2);
}

TEST(RC_Demodulator, CustomAudioTapsOfHalfOrMoreKeepTheirSign) {
    // Interpolators for U = 2 have a centre tap of 0.5, which the scaling by U takes to full
    // scale: the tone must come through as it does with the designed filter, not cancelled by
    // a centre tap turned negative.
    const auto tone = [](double t) { return 0.3 * Cosine(kIfCentre + 1000, t); };
    DemodulatorRig designed(kRC_KindUsb, 1150);
    const double reference = Amplitude(designed.Run(tone, 0.5).left, 1000);
    const struct {
        std::vector<std::int16_t> taps;
        double gain; // of the tap set at 1 kHz (48 kHz), relative to the designed filter
    } cases[] = {
        {{8192, 16384, 8192}, 0.996},                   // linear interpolation
        {{-1024, 0, 9216, 16384, 9216, 0, -1024}, 1.0}, // a short half-band interpolator
    };
    for (const auto& c : cases) {
        DemodulatorRig rig(kRC_KindUsb, 1150);
        rig.Demodulator().SetAudioFilterLength(static_cast<std::uint32_t>(c.taps.size()));
        rig.Demodulator().SetAudioFilterTaps(c.taps.data());
        Stereo out = rig.Run(tone, 0.5);
        EXPECT_NEAR(Amplitude(out.left, 1000) / reference, c.gain, 0.02) << c.taps.size() << " taps";
        EXPECT_EQ(out.left, out.right);
    }
}

TEST(RC_Demodulator, MeasuresTheCarrierOffsetInEveryKind) {
    for (std::uint8_t kind : {kRC_KindFm, kRC_KindAm, kRC_KindCw}) {
        for (double offset : {-1200.0, 0.0, 250.0, 2000.0}) {
            DemodulatorRig rig(kind, 6000);
            rig.Run([&](double t) { return 0.3 * Cosine(kIfCentre + offset, t); }, 1.0);
            // The offset itself, with the sign the window's AFC display expects.
            const double expected = -offset;
            EXPECT_NEAR(rig.Demodulator().afcFrequency, expected, 0.05 + std::fabs(expected) * 1e-4)
                << "kind " << int(kind) << " offset " << offset;
        }
    }
}

TEST(RC_Demodulator, NoiseLevelFollowsAddedNoise) {
    std::vector<std::int32_t> levels;
    for (double noise : {0.0, 0.003, 0.01, 0.03, 0.1}) {
        DemodulatorRig rig(kRC_KindFm, 6000);
        rig.Demodulator().noiseSquelchOn = true;
        rig.Demodulator().NoiseFilter().SetLength(127);
        Noise n(noise);
        rig.Run([&](double t) { return 0.3 * Cosine(kIfCentre + 200, t) + n(); }, 1.0);
        levels.push_back(rig.Demodulator().noiseLevel);
    }
    EXPECT_LE(levels[0], 2) << "a clean carrier has next to no noise";
    for (std::size_t k = 1; k < levels.size(); ++k) {
        EXPECT_GT(levels[k], levels[k - 1] * 2) << k;
    }
    DemodulatorRig off(kRC_KindFm, 6000);
    Noise n(0.1);
    off.Run([&](double t) { return 0.3 * Cosine(kIfCentre, t) + n(); }, 0.2);
    EXPECT_EQ(off.Demodulator().noiseLevel, 0) << "measured only with the noise squelch on";
}

// Both rates with SSE2, and each further vector routine this processor has at one of them.
std::vector<std::pair<std::uint32_t, RC_Routine>> RatesAndRoutines() {
    std::vector<std::pair<std::uint32_t, RC_Routine>> cases{{48000u, RC_Routine::kSse2}, {44100u, RC_Routine::kSse2}};
    for (RC_Routine routine : VectorRoutines()) {
        if (routine != RC_Routine::kSse2) {
            cases.emplace_back(44100u, routine);
        }
    }
    return cases;
}

TEST(RC_Demodulator, ScalarAndVectorRoutinesGiveTheSameAudioInEveryKind) {
    for (std::uint8_t kind = 0; kind <= kRC_KindFm; ++kind) {
        for (const auto& [rate, routine] : RatesAndRoutines()) {
            DemodulatorRig scalar(kind, 2300, rate, RC_Routine::kScalar);
            DemodulatorRig vector(kind, 2300, rate, routine);
            for (DemodulatorRig* rig : {&scalar, &vector}) {
                rig->Demodulator().agcOn = true;
                rig->Demodulator().noiseSquelchOn = true;
            }
            Noise na(0.05, 99), nb(0.05, 99);
            const auto signal = [](Noise& n) {
                return [&n](double t) { return 0.4 * (1 + 0.5 * Cosine(700, t)) * Cosine(kIfCentre + 400, t) + n(); };
            };
            const Stereo a = scalar.Run(signal(na), 0.25);
            const Stereo b = vector.Run(signal(nb), 0.25);
            ASSERT_EQ(a.left, b.left) << "kind " << int(kind) << " rate " << rate << " routine " << int(routine);
            ASSERT_EQ(a.right, b.right);
            EXPECT_EQ(scalar.Demodulator().noiseLevel, vector.Demodulator().noiseLevel);
        }
    }
}

TEST(RC_Demodulator, NoHeapAllocationPerBlock) {
    for (std::uint8_t kind = 0; kind <= kRC_KindFm; ++kind) {
        DemodulatorRig rig(kind, 2300);
        rig.Demodulator().agcOn = true;
        rig.Demodulator().noiseSquelchOn = true;
        rig.Demodulator().outputAgcOn = true;
        rig.Run([](double t) { return 0.3 * Cosine(kIfCentre, t); }, 0.05);
        const std::uint64_t before = RC_GetHeapStatistics().allocations;
        rig.Run([](double t) { return 0.3 * Cosine(kIfCentre + 100, t); }, 0.5);
        EXPECT_EQ(RC_GetHeapStatistics().allocations, before) << "kind " << int(kind);
    }
}

TEST(RC_Demodulator, OverloadFlagAndMixerSteps) {
    RC_Demodulator d;
    std::vector<std::int16_t> out(2 * d.OutputFrames(8));
    const struct {
        std::int16_t peak;
        bool overload;
    } cases[] = {{32000, false}, {-32000, false}, {32001, true}, {-32001, true}};
    for (const auto& c : cases) {
        std::vector<std::int16_t> in(8, 0);
        in[5] = c.peak;
        d.Process(in.data(), out.data(), 8, 1);
        EXPECT_EQ(d.overload, c.overload) << c.peak;
    }

    // Lower sideband, IF 11025 Hz, half bandwidth 1500 Hz: the mixer steps 9525 entries.
    RC_Demodulator lsb;
    lsb.SetSampleRate(44100);
    lsb.kind = kRC_KindLsb;
    lsb.ifCentre = 11025;
    lsb.halfBandwidth = 1500.0f;
    lsb.UpdateFilters();
    std::vector<std::int16_t> dc(16, 10000);
    std::vector<std::int16_t> frames(2 * lsb.OutputFrames(16));
    lsb.Process(dc.data(), frames.data(), 16, 1);
    // The mixer output lies in the channel filter's history, the filter length - 1 samples
    // after its start; after the run the newest 30 of them are kept there.
    const auto* i = static_cast<const std::int16_t*>(lsb.GetTapBuffer(1)) - 30;
    for (int k = 0; k < 16; ++k) {
        const double angle = 2 * kPi * std::fmod(9525.0 * k, 44100.0) / 44100.0;
        const int expected = static_cast<int>(10000 * static_cast<float>(std::cos(angle)));
        // Within the shaped rounding's reach: two steps from the exact product, one more for the
        // truncated expectation.
        ASSERT_NEAR(i[k + 14], expected, 3) << k;
    }
}

// The mixer narrows its products to 16 bits with the rounding error shaped by (1 - z^-1)^2: each
// sample stays within two steps of the exact product (also where full scale clips it), and the
// error's running sum and the sum of that stay within a few steps over any length, where plain
// rounding would wander off like a random walk (tens of steps over these 16,384 samples).
TEST(RC_Demodulator, MixerRoundingErrorIsShapedAwayFromZeroHertz) {
    for (const std::int16_t peak : {std::int16_t{30000}, std::int16_t{32767}}) {
        RC_Demodulator d;
        d.SetSampleRate(44100);
        d.kind = kRC_KindLsb; // the mixer steps 9525 table entries, as above
        d.ifCentre = 11025;
        d.halfBandwidth = 1500.0f;
        d.UpdateFilters();
        struct Tap {
            std::vector<std::int16_t> i, q;
        } tap;
        d.rawTapUser = &tap;
        d.rawTap = [](void* user, RC_Demodulator*, std::uint32_t n, const std::int16_t* i, const std::int16_t* q) {
            auto* t = static_cast<Tap*>(user);
            t->i.insert(t->i.end(), i, i + n);
            t->q.insert(t->q.end(), q, q + n);
        };
        const std::vector<std::int16_t> input = RandomSamples(16384, 5, -peak - (peak == 32767 ? 1 : 0), peak);
        std::vector<std::int16_t> frames(2 * d.OutputFrames(1024));
        for (std::size_t at = 0; at < input.size(); at += 1024) d.Process(input.data() + at, frames.data(), 1024, 1);
        ASSERT_EQ(tap.i.size(), input.size());
        double worst = 0.0, sumI = 0.0, sumQ = 0.0, sum2I = 0.0, sum2Q = 0.0, worstSum = 0.0, worstSum2 = 0.0;
        for (std::size_t k = 0; k < input.size(); ++k) {
            const double angle = 2 * kPi * std::fmod(9525.0 * static_cast<double>(k), 44100.0) / 44100.0;
            const double exactI = static_cast<float>(input[k]) * static_cast<float>(std::cos(angle));
            const double exactQ = static_cast<float>(input[k]) * static_cast<float>(-std::sin(angle));
            worst = std::max({worst, std::fabs(tap.i[k] - exactI), std::fabs(tap.q[k] - exactQ)});
            sumI += tap.i[k] - exactI;
            sumQ += tap.q[k] - exactQ;
            sum2I += sumI;
            sum2Q += sumQ;
            worstSum = std::max({worstSum, std::fabs(sumI), std::fabs(sumQ)});
            worstSum2 = std::max({worstSum2, std::fabs(sum2I), std::fabs(sum2Q)});
        }
        EXPECT_LE(worst, 2.0) << "peak " << peak;
        if (peak < 32767) { // clipping at full scale adds to the sums what it takes off
            EXPECT_LE(worstSum, 2.0);
            EXPECT_LE(worstSum2, 2.0);
        }
    }
}

TEST(RC_Demodulator, OutputScalingVolumeAndChannels) {
    const auto level = [](std::uint8_t kind, bool outputAgc, float gain, float volume) {
        DemodulatorRig rig(kind, 2300);
        rig.Demodulator().outputAgcOn = outputAgc;
        rig.Demodulator().outputAgc.attack = 0.01;
        rig.Demodulator().outputAgc.decay = 0.01;
        rig.Demodulator().outputAgc.reference = 1e8;
        rig.Demodulator().audioGain = gain;
        rig.Demodulator().volume = volume;
        Stereo out = rig.Run([](double t) { return 0.1 * (1 + 0.5 * Cosine(1000, t)) * Cosine(kIfCentre + 500, t, 1.0); }, 0.5);
        return std::make_pair(Rms(out.left, Settled(out.left)), out);
    };
    // Audio gain scales without the output AGC and has no effect with it; volume always does.
    EXPECT_NEAR(level(kRC_KindAm, false, 2.0f, 0.5f).first / level(kRC_KindAm, false, 1.0f, 0.5f).first, 2.0, 0.01);
    EXPECT_NEAR(level(kRC_KindAm, true, 2.0f, 0.5f).first / level(kRC_KindAm, true, 1.0f, 0.5f).first, 1.0, 0.001);
    EXPECT_NEAR(level(kRC_KindAm, true, 1.0f, 0.25f).first / level(kRC_KindAm, true, 1.0f, 0.5f).first, 0.5, 0.01);
    EXPECT_EQ(level(kRC_KindUsb, false, 1.0f, 0.0f).first, 0.0) << "volume 0 is silence";
    // Independent sidebands ignore the output AGC flag and give two different channels.
    const auto isbOff = level(kRC_KindIsb, false, 1.0f, 0.5f);
    const auto isbOn = level(kRC_KindIsb, true, 1.0f, 0.5f);
    EXPECT_EQ(isbOff.second.left, isbOn.second.left);
    EXPECT_NE(isbOff.second.left, isbOff.second.right);
    // Full drive never reaches -32768.
    const auto loud = level(kRC_KindAm, false, 1000.0f, 1.0f);
    EXPECT_EQ(*std::min_element(loud.second.left.begin(), loud.second.left.end()), -32767.0);
    EXPECT_EQ(*std::max_element(loud.second.left.begin(), loud.second.left.end()), 32767.0);
}

TEST(RC_Demodulator, AmOfASteadyCarrierSettlesToSilence) {
    DemodulatorRig rig(kRC_KindAm, 4500);
    Stereo out = rig.Run([](double t) { return 0.5 * Cosine(kIfCentre, t); }, 2.0);
    // The detector is 0.7071 of the channel magnitude (half the IF amplitude, in Q31).
    const auto* detected = static_cast<const std::int32_t*>(rig.Demodulator().GetTapBuffer(3));
    const auto* quadrature = static_cast<const std::int32_t*>(rig.Demodulator().GetTapBuffer(4));
    const double magnitude = std::hypot(detected[100], quadrature[100]);
    EXPECT_NEAR(magnitude / 2147483648.0, 0.25, 0.001);
    EXPECT_LE(std::fabs(out.left.back()), 1.0);
}

TEST(RC_Demodulator, AgcOffLeavesTheGainsAlone) {
    DemodulatorRig rig(kRC_KindAm, 4500);
    rig.Demodulator().ifAgc.gain = 3.5;
    rig.Demodulator().fmAgc.gain = 2.5;
    rig.Run([](double t) { return 0.3 * Cosine(kIfCentre, t); }, 0.1);
    EXPECT_EQ(rig.Demodulator().ifAgc.gain, 3.5);
    EXPECT_EQ(rig.Demodulator().fmAgc.gain, 2.5);
    rig.Demodulator().agcOn = true;
    rig.Run([](double t) { return 0.3 * Cosine(kIfCentre, t); }, 0.1);
    EXPECT_NE(rig.Demodulator().ifAgc.gain, 3.5);
    EXPECT_EQ(rig.Demodulator().fmAgc.gain, 2.5) << "the input AGC runs in FM only";
}

TEST(RC_Demodulator, SynchronousAmLocksOnAPerfectCarrierWhateverItsPhase) {
    // A noiseless AM signal exactly at the IF centre (a quarter of the rate, where the mixer's
    // products are exact) reaches the loop as a pure in-phase or anti-phase carrier: a balance
    // point of the phase detector that no noise helps the loop to leave.
    for (double phase : {0.0, kPi, kPi / 2, -kPi / 2, 0.4}) {
        DemodulatorRig rig(kRC_KindSyncAm, 2300);
        Stereo out = rig.Run([&](double t) { return 0.3 * (1 + 0.5 * Cosine(1000, t)) * Cosine(kIfCentre, t, phase); }, 1.0);
        EXPECT_GT(Amplitude(out.left, 1000), 3400.0) << "carrier phase " << phase;
        EXPECT_LT(Amplitude(out.left, 2000), Amplitude(out.left, 1000) * 1e-3) << "carrier phase " << phase;
        EXPECT_NEAR(std::fabs(std::sin(rig.Demodulator().loopPhase + phase)), 1.0, 1e-3)
            << "locked a quarter turn from the carrier, phase " << phase;
    }
}

TEST(RC_Demodulator, SynchronousLoopHoldsItsErrorOverSilence) {
    DemodulatorRig rig(kRC_KindSyncAm, 2300);
    rig.Run([](double t) { return 0.3 * Cosine(kIfCentre + 5, t, 0.3); }, 0.05);
    // Silence: once the channel filters' history has drained, exact zeros reach the loop.
    rig.Run([](double) { return 0.0; }, 0.05);
    const double error = rig.Demodulator().loopError;
    ASSERT_NE(error, 0.0);
    rig.Run([](double) { return 0.0; }, 0.05);
    EXPECT_EQ(rig.Demodulator().loopError, error);

    // Over silence the frequency keeps only its own value, held to 15 Hz at the channel rate,
    // which is fs / D taken as a float (48000 / 7 is not a whole number).
    RC_Demodulator d;
    d.SetSampleRate(48000);
    d.SetDecimation(7);
    d.kind = kRC_KindSyncAm;
    d.loopFrequency = 1.0;
    const std::vector<std::int16_t> zeros(7, 0);
    std::vector<std::int16_t> frames(2 * d.OutputFrames(7));
    d.Process(zeros.data(), frames.data(), 7, 1);
    EXPECT_EQ(d.loopFrequency, 2 * kPi * 15.0 / static_cast<double>(48000.0f / 7.0f));
}

TEST(RC_Demodulator, RateBlockAndFilterSettings) {
    RC_Demodulator d;
    EXPECT_EQ(d.SampleRate(), 44100u);
    EXPECT_EQ(d.BlockSize(), 1024u);
    EXPECT_EQ(d.HilbertLength(), 31u);
    EXPECT_EQ(d.DelayLine().Delay(), 15u);
    d.SetHilbertLength(100);
    EXPECT_EQ(d.DelayLine().Delay(), 50u);
    d.SetSampleRate(64000);
    d.SetInterpolation(3);
    d.SetOutputDivisor(2);
    EXPECT_EQ(d.OutputFrames(1024), 768u) << "64 kHz in gives 48 kHz out";
    EXPECT_FLOAT_EQ(d.AudioLeft().SampleRate(), 96000.0f);
    EXPECT_FLOAT_EQ(d.AudioLeft().Gain(), 3.0f);
    EXPECT_EQ(d.AudioLeft().BlockSize(), 1536u);
    EXPECT_FLOAT_EQ(d.NoiseFilter().SampleRate(), 32000.0f);
    // A longer block regrows every filter's storage and keeps the taps in use.
    const std::int16_t centre = d.PostMixerI().Taps()[15];
    ASSERT_NE(centre, 0);
    d.SetBlockSize(4096);
    EXPECT_EQ(d.PostMixerI().BlockSize(), 4096u);
    EXPECT_EQ(d.PostMixerI().Taps()[15], centre);
    d.SetDecimation(0);
    EXPECT_EQ(d.Decimation(), 1u);
    d.SetSampleRate(0);
    EXPECT_EQ(d.SampleRate(), 4u);

    d.kind = kRC_KindCw;
    d.halfBandwidth = 250.0f;
    d.UpdateFilters();
    EXPECT_EQ(d.AudioLeft().Type(), kRC_FirBandPass);
    EXPECT_FLOAT_EQ(d.PostMixerI().HighCutoff(), 2.0f) << "held at half of the 4 Hz rate";

    // Custom taps are multiplied by U (held at full scale) and survive passband changes.
    RC_Demodulator c;
    c.SetAudioFilterLength(5);
    const std::int16_t taps[] = {100, -200, 20000, 3, 0};
    c.SetAudioFilterTaps(taps);
    EXPECT_TRUE(c.CustomTaps());
    EXPECT_EQ(c.AudioRight().Taps()[1], -400);
    EXPECT_EQ(c.AudioLeft().Taps()[2], 32767);
    c.SetAudioPassband(100.0f, 200.0f);
    EXPECT_EQ(c.AudioLeft().Taps()[0], 200);
    EXPECT_FLOAT_EQ(c.AudioLeft().HighCutoff(), 200.0f);
    c.SetAudioFilterTaps(nullptr);
    EXPECT_FALSE(c.CustomTaps());
    EXPECT_NE(c.AudioLeft().Taps()[0], 200);

    // Both filters are scaled over the left filter's length only.
    RC_Demodulator u;
    u.SetAudioFilterLength(3);
    u.AudioRight().SetLength(5);
    const std::int16_t five[] = {1, 2, 3, 4, 5};
    u.SetAudioFilterTaps(five);
    EXPECT_EQ(std::vector<std::int16_t>(u.AudioLeft().Taps(), u.AudioLeft().Taps() + 3),
              (std::vector<std::int16_t>{2, 4, 6}));
    EXPECT_EQ(std::vector<std::int16_t>(u.AudioRight().Taps(), u.AudioRight().Taps() + 5),
              (std::vector<std::int16_t>{2, 4, 6, 4, 5}));
    EXPECT_EQ(c.GetTapBuffer(9), nullptr);
}

} // namespace
