#include "driver/host/DeviceObject.h"

namespace lxq::host {

DeviceObject::DeviceObject(int number, std::string busId, std::unique_ptr<ReceiverDriver> driver,
                           LowerDevice& lower)
    : number_(number),
      busId_(std::move(busId)),
      path_("lxq745#" + busId_ + "#" + GUID_DEVINTERFACE_LXQ745),
      driver_(std::move(driver)),
      lower_(lower) {}

} // namespace lxq::host
