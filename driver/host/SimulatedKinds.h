#pragma once
// The simulated receivers the driver host can plug: "sim-usb", "sim-serial" and "sim-pci", each a
// receiver of that variant over its transport and simulator (the USB one streams audio in real
// time). They let the whole system run without hardware.

#include "driver/host/DeviceKinds.h"

namespace lxq::host {

void RegisterSimulatedKinds(DeviceKinds& kinds);

} // namespace lxq::host
