#include "demod/dsp/RC_CtcssDecoder.h"
#include "demod/dsp/RC_Heap.h"
#include "tests/demod/dsp/DemodulatorRig.h"
#include "tests/demod/dsp/SignalTestKit.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>
#include <vector>

namespace {

using dsptest::kPi;

constexpr float kFs = 48000.0f;
constexpr std::uint32_t kBlock = 1024;

// Feeds `seconds` of signal in blocks of 1,024 and returns the result after the last block.
template <typename Signal>
std::int32_t Decode(RC_CtcssDecoder& decoder, double seconds, Signal signal, std::size_t& t) {
    std::vector<std::int16_t> block(kBlock);
    const auto blocks = static_cast<std::size_t>(seconds * kFs / kBlock);
    for (std::size_t b = 0; b < blocks; ++b) {
        for (auto& v : block) {
            v = signal(t++);
        }
        decoder.Process(block.data(), kBlock, 1);
    }
    return decoder.Result();
}

std::int16_t Clip(double v) { return static_cast<std::int16_t>(std::clamp(v, -32767.0, 32767.0)); }

TEST(RC_CtcssDecoder, AnalysesAtAbout1378HzWithABlackmanWindowOf1024Points) {
    RC_CtcssDecoder decoder;
    EXPECT_EQ(decoder.Size(), 1024u);
    EXPECT_EQ(decoder.WindowType(), kRC_WindowBlackman);
    EXPECT_EQ(decoder.Result(), -1);
    decoder.SetSampleRate(kFs);
    EXPECT_NEAR(decoder.ResampledRate(), 1378.0f, 1.378f);
    EXPECT_EQ(decoder.Resampler().Interpolation(), 5u);
    EXPECT_EQ(decoder.Resampler().Decimation(), 174u);
}

TEST(RC_CtcssDecoder, RecognisesEveryToneOfItsTableAtASubAudibleLevelUnderSpeechBandNoise) {
    // The tone at about a tenth of the audio level, white noise over the whole band on top.
    std::mt19937 random(1);
    std::normal_distribution<double> noise(0.0, 3000.0);
    for (std::uint32_t tone = 0; tone < RC_CtcssDecoder::kToneCount; ++tone) {
        RC_CtcssDecoder decoder;
        decoder.SetSampleRate(kFs);
        const double f = RC_CtcssDecoder::kTones[tone];
        std::size_t t = 0;
        const std::int32_t result = Decode(decoder, 1.0, [&](std::size_t k) {
            return Clip(1000.0 * std::sin(2 * kPi * f * k / kFs) + noise(random));
        }, t);
        EXPECT_EQ(result, static_cast<std::int32_t>(tone)) << f << " Hz";
    }
}

TEST(RC_CtcssDecoder, AToneBetweenTwoTableTonesIsGivenTheNearerOne) {
    // A transmitter a little off frequency is still recognised as its own tone, never as the
    // neighbour.
    const struct {
        double f;
        std::int32_t index;
    } cases[] = {{100.6, 14}, {99.4, 14}, {159.3, 28}, {162.6, 29}, {67.4, 2}, {253.7, 51}, {250.7, 50}};
    for (const auto& c : cases) {
        RC_CtcssDecoder decoder;
        decoder.SetSampleRate(kFs);
        std::size_t t = 0;
        EXPECT_EQ(Decode(decoder, 1.0, [&](std::size_t k) { return Clip(3000.0 * std::sin(2 * kPi * c.f * k / kFs)); }, t),
                  c.index)
            << c.f;
    }
}

TEST(RC_CtcssDecoder, NoiseSilenceAndTonesOutsideTheBandGiveNoTone) {
    std::mt19937 random(2);
    std::normal_distribution<double> noise(0.0, 5000.0);
    const struct {
        const char* what;
        std::function<std::int16_t(std::size_t)> signal;
    } cases[] = {
        {"white noise", [&](std::size_t) { return Clip(noise(random)); }},
        {"silence", [](std::size_t) { return std::int16_t{0}; }},
        {"tone below the band", [](std::size_t k) { return Clip(8000.0 * std::sin(2 * kPi * 40.0 * k / kFs)); }},
        {"tone above the band", [](std::size_t k) { return Clip(8000.0 * std::sin(2 * kPi * 290.0 * k / kFs)); }},
    };
    for (const auto& c : cases) {
        RC_CtcssDecoder decoder;
        decoder.SetSampleRate(kFs);
        std::size_t t = 0;
        EXPECT_EQ(Decode(decoder, 1.0, c.signal, t), -1) << c.what;
    }
}

TEST(RC_CtcssDecoder, DecisionTakesTheStrongestToneBinWithAQuarterOfTheBandAndTheLowerOnATie) {
    // At 1024 Hz the bins are 1 Hz apart: each tone lies in its nearest bin, the band is 63..254.
    constexpr float kRate = 1024.0f;
    std::vector<float> power(512, 0.0f);
    EXPECT_EQ(RC_CtcssDecoder::DecideTone(power.data(), 512, kRate), -1) << "no power at all";
    power[100] = 10.0f; // 100.0 Hz, index 14
    EXPECT_EQ(RC_CtcssDecoder::DecideTone(power.data(), 512, kRate), 14);
    power[193] = 10.0f; // 192.8 Hz, index 39: equal, so the lower stays
    EXPECT_EQ(RC_CtcssDecoder::DecideTone(power.data(), 512, kRate), 14);
    power[193] = 10.5f;
    EXPECT_EQ(RC_CtcssDecoder::DecideTone(power.data(), 512, kRate), 39);
    // Spread power between the tone bins: the best tone then holds less than a quarter.
    for (std::uint32_t bin = 63; bin <= 254; ++bin) {
        power[bin] += 0.25f;
    }
    EXPECT_EQ(RC_CtcssDecoder::DecideTone(power.data(), 512, kRate), -1);
    // Power outside the band does not count against a tone.
    std::vector<float> outside(512, 0.0f);
    outside[100] = 1.0f;
    outside[30] = 100.0f;
    outside[300] = 100.0f;
    EXPECT_EQ(RC_CtcssDecoder::DecideTone(outside.data(), 512, kRate), 14);
    EXPECT_EQ(RC_CtcssDecoder::DecideTone(outside.data(), 512, 0.0f), -1);
}

TEST(RC_CtcssDecoder, BothRoutinesGiveTheSameSpectrum) {
    RC_CtcssDecoder scalar(RC_Routine::kScalar);
    RC_CtcssDecoder sse2(RC_Routine::kSse2);
    std::mt19937 random(12);
    std::normal_distribution<double> noise(0.0, 3000.0);
    std::vector<std::int16_t> block(kBlock);
    for (int b = 0; b < 20; ++b) {
        for (std::size_t k = 0; k < kBlock; ++k) {
            block[k] = Clip(2000.0 * std::sin(2 * kPi * 77.0 * (b * kBlock + k) / kFs) + noise(random));
        }
        for (RC_CtcssDecoder* d : {&scalar, &sse2}) {
            d->SetSampleRate(kFs);
            d->Process(block.data(), kBlock, 1);
        }
        ASSERT_EQ(std::memcmp(scalar.Power(), sse2.Power(), 512 * sizeof(float)), 0) << b;
        ASSERT_EQ(scalar.Result(), sse2.Result());
    }
    EXPECT_EQ(scalar.Result(), 6);
}

TEST(RC_CtcssDecoder, TheResultHoldsWhenNothingIsProcessed) {
    RC_CtcssDecoder decoder;
    decoder.SetSampleRate(kFs);
    std::size_t t = 0;
    ASSERT_EQ(Decode(decoder, 1.0, [](std::size_t k) { return Clip(3000.0 * std::sin(2 * kPi * 100.0 * k / kFs)); }, t), 14);
    decoder.Process(nullptr, kBlock, 1);
    decoder.Process(std::vector<std::int16_t>(kBlock).data(), kBlock, 0);
    decoder.Process(std::vector<std::int16_t>(kBlock).data(), 0, 1);
    EXPECT_EQ(decoder.Result(), 14);
    EXPECT_EQ(decoder.Resampler().BlockSize(), kBlock) << "an empty block does not restart the stream";
}

TEST(RC_CtcssDecoder, AToneThatStopsIsDroppedOnceTheWindowHasForgottenIt) {
    RC_CtcssDecoder decoder;
    decoder.SetSampleRate(kFs);
    std::size_t t = 0;
    ASSERT_EQ(Decode(decoder, 1.0, [](std::size_t k) { return Clip(3000.0 * std::sin(2 * kPi * 131.8 * k / kFs)); }, t), 22);
    std::mt19937 random(5);
    std::normal_distribution<double> noise(0.0, 3000.0);
    EXPECT_EQ(Decode(decoder, 1.0, [&](std::size_t) { return Clip(noise(random)); }, t), -1);
}

// A narrow-FM signal carrying a sub-audible tone, demodulated block by block, the detector
// output at the channel rate going to the decoder as the squelch feeds it. Returns the share of
// decisions after the first second that name the tone.
double ToneFoundShare(std::uint32_t smallest, std::uint32_t largest, double amplitude = 0.3) {
    constexpr double kTone = 100.0; // index 14
    constexpr double kDeviation = 500.0;
    dsptest::DemodulatorRig rig(kRC_KindFm, 6000);
    RC_Demodulator& demod = rig.Demodulator();
    demod.SetBlockSize(2048);
    RC_CtcssDecoder decoder;
    decoder.SetSampleRate(48000.0f / demod.Decimation());
    std::mt19937 random(21);
    std::uniform_int_distribution<std::uint32_t> size(smallest / 2, largest / 2);
    std::uint64_t fed = 0;
    std::uint32_t decisions = 0;
    std::uint32_t found = 0;
    rig.RunBlocks(
        [&](double t) { return amplitude * std::cos(2 * kPi * 12000.0 * t + kDeviation / kTone * std::sin(2 * kPi * kTone * t)); },
        4.0, [&] { return 2 * size(random); },
        [&](std::uint32_t n) {
            const std::uint32_t u = demod.Interpolation();
            decoder.Process(static_cast<const std::int16_t*>(demod.GetTapBuffer(7)), n / demod.Decimation() * u, u);
            fed += n;
            if (fed > 48000) {
                ++decisions;
                found += decoder.Result() == 14 ? 1 : 0;
            }
        });
    return static_cast<double>(found) / decisions;
}

TEST(RC_CtcssDecoder, FindsTheToneOfAnFmSignalWhateverSizeTheBlocksHave) {
    const struct {
        std::uint32_t smallest;
        std::uint32_t largest;
    } cases[] = {{1024, 1024}, {900, 1098}, {64, 2048}};
    for (const auto& c : cases) {
        EXPECT_GE(ToneFoundShare(c.smallest, c.largest), 0.99) << c.smallest << ".." << c.largest;
    }
}

TEST(RC_CtcssDecoder, BlocksOfChangingSizeAllocateNothingOnceTheLargestHasBeenSeen) {
    RC_CtcssDecoder decoder;
    decoder.SetSampleRate(24000.0f);
    std::vector<std::int16_t> block(1100, 1000);
    decoder.Process(block.data(), 1100, 1);
    const std::uint64_t before = RC_GetHeapStatistics().allocations;
    for (std::uint32_t n = 450; n <= 1100; n += 13) {
        decoder.Process(block.data(), n, 1);
    }
    EXPECT_EQ(RC_GetHeapStatistics().allocations, before);
}

} // namespace
