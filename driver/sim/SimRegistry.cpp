#include "driver/sim/SimRegistry.h"

#include <algorithm>

namespace lxq::sim {
namespace {

std::mutex& RegistryMutex() {
    static std::mutex mutex;
    return mutex;
}

std::vector<SimulatedDevice>& Devices() {
    static std::vector<SimulatedDevice> devices;
    return devices;
}

const void* SimulatorOf(const SimulatedDevice& d) {
    if (d.pci != nullptr) return d.pci;
    if (d.serial != nullptr) return d.serial;
    return d.usb;
}

} // namespace

void SimRegistry::Add(const SimulatedDevice& device) {
    std::lock_guard lock(RegistryMutex());
    auto& devices = Devices();
    devices.erase(std::remove_if(devices.begin(), devices.end(), [&](const auto& d) { return d.busId == device.busId; }),
                  devices.end());
    devices.push_back(device);
}

void SimRegistry::Forget(const void* simulator) {
    std::lock_guard lock(RegistryMutex());
    auto& devices = Devices();
    devices.erase(std::remove_if(devices.begin(), devices.end(),
                                 [&](const auto& d) { return SimulatorOf(d) == simulator; }),
                  devices.end());
}

std::vector<SimulatedDevice> SimRegistry::All() {
    std::lock_guard lock(RegistryMutex());
    return Devices();
}

SimulatedDevice SimRegistry::Find(const std::string& busId) {
    std::lock_guard lock(RegistryMutex());
    for (const auto& d : Devices())
        if (d.busId == busId) return d;
    return {};
}

} // namespace lxq::sim
