#pragma once
// How the library reaches receiver devices: list the device paths present, open one, send it
// device-control requests, and hear of arrivals and removals. The driver channel provides this in
// production; tests put a simulated device behind it.

#include "platform/sys/DeviceChannel.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace lxq::api {

// One open device (one handle). Requests on one link are sent one at a time by the caller.
class DeviceLink {
public:
    virtual ~DeviceLink() = default;
    // Returns the completion status; *bytes receives the byte count (a get request's value).
    virtual std::uint32_t Control(std::uint32_t code, const void* in, std::uint32_t inLength,
                                  void* out, std::uint32_t outLength,
                                  std::uint64_t inPointerValue, std::uint64_t* bytes) = 0;
    // The same with a descriptor passed along (-1: none) and one taken from the answer (the codec
    // stream's event and ring). Links that cannot pass descriptors refuse with 0xC00000BB.
    virtual std::uint32_t ControlWithDescriptor(std::uint32_t, const void*, std::uint32_t, void*, std::uint32_t,
                                                int, int* receivedDescriptor, std::uint64_t*) {
        if (receivedDescriptor != nullptr) *receivedDescriptor = -1;
        return 0xC00000BB;
    }
    // Asks the device to drop this link's requests that wait and have not run (one whose caller
    // gave up on it); never waits. Links whose requests never wait have nothing to cancel.
    virtual void Cancel() {}
    // The request that went unanswered within the time-out and whose answer has not come yet
    // (0: none); links that always answer have none.
    virtual std::uint32_t StalledRequest() { return 0; }
    // Once the late answer of request `id` has come: true, with its status (a request cancelled
    // before it ran: 0xC0000120).
    virtual bool LateAnswer(std::uint32_t, std::uint32_t* status) {
        if (status != nullptr) *status = 0;
        return true;
    }
};

class DeviceProvider {
public:
    using Watcher = std::function<void(plat::sys::DeviceEvent, const std::string& path)>;

    virtual ~DeviceProvider() = default;
    // Paths of the present devices in device-number order.
    virtual std::vector<std::string> List() = 0;
    // Null when the device cannot be opened (absent, owned by another process).
    virtual std::unique_ptr<DeviceLink> Open(const std::string& path) = 0;
    // Starts reporting arrivals and removals on a thread of the provider's own.
    virtual void Watch(Watcher watcher) = 0;
    // Stops reporting; no watcher call runs after it returns.
    virtual void StopWatching() = 0;
};

// The provider over the driver channel of the current LXQ745_NS.
std::unique_ptr<DeviceProvider> MakeChannelDeviceProvider();

} // namespace lxq::api
