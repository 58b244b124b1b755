#pragma once
// The band the host's simulated receivers hear: `lxq745d --scene FILE` at start and the bus
// command `scene FILE` (lxq745ctl scene FILE) while it runs. A file with a bad line is refused
// with its line number and the scene in force stays.

#include "driver/host/Bus.h"

#include <string>

namespace lxq::host {

class SceneCommand {
public:
    // Loads the file and makes it the scene of every simulated receiver of this process.
    // Failure: kStatusInvalidParameter, with "FILE: line N: what" in `reply`.
    static NtStatus Run(const std::string& path, std::string& reply);
};

} // namespace lxq::host
