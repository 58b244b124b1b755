#pragma once
// Receivers on real ports: "serial" (a termios port named by the bus id, "ttyUSB0" for
// /dev/ttyUSB0). Plugged with lxq745ctl: `lxq745ctl plug serial ttyUSB0`.

#include "driver/host/DeviceKinds.h"

namespace lxq::host {

void RegisterHardwareKinds(DeviceKinds& kinds);

} // namespace lxq::host
