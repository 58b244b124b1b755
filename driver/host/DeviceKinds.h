#pragma once
// The kinds of receiver the bus can plug, by name ("test", later the simulators and real ports).
// Each kind registers a maker once at start-up; the bus asks for a receiver driver by kind.

#include "driver/host/Bus.h"

#include <string>
#include <vector>

namespace lxq::host {

class DeviceKinds {
public:
    using Maker = std::function<std::unique_ptr<ReceiverDriver>(const std::string& busId, std::string& error)>;

    void Register(const std::string& kind, Maker maker);
    std::vector<std::string> Names() const;
    // Bus::DriverFactory over the registered kinds.
    std::unique_ptr<ReceiverDriver> Make(const std::string& kind, const std::string& busId, std::string& error) const;

private:
    std::vector<std::pair<std::string, Maker>> makers_;
};

} // namespace lxq::host
