#include "tests/driver/TunerFixture.h"

namespace lxq::driver::test {
namespace {

using TunerHardwareState = TunerFixture;

TEST_F(TunerHardwareState, EmptyHardwareStartsAt40MegahertzWithTheImageGains) {
    TuningState& s = tuner.State();
    s.current = TunerState{};
    s.current.referenceSelect = kReferenceInternal;
    s.current.preselector = 0x42;
    s.frequency = 123'456'789;
    tuner.AdoptHardwareState();
    EXPECT_EQ(s.frequency, 40'000'000u); // no synthesiser word yet
    EXPECT_EQ(s.referenceHz, 40'000'000.0);
    EXPECT_EQ(s.current.gain[0], 40); // image bytes 184..191
    EXPECT_EQ(s.current.gain[1], 33);
    EXPECT_EQ(s.current.gain[4], 0x3F);
    EXPECT_EQ(s.current.gain[7], 0x3F);
    EXPECT_EQ(s.hwInfo.preselector, 0x42);
}

TEST_F(TunerHardwareState, StartFrequencyIsClampedToTheReceiversRange) {
    struct Case {
        std::uint8_t reference;
        std::uint32_t mainControl, frequency, lowest, expected;
        double referenceHz;
    };
    const Case cases[] = {
        {kReferenceInternal, 0x01F48000, 123'456'789, 9'000, 123'456'789, 40e6},
        {kReferenceExternal, 0x01F48000, 123'456'789, 9'000, 123'456'789, 10e6},
        {0, 0x01F48000, 123'456'789, 9'000, 40'000'000, 0.0}, // no reference selected
        {kReferenceInternal, 0x01F48000, 5'000, 9'000, 9'000, 40e6},
        {kReferenceInternal, 0x01F48000, 3'100'000'000u, 9'000, 3'000'000'000u, 40e6},
        {kReferenceInternal, 0, 123'456'789, 50'000'000, 50'000'000, 40e6},
    };
    for (const Case& c : cases) {
        TuningState& s = tuner.State();
        s.current.referenceSelect = c.reference;
        s.current.mainControl = c.mainControl;
        s.frequency = c.frequency;
        s.image.lowestHz = c.lowest;
        tuner.AdoptHardwareState();
        EXPECT_EQ(s.frequency, c.expected);
        EXPECT_EQ(s.referenceHz, c.referenceHz);
    }
}

TEST_F(TunerHardwareState, AgcModeAndIfGainAreReadBackFromTheGainBytes) {
    struct Case {
        bool option;
        std::uint8_t g[8]; // tuner-state bytes 16..23
        int mode;
        int ifGain; // -1: left as it was
    };
    const Case cases[] = {
        {false, {63, 0, 0, 0, 1, 1, 1, 1}, 0, 100},
        {false, {63, 47, 0, 0, 1, 1, 1, 1}, 0, 0},
        {false, {63, 63, 0, 0, 1, 1, 1, 1}, 0, 0}, // saturates instead of going negative
        {false, {9, 9, 63, 0, 1, 1, 1, 1}, 3, -1},
        {false, {9, 9, 0, 63, 1, 1, 1, 1}, 2, -1},
        {false, {9, 9, 63, 63, 1, 1, 1, 1}, 1, -1},
        {true, {9, 9, 9, 9, 9, 0, 9, 9}, 6, -1},
        {true, {9, 9, 9, 9, 9, 63, 9, 63}, 5, -1},
        {true, {63, 0, 9, 9, 9, 63, 9, 0}, 0, 100},
        {true, {9, 9, 9, 9, 63, 63, 9, 0}, 3, -1},
        {true, {9, 9, 9, 63, 9, 63, 9, 0}, 1, -1},
        {true, {9, 9, 63, 9, 9, 63, 9, 0}, 2, -1},
        {true, {9, 9, 9, 9, 9, 63, 9, 0}, 4, -1},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(n++);
        TuningState& s = tuner.State();
        s.image.options = c.option ? kOptGain : 0;
        std::copy(std::begin(c.g), std::end(c.g), s.current.gain);
        s.ifGain = 55;
        tuner.AdoptHardwareState();
        EXPECT_EQ(s.agcMode, c.mode);
        EXPECT_EQ(s.ifGain, c.ifGain < 0 ? 55 : c.ifGain);
    }
}

TEST_F(TunerHardwareState, RecordMirrorsTheRegisterFile) {
    ASSERT_EQ(tuner.SetTunerFrequency(90'500'000, true, false, false, false, 0), kStatusSuccess);
    TuningState& s = tuner.State();
    s.status = 3;
    s.detectorPair = 0x00120034;
    const HardwareStateRecord r = tuner.BuildHardwareStateRecord();
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&r);
    EXPECT_EQ(bytes[5], 1);
    EXPECT_EQ(bytes[8], 3);
    EXPECT_EQ(bytes[13], s.current.dwell);
    EXPECT_EQ(bytes[14], 0x34);
    EXPECT_EQ(bytes[16], 0x12);
    EXPECT_EQ(bytes[20], 0xCF);
    EXPECT_EQ(bytes[32], 0xCF);
    EXPECT_EQ(bytes[22], 81);
    EXPECT_EQ(bytes[23], 0x1A);
    EXPECT_EQ(bytes[34], kReferenceInternal);
    EXPECT_EQ(r.mainControl, s.current.mainControl);
    EXPECT_EQ(r.mainFraction, 620'646'184u);
    EXPECT_EQ(bytes[0] | bytes[1] | bytes[24] | bytes[39], 0);
}

TEST_F(TunerHardwareState, GainBytesFollowTheAgcModeAndIfGain) {
    struct Case {
        bool option;
        int mode, ifGain, manual;
        std::uint8_t g[8]; // expected bytes 16..23 as pushed (bit 7 of 16 and 20 with option)
    };
    // Image: byte 184 = 40, byte 185 = 33, bytes 188..191 = 3F 00 00 3F.
    const Case cases[] = {
        {false, 0, 100, 0, {63, 0, 0, 0, 0x3F, 0, 0, 0x3F}},
        {false, 0, 0, 0, {63, 47, 0, 0, 0x3F, 0, 0, 0x3F}},
        {false, 1, 50, 0, {40, 33, 63, 63, 0x3F, 0, 0, 0x3F}},
        {false, 2, 50, 12, {40, 12, 0, 63, 0x3F, 0, 0, 0x3F}},
        {false, 3, 50, 0, {40, 33, 63, 0, 0x3F, 0, 0, 0x3F}},
        {false, 6, 50, 0, {40, 24, 0, 0, 0x3F, 0, 0, 0x3F}},
        {true, 0, 100, 0, {63 | 0x80, 0, 0, 0, 0x80, 63, 0, 0}},
        {true, 1, 0, 0, {40 | 0x80, 33, 63, 63, 0x80, 63, 0, 0}},
        {true, 3, 0, 0, {40 | 0x80, 33, 0, 0, 63 | 0x80, 63, 0, 0}},
        {true, 5, 0, 0, {40 | 0x80, 33, 63, 63, 0x80, 63, 0, 63}},
        {true, 6, 0, 0, {63 | 0x80, 63, 0, 0, 0x80, 0, 0, 0}},
        {true, 6, 50, 0, {63 | 0x80, 32, 0, 0, 0x80, 0, 0, 0}},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(n++);
        tuner.State().image.options = c.option ? kOptGain : 0;
        ASSERT_EQ(tuner.ApplyGains(static_cast<std::uint8_t>(c.mode),
                                   static_cast<std::uint8_t>(c.ifGain),
                                   static_cast<std::uint8_t>(c.manual)),
                  kStatusSuccess);
        for (int i = 0; i < 8; ++i) EXPECT_EQ(Pushed().gain[i], c.g[i]) << "byte " << 16 + i;
        EXPECT_EQ(tuner.State().agcMode, c.mode);
        EXPECT_EQ(tuner.State().ifGain, c.ifGain);
    }
}

} // namespace
} // namespace lxq::driver::test
