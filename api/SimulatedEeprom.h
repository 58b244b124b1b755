#pragma once
// The EEPROM image of the demonstration receiver that every free simulated slot carries: model
// "Q7PCIv13", serial number "**DEMO**", 9 kHz to 1.8 GHz in 7 bands, FM-wide fitted.

#include "driver/LX_Q7_EEPROM.h"

namespace lxq::api {

const LX_Q7_EEPROM& SimulatedEeprom();

} // namespace lxq::api
