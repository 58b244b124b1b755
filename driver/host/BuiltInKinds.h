#pragma once
// Registers the kinds of receiver that the driver host knows without configuration.

#include "driver/host/DeviceKinds.h"

namespace lxq::host {

void RegisterBuiltInKinds(DeviceKinds& kinds);

} // namespace lxq::host
