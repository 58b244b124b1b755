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

namespace lxq::host {

void RegisterSimulatedKinds(DeviceKinds& kinds) {
    kinds.Register("sim-usb", [](const std::string& busId, std::string&) -> std::unique_ptr<ReceiverDriver> {
        auto receiver = std::make_shared<sim::SimReceiver>(sim::SimVariant::Usb);
        receiver->FollowScene(true);
        auto usb = std::make_unique<sim::UsbReceiverSimulator>(receiver);
        usb->StartRealTime();
        sim::SimRegistry::Add({busId, receiver, nullptr, nullptr, usb.get()});
        return std::make_unique<ReceiverDevice>(
            std::make_unique<transport::UsbTransport>(std::move(usb), HostCodecServices()));
    });
    kinds.Register("sim-serial", [](const std::string& busId, std::string&) -> std::unique_ptr<ReceiverDriver> {
        auto receiver = std::make_shared<sim::SimReceiver>(sim::SimVariant::Serial);
        receiver->FollowScene(true);
        auto port = std::make_unique<sim::SerialReceiverSimulator>(receiver);
        sim::SimRegistry::Add({busId, receiver, nullptr, port.get(), nullptr});
        return std::make_unique<ReceiverDevice>(std::make_unique<transport::SerialTransport>(std::move(port)));
    });
    kinds.Register("sim-pci", [](const std::string& busId, std::string&) -> std::unique_ptr<ReceiverDriver> {
        auto receiver = std::make_shared<sim::SimReceiver>(sim::SimVariant::Pci);
        receiver->FollowScene(true);
        auto card = std::make_unique<sim::PciCardSimulator>(receiver);
        sim::SimRegistry::Add({busId, receiver, card.get(), nullptr, nullptr});
        return std::make_unique<ReceiverDevice>(std::make_unique<transport::PciTransport>(std::move(card)));
    });
}

} // namespace lxq::host
