#include "driver/host/HardwareKinds.h"

#include "driver/host/ReceiverDevice.h"
#include "driver/host/TermiosSerialPort.h"
#include "driver/transport/SerialTransport.h"

namespace lxq::host {

void RegisterHardwareKinds(DeviceKinds& kinds) {
    kinds.Register("serial", [](const std::string& busId, std::string&) -> std::unique_ptr<ReceiverDriver> {
        return std::make_unique<ReceiverDevice>(
            std::make_unique<transport::SerialTransport>(std::make_unique<TermiosSerialPort>(SerialPathForBusId(busId))));
    });
}

} // namespace lxq::host
