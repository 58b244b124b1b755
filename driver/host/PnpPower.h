#pragma once
// Plug-and-play and power requests of a device object: start, removal queries, removal, surprise
// removal, and the device and system power states, holding and replaying requests through the
// pending list.

#include "driver/host/DeviceObject.h"

namespace lxq::host {

class PnpPower {
public:
    static void HandlePnp(const DevicePtr& device, const RequestPtr& request);
    static void HandlePower(const DevicePtr& device, const RequestPtr& request);

private:
    static NtStatus Start(const DevicePtr& device);
    static NtStatus QueryRemove(DeviceObject& device);
    static void Remove(const DevicePtr& device, IoRequest& request);
    static void StopDevice(DeviceObject& device);
    static NtStatus SetDevicePower(const DevicePtr& device, int state);
    static NtStatus SetSystemPower(const DevicePtr& device, int state);
    static NtStatus QuerySystemPower(DeviceObject& device, int state);
    static NtStatus QueryCapabilities(DeviceObject& device);
    static int DeviceStateFor(const DeviceObject& device, int systemState);
};

} // namespace lxq::host
