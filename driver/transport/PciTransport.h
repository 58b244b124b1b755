#pragma once
// The internal card: tuner fields, power, measurement, EEPROM and bus writes through the register
// mailbox; the interrupt (used by cards from firmware "Q7PCIv15" on) wakes waiters instead of
// making them poll. Its deferred work runs on a thread of its own, as it would after the
// interrupt routine queued it.

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "driver/host/ReceiverTransport.h"
#include "driver/transport/PciMailbox.h"

namespace lxq::transport {

class PciTransport final : public host::ReceiverTransport {
public:
    explicit PciTransport(std::unique_ptr<PciCard> card);
    ~PciTransport() override;

    PciMailbox& Mailbox() { return mailbox_; }
    bool InterruptConnected() const { return interruptConnected_; }

    host::Variant DeviceVariant() const override { return host::Variant::Pci; }
    host::PushOutcome Push(const TunerState& state, driver::FieldMask fields, bool waitPush, bool forceAll,
                           bool powered) override;
    NtStatus ReadLockStatus(bool again, std::uint8_t& status) override;
    NtStatus SwitchFmWide(bool on) override;
    NtStatus ReadEeprom(LX_Q7_EEPROM& image) override;
    bool WriteEepromByte(std::uint8_t address, std::uint8_t value) override;
    NtStatus Measure(std::uint32_t flags, std::uint16_t& a, std::uint16_t& b, bool& fresh) override;
    NtStatus SetPower(bool on) override;
    NtStatus ReadHardwareState(TunerState& state, bool& powered, HardwareStateRecord* record,
                               driver::FieldMask& fields) override;
    NtStatus BusWrite(std::uint32_t address, std::uint32_t value) override;
    bool IsBusy() override;
    NtStatus Open() override;
    void Close() override;
    NtStatus Start() override;
    void Stop() override;
    bool PowerDownOnClose() const override { return true; }
    int SilentChecks() const override;
    void SignalService() override;

    // The interrupt routine: claims the card's interrupt and queues the deferred work.
    bool ServiceInterrupt();
    // Waits until the deferred work queued so far has run (for tests and for stopping).
    void DrainDeferred();

private:
    void DeferredLoop();
    void Deferred();

    std::unique_ptr<PciCard> card_;
    PciMailbox mailbox_;
    bool interruptConnected_ = false;
    bool cardType1_ = false; // direct detector read, power value 3
    int silentChecks_ = 0;   // lock checks in a row that found the card not answering

    NtStatus NotAnswering();

    std::mutex dpcMutex_;
    std::condition_variable dpcWake_;
    int dpcQueued_ = 0;
    bool dpcStop_ = false;
    bool dpcRunning_ = false;
    std::thread dpcThread_;
};

} // namespace lxq::transport
