#pragma once
// Follows device removal and arrival for this process. A removed receiver that this process has
// open turns into a simulated one without being closed, so its index stays valid and its exports
// answer from the cache; when the same device returns it is reopened and its settings are applied
// again. A device that arrives new takes the first free simulated slot.

#include "api/RadioControl.h"
#include "api/RadioLibrary.h"

#include <string>

namespace lxq::api {

class DeviceChangeHandler {
public:
    DeviceChangeHandler(RadioLibrary& library, RadioControl& control);
    ~DeviceChangeHandler();
    DeviceChangeHandler(const DeviceChangeHandler&) = delete;
    DeviceChangeHandler& operator=(const DeviceChangeHandler&) = delete;

    // Starts following the provider's notices (on the provider's thread).
    void Start();
    void OnRemoved(const std::string& path);
    void OnArrived(const std::string& path);

private:
    // First slot whose device path equals `path` ignoring case, or 0.
    std::int32_t FindSlot(const std::string& path);
    // Reopens a returning receiver under its device lock and applies its settings again.
    void Reconnect(std::int32_t index);
    void Reapply(std::int32_t index);

    RadioLibrary& lib_;
    RadioControl& ctl_;
};

} // namespace lxq::api
