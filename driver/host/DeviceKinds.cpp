#include "driver/host/DeviceKinds.h"

namespace lxq::host {

void DeviceKinds::Register(const std::string& kind, Maker maker) {
    makers_.emplace_back(kind, std::move(maker));
}

std::vector<std::string> DeviceKinds::Names() const {
    std::vector<std::string> names;
    for (const auto& [name, maker] : makers_) names.push_back(name);
    return names;
}

std::unique_ptr<ReceiverDriver> DeviceKinds::Make(const std::string& kind, const std::string& busId,
                                                  std::string& error) const {
    for (const auto& [name, maker] : makers_)
        if (name == kind) return maker(busId, error);
    error = "unknown kind \"" + kind + "\" (known:";
    for (const auto& name : Names()) error += " " + name;
    error += ")";
    return nullptr;
}

} // namespace lxq::host
