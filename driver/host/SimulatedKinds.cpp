#include "driver/host/SimulatedKinds.h"

#include "driver/host/CodecRingMemory.h"
#include "driver/host/ReceiverDevice.h"
#include "driver/sim/PciCardSimulator.h"
#include "driver/sim/SerialReceiverSimulator.h"
#include "driver/sim/SimRegistry.h"
#include "driver/sim/UsbReceiverSimulator.h"
#include "driver/transport/PciTransport.h"
#include "driver/transport/SerialTransport.h"
#include "driver/transport/UsbTransport.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <set>

namespace lxq::host {
namespace {

// Gives a new simulated receiver a serial number of its own, so that opening by serial number
// opens the receiver meant: its kind's first one keeps the image's number (SIMU0001, SIMS0001,
// SIMP0001), the next free number after it goes to the next, and a bus id plugged again gets
// its number back while no other receiver has taken it. Called with the numbers' lock held
// until the receiver is in the registry.
void GiveOwnSerial(sim::SimReceiver& receiver, const std::string& busId) {
    static std::map<std::string, int> numberOfBusId;
    LX_Q7_EEPROM image = receiver.Image();
    const std::string prefix(image.serial, 4);
    std::set<int> taken;
    for (const auto& plugged : sim::SimRegistry::All()) {
        if (!plugged.receiver || plugged.busId == busId) continue;
        const LX_Q7_EEPROM other = plugged.receiver->Image();
        if (std::string(other.serial, 4) == prefix) taken.insert(std::atoi(std::string(other.serial + 4, 4).c_str()));
    }
    const std::string key = prefix + "/" + busId;
    int number = 1;
    if (const auto kept = numberOfBusId.find(key); kept != numberOfBusId.end() && !taken.count(kept->second))
        number = kept->second;
    else
        while (taken.count(number) && number < 9999) ++number;
    numberOfBusId[key] = number;
    char digits[5];
    std::snprintf(digits, sizeof digits, "%04d", number);
    std::memcpy(image.serial + 4, digits, 4);
    receiver.SetImage(image);
}

std::mutex& SerialNumbersMutex() {
    static std::mutex mutex;
    return mutex;
}

} // namespace

void RegisterSimulatedKinds(DeviceKinds& kinds) {
    kinds.Register("sim-usb", [](const std::string& busId, std::string&) -> std::unique_ptr<ReceiverDriver> {
        auto receiver = std::make_shared<sim::SimReceiver>(sim::SimVariant::Usb);
        receiver->FollowScene(true);
        std::lock_guard numbers(SerialNumbersMutex());
        GiveOwnSerial(*receiver, busId);
        auto usb = std::make_unique<sim::UsbReceiverSimulator>(receiver);
        usb->StartRealTime();
        sim::SimRegistry::Add({busId, receiver, nullptr, nullptr, usb.get()});
        return std::make_unique<ReceiverDevice>(
            std::make_unique<transport::UsbTransport>(std::move(usb), HostCodecServices()));
    });
    kinds.Register("sim-serial", [](const std::string& busId, std::string&) -> std::unique_ptr<ReceiverDriver> {
        auto receiver = std::make_shared<sim::SimReceiver>(sim::SimVariant::Serial);
        receiver->FollowScene(true);
        std::lock_guard numbers(SerialNumbersMutex());
        GiveOwnSerial(*receiver, busId);
        auto port = std::make_unique<sim::SerialReceiverSimulator>(receiver);
        sim::SimRegistry::Add({busId, receiver, nullptr, port.get(), nullptr});
        return std::make_unique<ReceiverDevice>(std::make_unique<transport::SerialTransport>(std::move(port)));
    });
    kinds.Register("sim-pci", [](const std::string& busId, std::string&) -> std::unique_ptr<ReceiverDriver> {
        auto receiver = std::make_shared<sim::SimReceiver>(sim::SimVariant::Pci);
        receiver->FollowScene(true);
        std::lock_guard numbers(SerialNumbersMutex());
        GiveOwnSerial(*receiver, busId);
        auto card = std::make_unique<sim::PciCardSimulator>(receiver);
        sim::SimRegistry::Add({busId, receiver, card.get(), nullptr, nullptr});
        return std::make_unique<ReceiverDevice>(std::make_unique<transport::PciTransport>(std::move(card)));
    });
}

} // namespace lxq::host
