#pragma once
// Repairs of a receiver's EEPROM image before the driver builds anything from it: calibration
// words out of their ranges get their defaults, counts that exceed the tables are cut to them.

#include "api/DeviceControl.h"

namespace lxq::driver {

// The six level-calibration words (offsets 240..250) are replaced as a set when any of them is
// out of range; word 7 (254) on its own. Word 6 is never changed.
void RepairCalibrationWords(LX_Q7_EEPROM& image);

// Band and synthesiser-range counts above what the tables hold are cut to the tables' size, then
// trailing zero edges are trimmed from both counts.
void RepairCounts(LX_Q7_EEPROM& image);

} // namespace lxq::driver
