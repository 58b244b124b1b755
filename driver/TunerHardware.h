#pragma once
// Everything the tuning logic needs from a receiver's transport (PCI card, serial line, USB).
// The tuning arithmetic runs without any platform; only these operations reach hardware, so
// tests and simulators stand in for a receiver by implementing them.

#include <cstdint>

#include "api/DeviceControl.h"

namespace lxq::driver {

class TunerHardware {
public:
    virtual ~TunerHardware() = default;

    // Sends the fields of `state` that differ from the device's current tuner state or are not
    // yet confirmed (every field with forceAll) and records what reached the hardware in the
    // current state. waitPush: return only when the hardware has taken the state.
    virtual NtStatus PushTunerState(const TunerState& state, bool waitPush, bool forceAll) = 0;

    // Reads the synthesiser lock status byte (bit 0 locked, 3 both loops locked). `again` is set
    // for the repeated reads of a lock wait, which some receivers must be asked to re-check.
    virtual NtStatus ReadLockStatus(bool again, std::uint8_t& status) = 0;

    // Wakes a wait for the receiver to finish its work, where the receiver has such a wait.
    virtual void SignalService() {}

    // Switches the receiver's FM-wide path.
    virtual NtStatus SwitchFmWide(bool on) = 0;

    // Reads the whole 256-byte EEPROM.
    virtual NtStatus ReadEeprom(LX_Q7_EEPROM& image) = 0;

    // Writes one EEPROM byte and waits until the receiver has stored it; false on failure.
    virtual bool WriteEepromByte(std::uint8_t address, std::uint8_t value) = 0;
};

} // namespace lxq::driver
