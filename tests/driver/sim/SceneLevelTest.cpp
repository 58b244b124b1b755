// The level model: what the detector sees of a scene, and detector words that the driver's own
// conversion reads back as that level, on every variant's calibration and AGC mode.

#include <gtest/gtest.h>

#include <cmath>

#include "driver/sim/SceneLevel.h"
#include "driver/sim/SimEeprom.h"

namespace lxq::sim {
namespace {

TEST(SceneLevel, StationsInsideTheBandwidthAddTheirPowerToTheNoise) {
    const BandScene scene = *BandScene::Parse(
        "noise -110\nstation 10000000 -70 carrier\nstation 10300000 -80 carrier\nstation 10305000 -80 cw\n"
        "station 14200000 -73 usb tone=1200\n");
    struct Case {
        std::uint32_t hz;
        std::uint32_t bandwidth;
        SceneGains gains;
        double dbm;
    };
    const Case cases[] = {
        {10'000'000, kNarrowIfBandwidthHz, {}, -70.0},
        {10'010'000, kNarrowIfBandwidthHz, {}, -70.0},   // on the filter's edge
        {10'010'001, kNarrowIfBandwidthHz, {}, -110.0},  // past it
        {10'302'000, kNarrowIfBandwidthHz, {}, -80.0 + 10.0 * std::log10(2.0)},
        {10'250'000, kWideIfBandwidthHz, {}, -80.0 + 10.0 * std::log10(2.0)},
        {14'211'200, kNarrowIfBandwidthHz, {}, -73.0},   // the sideband counts where it is
        {14'189'000, kNarrowIfBandwidthHz, {}, -110.0},
        {10'000'000, kNarrowIfBandwidthHz, {true, false}, -88.0},
        {10'000'000, kNarrowIfBandwidthHz, {false, true}, -54.0},
        {10'000'000, kNarrowIfBandwidthHz, {true, true}, -72.0},
        {0, kNarrowIfBandwidthHz, {}, -110.0}, // not tuned: the noise alone
    };
    for (const Case& c : cases)
        EXPECT_NEAR(SceneLevelDbm(scene, c.hz, c.bandwidth, c.gains), c.dbm, 0.01) << c.hz << " " << c.bandwidth;
    // The noise itself is a power too: a station at its level doubles it.
    const BandScene equal = *BandScene::Parse("noise -100\nstation 5000000 -100 carrier\n");
    EXPECT_NEAR(SceneLevelDbm(equal, 5'000'000, kNarrowIfBandwidthHz), -100.0 + 10.0 * std::log10(2.0), 0.01);
}

TEST(SceneLevel, TheDriverReadsTheWordsBackAsTheLevelOnEveryVariantAndAgcMode) {
    for (SimVariant variant : {SimVariant::Pci, SimVariant::Serial, SimVariant::Usb}) {
        const LX_Q7_EEPROM image = MakeImage(variant);
        const DetectorModel model(image, variant == SimVariant::Pci && image.pciCardType != 1 ? 1023 : 2047);
        for (std::uint8_t agc : {0, 1, 2, 3}) {
            // From the detector's floor to well above where the AGC takes over.
            for (double dbm = -118.0; dbm <= -20.0; dbm += 0.7) {
                const DetectorWords words = model.Words(dbm, agc, false);
                EXPECT_NEAR(model.ReadBack(words, agc, false), dbm * 10.0, 10.0)
                    << ModelId(variant) << " agc " << int(agc) << " at " << dbm;
            }
        }
        for (double dbm = -140.0; dbm <= 0.0; dbm += 0.7) {
            EXPECT_NEAR(model.ReadBack(model.Words(dbm, 6, true), 6, true), dbm * 10.0, 10.0)
                << ModelId(variant) << " FM-wide at " << dbm;
        }
        // Past what the words can carry, the nearest they can.
        EXPECT_NEAR(model.ReadBack(model.Words(-150.0, 0, false), 0, false), -1190, 1);
    }
}

TEST(SceneLevel, ARepairedCalibrationIsTheOneTheWordsAreMadeFor) {
    // The driver converts with its repaired copy of a bad image; so must the model.
    const LX_Q7_EEPROM bad = MakeImage(SimVariant::Serial, ImageKind::BadCalibration);
    const DetectorModel model(bad, 2047);
    for (double dbm : {-110.0, -90.0, -60.0, -30.0})
        EXPECT_NEAR(model.ReadBack(model.Words(dbm, 0, false), 0, false), dbm * 10.0, 10.0) << dbm;
}

} // namespace
} // namespace lxq::sim

namespace lxq::sim {
namespace {

// The IF gain follows the gain bytes the driver programs (ApplyGains): AGC modes hold a strong
// station at the threshold that the IF1 gain sets, manual gain takes a dB a step, unprogrammed
// bytes leave full gain.
TEST(SceneLevel, TheIfGainFollowsTheGainBytes) {
    struct Case {
        const char* what;
        std::uint8_t bytes[8];
        double levelDbm;
        double gainDb;
    };
    const Case cases[] = {
        {"never programmed", {0, 0, 0, 0, 0, 0, 0, 0}, -10.0, 0.0},
        {"AGC mode 2, weak station: full gain", {40, 30, 0, 63, 0, 0, 0, 0}, -80.0, 0.0},
        {"AGC mode 2, strong station held at -40 dBm", {40, 30, 0, 63, 0, 0, 0, 0}, -14.0, -26.0},
        {"AGC mode 1, IF1 gain 20: threshold -50 dBm", {40, 20, 63, 63, 0, 0, 0, 0}, -30.0, -20.0},
        {"option bit 7 on byte 16 is no gain", {40 | 0x80, 30, 0, 63, 0, 0, 0, 0}, -30.0, -10.0},
        {"manual, IF gain 100 (byte 17 0): full gain, clips", {63, 0, 0, 0, 0, 0, 0, 0}, -14.0, 0.0},
        {"manual, IF gain 10 (byte 17 43)", {63, 43, 0, 0, 0, 0, 0, 0}, -14.0, -43.0},
    };
    for (const Case& c : cases) EXPECT_DOUBLE_EQ(IfGainDb(c.bytes, c.levelDbm), c.gainDb) << c.what;
}

} // namespace
} // namespace lxq::sim
