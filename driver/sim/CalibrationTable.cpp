#include "driver/sim/CalibrationTable.h"

#include <cstdint>
#include <cstdio>
#include <sstream>

#include "driver/sim/SceneLevel.h"
#include "driver/sim/SimEeprom.h"

namespace lxq::sim {
namespace {

// The span of antenna levels walked, and the step.
constexpr double kLowestDbm = -170.0;
constexpr double kHighestDbm = 20.0;
constexpr double kStepDb = 0.01;
// The rows: the same points over the simulators' whole range (their detector is flat).
constexpr std::int64_t kRowsHz[] = {kSimLowestHz, kSimHighestHz};

// The library's S-meter value of a level in tenths of dBm.
int RawOf(std::int32_t tenths) {
    const std::int32_t v = (tenths + 1300) * 255 / 1000;
    if ((v & (1 << 22)) != 0) return 0;
    return v < 255 ? v : 255;
}

std::string Points(const DetectorModel& model, bool wide) {
    const SceneGains gains{false, true};
    double sum[256] = {};
    int count[256] = {};
    int first = -1, last = -1;
    for (double dbm = kLowestDbm; dbm <= kHighestDbm; dbm += kStepDb) {
        const std::uint8_t agc = wide ? 6 : 0;
        const std::int32_t read = model.ReadBack(model.Words(WithGains(dbm, gains), agc, wide), agc, wide);
        const int raw = RawOf(read);
        if (first < 0) first = raw;
        last = raw;
        sum[raw] += dbm;
        ++count[raw];
    }
    std::string text;
    for (int raw = 0; raw < 256; ++raw) {
        // The values at the walk's ends hold every level beyond what the detector reads (and
        // 0 and 255 every level beyond the S-meter's scale): they stand for no one level.
        if (count[raw] == 0 || raw == first || raw == last || raw == 0 || raw == 255) continue;
        char point[32];
        std::snprintf(point, sizeof point, " %d:%.2f", raw, sum[raw] / count[raw]);
        text += point;
    }
    return text;
}

} // namespace

std::string CalibrationTable::Text(const LX_Q7_EEPROM& image) {
    const DetectorModel model(image, 2047);
    std::ostringstream out;
    out << "# The signal-level calibration of the simulated receivers, made by lxq745simcal from\n"
           "# their level model: S-meter value:dBm at the antenna, preamplifier on, attenuator off.\n"
           "[LX-Q745]\n";
    for (const bool wide : {false, true}) {
        out << "table " << (wide ? 3 : -1) << "\n";
        const std::string points = Points(model, wide);
        for (std::int64_t hz : kRowsHz) out << hz << points << "\n";
    }
    return out.str();
}

} // namespace lxq::sim
