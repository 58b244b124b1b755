#include "driver/host/BuiltInKinds.h"

#include "driver/host/ReceiverDevice.h"
#include "driver/host/RecordingTransport.h"
#include "driver/host/HardwareKinds.h"
#include "driver/host/SimulatedKinds.h"

namespace lxq::host {

void RegisterBuiltInKinds(DeviceKinds& kinds) {
    // Receivers that answer at once and record what they are sent: for trying the system out and
    // for road tests, one per variant.
    const std::pair<const char*, Variant> testKinds[] = {
        {"test", Variant::Usb}, {"test-pci", Variant::Pci}, {"test-serial", Variant::Serial}};
    for (const auto& [name, variant] : testKinds) {
        kinds.Register(name, [variant = variant](const std::string& busId, std::string&) {
            auto transport = std::make_unique<RecordingTransport>(variant, busId);
            transport->KeepPushes(false);  // nobody reads them in the host; it may run for days
            transport->SetStreaming(true);
            return std::make_unique<ReceiverDevice>(std::move(transport));
        });
    }
    RegisterSimulatedKinds(kinds);
    RegisterHardwareKinds(kinds);
}

} // namespace lxq::host
