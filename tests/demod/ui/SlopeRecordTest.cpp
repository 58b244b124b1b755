// The slope record in the receiver's EEPROM: bytes and check word, the reading rules that refuse
// knobs beyond +-15, the interpolated correction, the write with its retries, and the averaged
// display that an automatic correction reads.

#include "demod/audio/RC_ReceiverApi.h"
#include "demod/ui/SlopeAverage.h"
#include "demod/ui/SlopeRecord.h"
#include "tests/demod/ui/DemodTestKit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

using namespace demod_test;

SlopeKnobs Knobs(std::initializer_list<double> first) {
    SlopeKnobs k{};
    int i = 0;
    for (double v : first) k[i++] = v;
    return k;
}

TEST(SlopeRecordTest, EncodingStoresValuePlus128AndTheirSum) {
    const struct {
        SlopeKnobs knobs;
        std::uint8_t first;
        std::uint16_t check;
    } cases[] = {
        {Knobs({}), 128, 1408},
        {Knobs({16}), 144, 1424},
        {Knobs({-99, 99}), 29, 1408},
        {Knobs({2.9}), 130, 1410},   // truncated
        {Knobs({-2.9}), 125, 1405},  // value + 128 truncated, so toward zero from 125.1
    };
    for (const auto& c : cases) {
        const SlopeBytes b = EncodeSlope(c.knobs);
        EXPECT_EQ(b.bytes[0], c.first) << c.knobs[0];
        EXPECT_EQ(b.check, c.check) << c.knobs[0];
    }
}

TEST(SlopeRecordTest, ReadingRefusesKnobsBeyondFifteenEvenWithAConsistentWord) {
    unsigned char eeprom[256] = {};
    auto store = [&](const SlopeKnobs& k) {
        const SlopeBytes b = EncodeSlope(k);
        std::memcpy(eeprom + 216, b.bytes.data(), 11);
        eeprom[227] = static_cast<unsigned char>(b.check);
        eeprom[228] = static_cast<unsigned char>(b.check >> 8);
    };
    store(Knobs({15, -15, 3}));
    SlopeReading r = DecodeSlope(eeprom);
    EXPECT_TRUE(r.Valid());
    EXPECT_EQ(r.knobs[1], -15);
    EXPECT_EQ(r.knobs[2], 3);

    store(Knobs({16}));
    r = DecodeSlope(eeprom);
    EXPECT_FALSE(r.Valid());
    EXPECT_EQ(r.computed, r.stored + 1);
    EXPECT_EQ(r.knobs[0], 16) << "the values are still read";

    eeprom[216] = 255; // beyond the knob range: clamped
    EXPECT_EQ(DecodeSlope(eeprom).knobs[0], 99);
}

TEST(SlopeRecordTest, CorrectionInterpolatesBetweenKnobsAndFollowsInversion) {
    SlopeKnobs k{};
    for (int i = 0; i < kSlopeKnobs; ++i) k[i] = i * 2.0; // knob i at 2000 + 2000 i Hz
    const struct {
        double hz;
        bool inverted;
        double db;
    } cases[] = {
        {2000, false, 0}, {3000, false, 1}, {4000, false, 2}, {22000, false, 20}, {21000, false, 19},
        {2000, true, 20}, {22000, true, 0}, {3000, true, 19},
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(SlopeCorrectionAt(k, c.hz, c.inverted), c.db) << c.hz << " " << c.inverted;
}

TEST(SlopeRecordTest, AWriteStoresTheRecordWithTheGuardAndLeavesTheKeptImageAlone) {
    ResetApi();
    RC_ReceiverApi api(FAKE_API_PATH);
    ASSERT_EQ(api.Open(""), 1);
    const SlopeKnobs knobs = Knobs({5, -5});

    EXPECT_TRUE(WriteSlopeOnce(api, knobs));
    EXPECT_EQ(Api().eeprom[216], 133);
    EXPECT_EQ(Api().eeprom[217], 123);
    EXPECT_EQ(Api().lastGuard, 0x6B3Eu);
    // The kept image is the user-interface thread's: the write runs on the receiver worker.
    EXPECT_EQ(api.Eeprom()[216], 128) << "as read at the open";

    Api().setResult = 0; // every write fails
    Api().writeEeprom.count = 0;
    EXPECT_FALSE(WriteSlopeOnce(api, knobs));
    EXPECT_EQ(Api().writeEeprom.count, 1) << "the check word is not written after failed bytes";
}

} // namespace

namespace {

constexpr int kBins = 1024;
constexpr double kRate = 48000.0; // bins 23.4375 Hz apart

// One frame of the whole array, every bin fresh.
SlopeFrame Frame(std::vector<float>& db, bool hold, bool inverted, bool track) {
    SlopeFrame f;
    f.db = db.data();
    f.bins = static_cast<int>(db.size());
    f.fs = kRate;
    f.hold = hold;
    f.inverted = inverted;
    f.track = track;
    return f;
}

// A spectrum rising 1 dB per 2 kHz from -40 dB at 2 kHz.
std::vector<float> Tilted() {
    std::vector<float> db(kBins);
    for (int b = 0; b < kBins; ++b) db[b] = static_cast<float>(-40.0 + (b * kRate / (2 * kBins) - 2000.0) / 2000.0);
    return db;
}

TEST(SlopeAverageTest, HoldShowsTheAverageAndKnobsCorrectTheShownSpectrum) {
    SlopeAverage avg;
    SlopeKnobs knobs{};
    knobs[0] = 4; // at 2000 Hz, fading to 0 at 4000 Hz
    std::vector<float> db(kBins, -30.0f);
    avg.Apply(Frame(db, false, false, false), knobs);
    const int at2k = static_cast<int>(std::ceil(2000.0 / (kRate / (2 * kBins))));
    EXPECT_NEAR(db[at2k], -26.0f, 0.1f);
    EXPECT_EQ(db[at2k - 1], -30.0f) << "below 2 kHz nothing is corrected";
    EXPECT_EQ(db[200], -30.0f) << "above 4 kHz knob 0 no longer counts";
    avg.Apply(Frame(db, true, false, false), knobs);
    EXPECT_EQ(db[100], -70.0f) << "held: the average as it stands";
}

TEST(SlopeAverageTest, AutomaticCorrectionFlattensATiltOnceTheAverageSettles) {
    for (bool inverted : {false, true}) {
        SlopeAverage avg;
        SlopeKnobs knobs{};
        avg.StartAutomatic(knobs);
        int frames = 0;
        bool ended = false;
        while (!ended && frames < 1000) {
            auto db = Tilted();
            ended = avg.Apply(Frame(db, false, inverted, true), knobs);
            ++frames;
        }
        ASSERT_TRUE(ended) << inverted;
        EXPECT_GT(frames, 10) << "not before the average has settled";
        EXPECT_FALSE(avg.AutomaticRunning());
        // Level D = -35 dB (mean of 6..18 kHz); knob k answers the spectrum at its own frequency.
        for (int k = 1; k < kSlopeKnobs - 1; ++k) {
            const int hzIndex = inverted ? 10 - k : k;
            EXPECT_NEAR(knobs[k], 5 - hzIndex, 1.0) << "knob " << k << " inverted " << inverted;
        }
        EXPECT_GT(avg.MaximumRipple(), avg.AverageRipple());
    }
}

// The IF graph refreshes only the bins of its span and hands over its whole array: bins it did not
// compute this time hold an old value (or none: 0 dB). Minutes of paints of a flat band leave every
// bin where one correction puts it, and the figures and an automatic run see a flat band.
TEST(SlopeAverageTest, OnlyFreshBinsAreCorrectedSoTheCorrectionStaysBoundedOverManyFrames) {
    constexpr int kSpan = 2048 / 2;                   // the USB graph: 2048 points at 64 kHz
    constexpr double kFs = 64000.0;                   // bins 31.25 Hz apart
    constexpr int kLo = 63, kHi = 703;                // what the graph refreshes for 2..22 kHz
    SlopeAverage avg;
    SlopeKnobs knobs{};
    knobs.fill(5.0);
    std::vector<float> db(kSpan, 0.0f);               // never refreshed bins stay at 0 dB
    // One paint: the graph refreshes its span with the flat band and hands over the whole array.
    auto paint = [&] {
        for (int b = kLo; b <= kHi; ++b) db[b] = -60.0f;
        SlopeFrame f;
        f.db = db.data();
        f.bins = kSpan;
        f.fs = kFs;
        f.firstFresh = kLo;
        f.lastFresh = kHi;
        f.track = true;
        return avg.Apply(f, knobs);
    };
    for (int frame = 0; frame < 3000; ++frame) paint(); // a few minutes of paints
    EXPECT_EQ(db[kHi + 1], 0.0f) << "a bin the graph did not refresh is not corrected";
    EXPECT_EQ(db[kLo], -60.0f) << "1968.75 Hz lies below the corrected span";
    for (int b : {kLo + 1, 400, kHi}) EXPECT_FLOAT_EQ(db[b], -55.0f) << b;
    EXPECT_EQ(avg.FirstCorrected(), 64);
    EXPECT_EQ(avg.LastCorrected(), kHi);
    EXPECT_NEAR(avg.Baseline(), -55.0, 0.1);
    EXPECT_LT(avg.MaximumRipple(), 0.1) << "a flat band has no ripple";

    // An automatic run on that band leaves the knobs flat.
    avg.StartAutomatic(knobs);
    bool ended = false;
    for (int frame = 0; frame < 1000 && !ended; ++frame) ended = paint();
    ASSERT_TRUE(ended);
    for (double k : knobs) EXPECT_EQ(k, 0.0);
}

} // namespace
