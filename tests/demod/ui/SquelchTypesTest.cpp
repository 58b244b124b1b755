// The squelch types' decisions on their own: the DCS hold and its polarity rules, and the tone
// squelch while settling. The whole path, with synthesised signals, is in DemodAudioPathTest.

#include "demod/ui/CtcssSquelch.h"
#include "demod/ui/DcsSquelch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

// One whole code word into the decoder, as the slicer would hand it over bit by bit.
void Hear(DcsSquelch& squelch, std::uint16_t code, bool inverted) {
    std::uint32_t index = 0;
    while (RC_DcsDecoder::kCodes[index] != code) ++index;
    const std::uint32_t word = RC_DcsDecoder::CodeWord(index) ^ (inverted ? 0x7FFFFFu : 0u);
    for (int bit = 0; bit < 23; ++bit) squelch.Decoder().ReceiveBit(static_cast<int>((word >> bit) & 1u));
}

TEST(DcsSquelchTest, AMatchHoldsTheSquelchOpenFor58BlocksAndClosesInThe59th) {
    DcsSquelch dcs;
    std::uint32_t hold = 0;
    Hear(dcs, 023, true); // listed as 531
    SquelchVerdict v;
    const DcsSquelch::Outcome o = dcs.Decide(v, false, -19, hold);
    EXPECT_EQ(o.reported, -19);
    EXPECT_TRUE(o.restartSettling);
    EXPECT_FALSE(v.closed);
    EXPECT_EQ(v.bits, kSquelchDcs);
    EXPECT_EQ(dcs.Decoder().FoundCount(), 0u) << "each decision starts a fresh list";
    for (int block = 1; block <= 59; ++block) {
        SquelchVerdict later;
        dcs.Decide(later, false, -19, hold);
        EXPECT_EQ(later.closed, block == 59) << block;
        EXPECT_EQ(later.bits, block == 59 ? 0u : kSquelchDcs) << block;
    }
}

TEST(DcsSquelchTest, AHeldMatchOpensEvenWhenAnEarlierTypeClosed) {
    DcsSquelch dcs;
    std::uint32_t hold = 0;
    Hear(dcs, 023, false);
    SquelchVerdict v;
    v.closed = true; // say the noise squelch shut this block
    dcs.Decide(v, false, 19, hold);
    EXPECT_FALSE(v.closed);
    EXPECT_EQ(v.bits, kSquelchDcs);
    // Once the hold has run out, a closed earlier type keeps the squelch shut.
    hold = 1;
    SquelchVerdict shut;
    shut.closed = true;
    dcs.Decide(shut, false, 19, hold);
    EXPECT_TRUE(shut.closed);
    EXPECT_EQ(shut.bits, 0u);
}

TEST(DcsSquelchTest, WithoutAMatchTheCodeOfTheAskedPolarityIsReported) {
    // The word of 023 is also the inverted word of 047, in another rotation.
    const struct {
        std::uint16_t heard;
        bool inverted;
        std::int32_t requested;
        std::int32_t reported;
    } cases[] = {
        {023, false, -19, -047},   // asked for an inverted code: the inverted reading
        {023, false, 0114, 023},   // asked for a plain code: the plain reading
        {023, true, 0114, 047},    // inverted 023 read plainly is 047
        {023, true, -0114, -023},  // and read inverted is 023
    };
    for (const auto& c : cases) {
        DcsSquelch dcs;
        std::uint32_t hold = 5;
        Hear(dcs, c.heard, c.inverted);
        SquelchVerdict v;
        const DcsSquelch::Outcome o = dcs.Decide(v, false, c.requested, hold);
        EXPECT_EQ(o.reported, c.reported) << c.requested;
        EXPECT_TRUE(v.closed) << c.requested;
        EXPECT_EQ(hold, 0u) << "no match ends the hold";
    }
}

TEST(DcsSquelchTest, WhileSettlingOnlyTheHoldRunsDown) {
    DcsSquelch dcs;
    std::uint32_t hold = 2;
    Hear(dcs, 023, false);
    SquelchVerdict v;
    const DcsSquelch::Outcome o = dcs.Decide(v, true, 19, hold);
    EXPECT_EQ(hold, 1u);
    EXPECT_FALSE(v.closed);
    EXPECT_FALSE(v.decided);
    EXPECT_EQ(o.reported, 0);
    EXPECT_NE(dcs.Decoder().FoundCount(), 0u) << "the codes wait for the decision";
    dcs.Decide(v, true, 19, hold);
    EXPECT_TRUE(v.closed) << "the hold ran out";
}

TEST(CtcssSquelchTest, PassesTheRequestedToneOnly) {
    std::vector<std::int16_t> tone(48000);
    for (std::size_t k = 0; k < tone.size(); ++k)
        tone[k] = static_cast<std::int16_t>(4000 * std::sin(2 * M_PI * 100.0 * static_cast<double>(k) / 24000.0));
    CtcssSquelch ctcss;
    ctcss.Process(tone.data(), static_cast<std::uint32_t>(tone.size()), 1, 24000.0f);
    const struct {
        float requested;
        bool settling;
        bool closed;
        std::uint32_t bits;
        bool decided;
        std::int32_t reported;
    } cases[] = {
        {100.0f, false, false, kSquelchCtcss, true, 100000},
        {100.0f, true, true, 0, false, 0},
        {123.0f, false, true, 0, true, 100000},
    };
    for (const auto& c : cases) {
        SquelchVerdict v;
        EXPECT_EQ(ctcss.Decide(v, c.settling, c.requested), c.reported) << c.requested;
        EXPECT_EQ(v.closed, c.closed) << c.requested;
        EXPECT_EQ(v.bits, c.bits) << c.requested;
        EXPECT_EQ(v.decided, c.decided) << c.requested;
    }
}

} // namespace
