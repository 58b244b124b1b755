#pragma once
// The one dispatcher behind every entry point of a device object: it counts each request in
// flight, runs open, close and cleanup, answers the connection query at once, fails requests on
// a removed device, hands device control to the receiver driver while the device can serve and
// holds it otherwise, and replays held requests in order when the device can serve again.

#include "driver/host/DeviceObject.h"

namespace lxq::host {

class Dispatcher {
public:
    static void Dispatch(const DevicePtr& device, const RequestPtr& request);
    // Replays the held requests in arrival order; a failure replay (device removed) fails them.
    static void Replay(const DevicePtr& device, bool failure);

private:
    static void Route(const DevicePtr& device, const RequestPtr& request);
    static bool CanServe(DeviceObject& device);
    static void Serve(DeviceObject& device, IoRequest& request);
    static NtStatus Open(DeviceObject& device, const IoRequest& request);
    static NtStatus Close(DeviceObject& device);
};

} // namespace lxq::host
