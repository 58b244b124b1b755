#pragma once
// What a device object reaches below and beside itself: the bus that passes requests down and
// enumerates the device, the device-interface registry that tells clients of arrival and removal,
// and the power manager that issues device power requests.

#include "api/DeviceControl.h"
#include "driver/host/DeviceCapabilities.h"

#include <string>

namespace lxq::host {

class DeviceObject;

class LowerDevice {
public:
    virtual ~LowerDevice() = default;
    // Passes a start down and waits; the bus may refuse it.
    virtual NtStatus ForwardStart(DeviceObject& device) = 0;
    // Enables or disables the device's interface: clients hear arrival or removal.
    virtual void SetInterfaceEnabled(DeviceObject& device, bool enabled) = 0;
    // The device no longer needs its interface link name (it was removed and its last handle closed).
    virtual void ReleaseInterface(DeviceObject& device) = 0;
    // The bus's capabilities record for the device (filled in over what the caller prepared).
    virtual NtStatus QueryCapabilities(DeviceObject& device, DeviceCapabilities& capabilities) = 0;
    // Asks the power manager for a device power state (1 = D0 .. 4 = D3).
    virtual NtStatus RequestDevicePower(DeviceObject& device, int state, bool wait) = 0;
};

} // namespace lxq::host
