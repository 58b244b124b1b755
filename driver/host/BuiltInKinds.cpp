#include "driver/host/BuiltInKinds.h"

namespace lxq::host {

void RegisterBuiltInKinds(DeviceKinds&) {}

} // namespace lxq::host
