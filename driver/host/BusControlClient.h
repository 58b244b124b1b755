#pragma once
// Sends one bus command to the running driver host (see BusCommand.h) and returns its status and
// reply text; `lxq745ctl` and the road tests use it.

#include "api/DeviceControl.h"

#include <chrono>
#include <string>

namespace lxq::host {

class BusControlClient {
public:
    // Long enough for the slowest command (a sleep waits for the receivers' owners to let go).
    static constexpr std::chrono::milliseconds kDefaultWait{10'000};

    // wire::kStatusNoSuchDevice with an explaining reply when no host runs; kStatusRequestTimedOut
    // when the host does not take the command or answer it within `wait` (a host that is stuck
    // must not hold the caller for good).
    static NtStatus Send(const std::string& command, std::string& reply,
                         std::chrono::milliseconds wait = kDefaultWait);
};

} // namespace lxq::host
