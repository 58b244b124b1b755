#include "driver/host/HardwareKinds.h"

#include "driver/host/CodecRingMemory.h"
#include "driver/host/LibusbDevice.h"
#include "driver/host/ReceiverDevice.h"
#include "driver/host/TermiosSerialPort.h"
#include "driver/transport/SerialTransport.h"
#include "driver/transport/UsbTransport.h"

#include <unistd.h>

#include <cstdio>

namespace lxq::host {

void RegisterHardwareKinds(DeviceKinds& kinds) {
    kinds.Register("serial", [](const std::string& busId, std::string& error) -> std::unique_ptr<ReceiverDriver> {
        // A line that is not there would be listed as a started receiver that can never open:
        // it is plugged once its adapter is in. One that is there must be a serial line.
        const std::string path = SerialPathForBusId(busId);
        if (::access(path.c_str(), F_OK) != 0) {
            error = "no serial line \"" + path + "\" (plug its adapter in first)";
            return nullptr;
        }
        if (!IsSerialPortPath(path)) {
            error = "\"" + path + "\" is not a serial port";
            return nullptr;
        }
        return std::make_unique<ReceiverDevice>(
            std::make_unique<transport::SerialTransport>(std::make_unique<TermiosSerialPort>(SerialPathForBusId(busId))));
    });
    kinds.Register("usb", [](const std::string& busId, std::string& error) -> std::unique_ptr<ReceiverDriver> {
        int bus = 0, address = 0;
        char tail = 0;
        if (std::sscanf(busId.c_str(), "%d-%d%c", &bus, &address, &tail) != 2) {
            error = "a USB receiver is named <bus>-<address>, e.g. 1-4";
            return nullptr;
        }
        auto usb = LibusbDevice::Open(bus, address, error);
        if (!usb) return nullptr;
        return std::make_unique<ReceiverDevice>(std::make_unique<transport::UsbTransport>(std::move(usb), HostCodecServices()));
    });
}

} // namespace lxq::host
