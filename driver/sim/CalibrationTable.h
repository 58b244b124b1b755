#pragma once
// The calibration file that matches the simulated receivers, worked out from their own level
// model: for every S-meter value (0..255) the level at the antenna that the program must show.
// The program reads levels with its default gains (preamplifier on, attenuator off) and adds
// back what the gains did otherwise, so the tables are made for those gains.

#include <string>

#include "driver/LX_Q7_EEPROM.h"

namespace lxq::sim {

class CalibrationTable {
public:
    // The text of the .cal file (section "LX-Q745", narrow table -1 and wide table 3) for the
    // detector of this image.
    static std::string Text(const LX_Q7_EEPROM& image);
};

} // namespace lxq::sim
