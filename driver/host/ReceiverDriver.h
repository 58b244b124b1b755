#pragma once
// What the kernel-services layer needs of the driver's own logic for one receiver: the first open
// and last close, the device-control handler, and starting and stopping the hardware. The host's
// device objects call it; the receiver device (handler, tuning, transport) implements it, and
// tests put a fake in its place.

#include "driver/host/IoRequest.h"

namespace lxq::host {

enum class Variant : int { Pci = 1, Serial = 2, Usb = 3 };

class ReceiverDriver {
public:
    virtual ~ReceiverDriver() = default;

    virtual Variant DeviceVariant() const = 0;
    // Prepares the hardware for its first user: loads the EEPROM image, refreshes the state.
    virtual NtStatus FirstOpen() = 0;
    // Quiets the hardware after its last user left.
    virtual void LastClose() = 0;
    // Serves one device-control request: sets its byte count and returns its status.
    virtual NtStatus HandleDeviceControl(IoRequest& request) = 0;
    // Starting and stopping as plug and play asks; a failed start leaves the device unstarted.
    virtual NtStatus StartHardware() = 0;
    virtual void StopHardware() = 0;
    // False while the receiver behind the device does not answer (serial variant).
    virtual bool Responding() const { return true; }
    // Asks the bus to cycle the device's port, so that a receiver that lost its state while the
    // system slept comes back as new (USB).
    virtual void CyclePort() {}
    // True when the device may be sent to D3 after its last close.
    virtual bool PowerDownOnClose() const { return false; }
};

} // namespace lxq::host
