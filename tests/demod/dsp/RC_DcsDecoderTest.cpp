#include "demod/dsp/RC_DcsDecoder.h"
#include "tests/demod/dsp/SignalTestKit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <vector>

namespace {

constexpr std::uint32_t kMask = 0x7FFFFF;
constexpr std::uint32_t kIndex023 = 5;

std::set<std::int32_t> Listed(const RC_DcsDecoder& d) {
    return {d.FoundCodes(), d.FoundCodes() + d.FoundCount()};
}

void Send(RC_DcsDecoder& d, std::uint32_t word, std::uint32_t firstBit = 0) {
    for (std::uint32_t k = 0; k < 23; ++k) {
        d.ReceiveBit(static_cast<int>((word >> ((firstBit + k) % 23)) & 1u));
    }
}

TEST(RC_DcsDecoder, CodeWordsCarryTheCodeTheMarkerBitAndTheirParity) {
    EXPECT_EQ(RC_DcsDecoder::kCodes[kIndex023], 023);
    std::set<std::uint32_t> distinct;
    for (std::uint32_t i = 0; i < RC_DcsDecoder::kCodeCount; ++i) {
        const std::uint32_t w = RC_DcsDecoder::CodeWord(i);
        EXPECT_EQ(w & 0x1FF, RC_DcsDecoder::kCodes[i]) << i;
        EXPECT_EQ(w & 0xE00, 0x800u) << "bit 11 set, bits 9 and 10 clear";
        EXPECT_EQ(w & ~kMask, 0u);
        EXPECT_NE(w, 0u);
        EXPECT_NE(w, kMask) << "the cleared register matches no inverted word either";
        distinct.insert(w);
    }
    EXPECT_EQ(distinct.size(), RC_DcsDecoder::kCodeCount);
    EXPECT_EQ(RC_DcsDecoder::CodeWord(RC_DcsDecoder::kCodeCount), 0u);
}

TEST(RC_DcsDecoder, AWordIsFoundInEveryCyclicOrderPlainAndInverted) {
    for (std::uint32_t start = 0; start < 23; ++start) {
        RC_DcsDecoder d;
        Send(d, RC_DcsDecoder::CodeWord(kIndex023), start);
        EXPECT_TRUE(Listed(d).count(023)) << "starting at bit " << start;
        RC_DcsDecoder inverted;
        Send(inverted, RC_DcsDecoder::CodeWord(kIndex023) ^ kMask, start);
        EXPECT_TRUE(Listed(inverted).count(023 + 512)) << "starting at bit " << start;
        EXPECT_FALSE(Listed(inverted).count(023));
    }
}

TEST(RC_DcsDecoder, EveryCodeIsFoundAndListedOnce) {
    for (std::uint32_t i = 0; i < RC_DcsDecoder::kCodeCount; ++i) {
        RC_DcsDecoder d;
        Send(d, RC_DcsDecoder::CodeWord(i));
        // Repeating the word matches it again at every further bit; it is listed once.
        Send(d, RC_DcsDecoder::CodeWord(i));
        const std::vector<std::int32_t> list(d.FoundCodes(), d.FoundCodes() + d.FoundCount());
        EXPECT_TRUE(std::count(list.begin(), list.end(), RC_DcsDecoder::kCodes[i]) == 1) << std::oct << RC_DcsDecoder::kCodes[i];
        EXPECT_EQ(std::set<std::int32_t>(list.begin(), list.end()).size(), list.size()) << "no code twice";
    }
}

TEST(RC_DcsDecoder, ListStaysUntilABitMatchesAgainAndTheClearedRegisterMatchesNothing) {
    RC_DcsDecoder d;
    d.ReceiveBit(0);
    EXPECT_EQ(d.FoundCount(), 0u);
    Send(d, RC_DcsDecoder::CodeWord(kIndex023));
    const auto found = Listed(d);
    ASSERT_TRUE(found.count(023));
    // Bits after the word that match nothing leave the list as it was.
    std::uint32_t unmatched = 0;
    for (int k = 0; k < 23; ++k) {
        const std::uint32_t before = d.FoundCount();
        const auto listed = Listed(d);
        d.ReceiveBit(0);
        bool matches = false;
        for (std::uint32_t i = 0; i < RC_DcsDecoder::kCodeCount; ++i) {
            std::uint32_t r = d.Register();
            for (int rot = 0; rot < 23; ++rot) {
                matches = matches || r == RC_DcsDecoder::CodeWord(i) || r == (RC_DcsDecoder::CodeWord(i) ^ kMask);
                r = (r >> 1) | ((r & 1u) << 22);
            }
        }
        if (!matches) {
            ++unmatched;
            EXPECT_EQ(d.FoundCount(), before);
            EXPECT_EQ(Listed(d), listed);
        }
    }
    EXPECT_GT(unmatched, 20u);
    EXPECT_EQ(d.Register(), 0u);
    d.ClearFound();
    EXPECT_EQ(d.FoundCount(), 0u);
}

TEST(RC_BitSlicer, RecoversBitsAtTheBitRateAndFollowsAClockThatIsOff) {
    for (double clockError : {1.0, 1.01, 0.99}) {
        RC_BitSlicer slicer;
        slicer.bitRate = 134.4;
        slicer.gain = 0.1;
        slicer.sampleRate = 2688.0;
        std::vector<int> received;
        slicer.SetCallback([](void* user, int bit) { static_cast<std::vector<int>*>(user)->push_back(bit); }, &received);
        std::mt19937 random(4);
        std::vector<int> sent(400);
        for (auto& b : sent) {
            b = static_cast<int>(random() & 1u);
        }
        const double perBit = 2688.0 / (134.4 * clockError);
        std::vector<std::int16_t> x(static_cast<std::size_t>(sent.size() * perBit));
        for (std::size_t k = 0; k < x.size(); ++k) {
            x[k] = sent[static_cast<std::size_t>(k / perBit)] != 0 ? 3000 : -3000;
        }
        slicer.Process(x.data(), static_cast<std::uint32_t>(x.size()));
        EXPECT_NEAR(static_cast<double>(received.size()), static_cast<double>(sent.size()), 8.0) << clockError;
        // After the first few bits the received stream is the sent one at some offset.
        bool aligned = false;
        for (std::size_t offset = 0; offset < 8 && !aligned; ++offset) {
            const std::size_t n = std::min(received.size(), sent.size()) - 16;
            aligned = std::equal(received.begin() + 10 + offset, received.begin() + 10 + n - 8,
                                 sent.begin() + 10);
        }
        EXPECT_TRUE(aligned) << clockError;
    }
}

// NRZ audio of a code word repeated, at 48 kHz, first bit of the word first.
std::vector<std::int16_t> DcsAudio(std::uint32_t word, double seconds, std::uint32_t seed) {
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0.0, 800.0);
    const double perBit = 48000.0 / 134.4;
    std::vector<std::int16_t> x(static_cast<std::size_t>(seconds * 48000.0));
    for (std::size_t k = 0; k < x.size(); ++k) {
        const auto bit = static_cast<std::uint32_t>(k / perBit) % 23;
        x[k] = static_cast<std::int16_t>(((word >> bit) & 1u ? 3000.0 : -3000.0) + noise(random));
    }
    return x;
}

std::set<std::int32_t> DecodeAudio(const std::vector<std::int16_t>& x, RC_Routine routine = RC_DefaultRoutine()) {
    RC_DcsDecoder d(routine);
    d.SetSampleRate(48000.0f);
    std::set<std::int32_t> seen;
    for (std::size_t at = 0; at + 1024 <= x.size(); at += 1024) {
        d.Process(x.data() + at, 1024, 1);
        seen.insert(d.FoundCodes(), d.FoundCodes() + d.FoundCount());
        d.ClearFound();
    }
    return seen;
}

TEST(RC_DcsDecoder, DecodesEveryCodeFromNoisyAudioPlainAndInverted) {
    for (std::uint32_t i = 0; i < RC_DcsDecoder::kCodeCount; ++i) {
        const std::uint32_t word = RC_DcsDecoder::CodeWord(i);
        const std::int32_t code = RC_DcsDecoder::kCodes[i];
        const auto plain = DecodeAudio(DcsAudio(word, 1.0, i));
        EXPECT_TRUE(plain.count(code)) << std::oct << code;
        EXPECT_FALSE(plain.count(code + 512)) << std::oct << code;
        const auto inverted = DecodeAudio(DcsAudio(word ^ kMask, 1.0, i));
        EXPECT_TRUE(inverted.count(code + 512)) << std::oct << code << " inverted";
        EXPECT_FALSE(inverted.count(code)) << std::oct << code << " inverted";
    }
}

TEST(RC_DcsDecoder, BothFilterRoutinesFindTheSameCodes) {
    const auto x = DcsAudio(RC_DcsDecoder::CodeWord(40) ^ kMask, 2.0, 77);
    const auto scalar = DecodeAudio(x, RC_Routine::kScalar);
    EXPECT_TRUE(scalar.count(RC_DcsDecoder::kCodes[40] + 512));
    EXPECT_EQ(DecodeAudio(x, RC_Routine::kSse2), scalar);
}

TEST(RC_DcsDecoder, NoiseAloneAndAToneFindNoCode) {
    std::mt19937 random(9);
    std::normal_distribution<double> noise(0.0, 4000.0);
    std::vector<std::int16_t> x(48000 * 2);
    for (auto& v : x) {
        v = static_cast<std::int16_t>(std::clamp(noise(random), -32767.0, 32767.0));
    }
    EXPECT_TRUE(DecodeAudio(x).empty());
    for (std::size_t k = 0; k < x.size(); ++k) {
        x[k] = static_cast<std::int16_t>(5000.0 * std::sin(2 * dsptest::kPi * 100.0 * k / 48000.0));
    }
    EXPECT_TRUE(DecodeAudio(x).empty());
}

TEST(RC_DcsDecoder, ResamplesToAbout2688HzAndFiltersThere) {
    RC_DcsDecoder d;
    EXPECT_EQ(d.SampleRate(), 1000.0f);
    d.SetSampleRate(48000.0f);
    EXPECT_EQ(d.Interpolation(), 7u);
    EXPECT_EQ(d.Decimation(), 125u);
    EXPECT_FLOAT_EQ(d.ResampledRate(), 2688.0f);
    EXPECT_FLOAT_EQ(d.Filter().SampleRate(), 2688.0f);
    EXPECT_FLOAT_EQ(d.Filter().HighCutoff(), 300.0f);
    EXPECT_EQ(d.Filter().Length(), 255u);
    EXPECT_EQ(d.Slicer().sampleRate, 2688.0);
    EXPECT_EQ(d.Slicer().bitRate, 134.4);
}

// The share of blocks after the first second after which the code is listed, for a code word
// repeated at 48 kHz as the wide-FM squelch feeds it (the receiver's audio itself), in blocks of
// smallest..largest samples.
double CodeListedShare(std::uint32_t index, double amplitude, std::uint32_t smallest, std::uint32_t largest) {
    const std::uint32_t word = RC_DcsDecoder::CodeWord(index);
    std::mt19937 random(31);
    std::normal_distribution<double> noise(0.0, amplitude / 40.0);
    const double perBit = 48000.0 / 134.4;
    std::vector<std::int16_t> x(3 * 48000);
    for (std::size_t k = 0; k < x.size(); ++k) {
        const auto bit = static_cast<std::uint32_t>(k / perBit) % 23;
        const double v = ((word >> bit) & 1u ? amplitude : -amplitude) + noise(random);
        x[k] = static_cast<std::int16_t>(std::clamp(v, -32767.0, 32767.0));
    }
    RC_DcsDecoder d;
    d.SetSampleRate(48000.0f);
    std::uniform_int_distribution<std::uint32_t> size(smallest, largest);
    std::uint32_t blocks = 0;
    std::uint32_t listed = 0;
    for (std::size_t at = 0; at < x.size();) {
        const auto n = static_cast<std::uint32_t>(std::min<std::size_t>(size(random), x.size() - at));
        d.Process(x.data() + at, n, 1);
        at += n;
        if (at > 48000) {
            ++blocks;
            listed += Listed(d).count(RC_DcsDecoder::kCodes[index]) ? 1 : 0;
        }
    }
    return static_cast<double>(listed) / blocks;
}

TEST(RC_DcsDecoder, FindsACodeUpToFullScaleWhateverSizeTheBlocksHave) {
    const struct {
        double amplitude;
        std::uint32_t smallest;
        std::uint32_t largest;
    } cases[] = {{3000, 1024, 1024}, {3000, 900, 1099}, {32767, 1024, 1024}, {32767, 900, 1099}, {32767, 64, 2048}};
    for (const auto& c : cases) {
        for (std::uint32_t index : {kIndex023, 40u, 111u}) {
            EXPECT_GE(CodeListedShare(index, c.amplitude, c.smallest, c.largest), 0.99)
                << std::oct << RC_DcsDecoder::kCodes[index] << std::dec << " at " << c.amplitude << " in blocks of "
                << c.smallest << ".." << c.largest;
        }
    }
}

} // namespace
