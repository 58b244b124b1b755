// The calibration file made for the simulators, read by the calibration library's own parser:
// each S-meter value a simulated receiver reports maps back to the level at its antenna, in the
// narrow and the wide table, over the whole band.

#include <gtest/gtest.h>

#include <cmath>

#include "dbmtable/CalFile.h"
#include "driver/sim/CalibrationTable.h"
#include "driver/sim/SceneLevel.h"
#include "driver/sim/SimEeprom.h"

namespace lxq::sim {
namespace {

int RawOf(std::int32_t tenths) { return std::clamp((tenths + 1300) * 255 / 1000, 0, 255); }

TEST(CalibrationTable, EveryReportedValueMapsBackToTheAntennaLevel) {
    const LX_Q7_EEPROM image = MakeImage(SimVariant::Usb);
    std::string error;
    const auto file = dbm::CalFile::Parse(CalibrationTable::Text(image), &error);
    ASSERT_TRUE(file) << error;
    const DetectorModel model(image, 2047);
    const SceneGains programDefault{false, true};
    struct Table {
        std::int32_t selector;
        bool wide;
        double lowest, highest; // what the S-meter can show with the preamplifier on
    };
    for (const Table t : {Table{-1, false, -133.0, -47.0}, Table{3, true, -133.0, -47.0}}) {
        const dbm::CalTable* table = file->Find("lx-q745", t.selector);
        ASSERT_NE(table, nullptr) << t.selector;
        for (std::int64_t hz : {std::int64_t{kSimLowestHz}, std::int64_t{145'000'000}, std::int64_t{kSimHighestHz}}) {
            double previous = -1e9;
            for (int raw = 0; raw <= 255; ++raw) {
                const double level = dbm::CalFile::Level(*table, hz, raw);
                EXPECT_GE(level, previous) << "rising, raw " << raw;
                previous = level;
            }
            for (double dbm = t.lowest; dbm <= t.highest; dbm += 0.37) {
                const std::uint8_t agc = t.wide ? 6 : 0;
                const auto read = model.ReadBack(model.Words(WithGains(dbm, programDefault), agc, t.wide), agc, t.wide);
                EXPECT_NEAR(dbm::CalFile::Level(*table, hz, RawOf(read)), dbm, 1.0) << t.selector << " at " << dbm;
            }
        }
    }
}

} // namespace
} // namespace lxq::sim
