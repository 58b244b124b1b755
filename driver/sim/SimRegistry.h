#pragma once
// The simulated receivers the driver host has plugged, by bus id, so that road tests running the
// host in the same process can reach a receiver to inject faults, move its audio or read what it
// was told. A simulator leaves the registry when it is destroyed (its device was removed).

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "driver/sim/SimReceiver.h"

namespace lxq::sim {

class PciCardSimulator;
class SerialReceiverSimulator;
class UsbReceiverSimulator;

struct SimulatedDevice {
    std::string busId;
    std::shared_ptr<SimReceiver> receiver;
    PciCardSimulator* pci = nullptr;
    SerialReceiverSimulator* serial = nullptr;
    UsbReceiverSimulator* usb = nullptr;
};

class SimRegistry {
public:
    static void Add(const SimulatedDevice& device);
    // Called by a simulator's destructor.
    static void Forget(const void* simulator);
    // The device plugged under busId; an empty record when there is none.
    static SimulatedDevice Find(const std::string& busId);
    // Every device plugged now.
    static std::vector<SimulatedDevice> All();
};

} // namespace lxq::sim
