#pragma once
// The receiver's signal level in tenths of dBm from its two raw detector words: word a follows
// the signal, word b the AGC voltage. Two fixed level tables (one per receiver front end) and the
// EEPROM calibration words turn them into a level.

#include "driver/LX_Q7_EEPROM.h"

#include <cstdint>

namespace lxq::driver {

struct DetectorLevel {
    std::int32_t level;         // tenths of dBm
    std::uint32_t detectorPair; // a | b << 16, with b as corrected for the AGC mode
};

// Pure: the level for detector words a and b under the image's calibration, the AGC mode and the
// FM-wide flag.
DetectorLevel LevelFromDetector(const LX_Q7_EEPROM& image, std::uint8_t agcMode, bool fmWide,
                                std::int32_t a, std::int32_t b);

} // namespace lxq::driver
