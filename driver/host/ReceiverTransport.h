#pragma once
// How a receiver device reaches its hardware: the PCI card, the serial line or USB (and, in tests
// and the "test" device kind, a recording stand-in). The device-control handler decides what to
// send; the transport knows how. Operations a variant lacks answer with the invalid-parameter
// status, which is what the handler reports for a request the variant cannot serve.

#include "driver/HardwareStateRecord.h"
#include "driver/TunerFields.h"
#include "driver/host/IoRequest.h"
#include "driver/host/ReceiverDriver.h"

namespace lxq::host {

class ReceiverDevice;

// What a push achieved: its status, the fields that reached the hardware now, and whether the
// receiver has taken the whole state (a serial receiver confirms its fields later, one by one).
struct PushOutcome {
    NtStatus status = kStatusSuccess;
    driver::FieldMask confirmed = 0;
    bool complete = false;
};

class ReceiverTransport {
public:
    virtual ~ReceiverTransport() = default;

    virtual Variant DeviceVariant() const = 0;
    // The device this transport serves, for confirmations and readings that arrive later.
    virtual void Attach(ReceiverDevice&) {}

    // Sends the given fields of state. `powered` says whether the receiver is switched on (an
    // unpowered receiver only records); forceAll asks the receiver to take every field.
    virtual PushOutcome Push(const TunerState& state, driver::FieldMask fields, bool waitPush, bool forceAll,
                             bool powered) = 0;
    virtual NtStatus ReadLockStatus(bool again, std::uint8_t& status) = 0;
    virtual NtStatus SwitchFmWide(bool on) = 0;
    virtual NtStatus ReadEeprom(LX_Q7_EEPROM& image) = 0;
    virtual bool WriteEepromByte(std::uint8_t address, std::uint8_t value) = 0;

    // Takes a measurement (flag 8: start a conversion; flag 0x10: wait for and read the result).
    // `fresh` tells whether a and b hold new detector words.
    virtual NtStatus Measure(std::uint32_t flags, std::uint16_t& a, std::uint16_t& b, bool& fresh) = 0;
    // Switches the receiver on or off (the power command of the variant).
    virtual NtStatus SetPower(bool on) = 0;
    // Reads back what the receiver holds: its tuner state, whether it is powered, and for the
    // card its whole register file (null record: not wanted). `fields` names the fields the
    // receiver really sent; the others in `state` mean nothing.
    virtual NtStatus ReadHardwareState(TunerState& state, bool& powered, HardwareStateRecord* record,
                                       driver::FieldMask& fields) = 0;

    virtual NtStatus SetLedPattern(std::uint8_t) { return kStatusInvalidParameter; }
    virtual NtStatus BusWrite(std::uint32_t, std::uint32_t) { return kStatusInvalidParameter; }
    // True while the receiver is working on a command.
    virtual bool IsBusy() { return false; }

    // First open and last close, start and stop of the device.
    virtual NtStatus Open() { return kStatusSuccess; }
    virtual void Close() {}
    virtual NtStatus Start() { return kStatusSuccess; }
    virtual void Stop() {}
    virtual bool Responding() const { return true; }
    virtual bool PowerDownOnClose() const { return false; }
    // Lock checks in a row that found the card not answering (PCI).
    virtual int SilentChecks() const { return 0; }
    // Wakes whoever waits for the card to finish its work (PCI with its interrupt in use).
    virtual void SignalService() {}
    virtual void CyclePort() {}

    // Requests only one variant serves (codec stream, raw vendor requests, bulk commands, the
    // pipelined tune with its sequence numbers). False: not handled here, the handler goes on.
    virtual bool HandleRequest(ReceiverDevice&, IoRequest&, NtStatus&) { return false; }
};

} // namespace lxq::host
