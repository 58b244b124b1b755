#pragma once
// Receivers on real ports: "serial" (a termios port named by the bus id, "ttyUSB0" for
// /dev/ttyUSB0) and "usb" (libusb, named <bus>-<address> as lsusb shows them, "1-4"). Plugged
// with lxq745ctl: `lxq745ctl plug serial ttyUSB0`, `lxq745ctl plug usb 1-4`.

#include "driver/host/DeviceKinds.h"

namespace lxq::host {

void RegisterHardwareKinds(DeviceKinds& kinds);

} // namespace lxq::host
