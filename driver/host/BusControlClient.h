#pragma once
// Sends one bus command to the running driver host (see BusCommand.h) and returns its status and
// reply text; `lxq745ctl` and the road tests use it.

#include "api/DeviceControl.h"

#include <string>

namespace lxq::host {

class BusControlClient {
public:
    // wire::kStatusNoSuchDevice with an explaining reply when no host runs.
    static NtStatus Send(const std::string& command, std::string& reply);
};

} // namespace lxq::host
