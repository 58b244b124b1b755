#pragma once
// One receiver as the driver sees it: the tuning core over the receiver's transport, the record of
// which pushed fields reached the hardware, and the last measurement. It is the receiver driver
// behind a device object and the hardware behind the tuning core.

#include "driver/Tuner.h"
#include "driver/host/ReceiverDriver.h"
#include "driver/host/ReceiverTransport.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

namespace lxq::host {

class ReceiverDevice final : public ReceiverDriver, public driver::TunerHardware {
public:
    explicit ReceiverDevice(std::unique_ptr<ReceiverTransport> transport);

    driver::Tuner& Tuner() { return tuner_; }
    driver::TuningState& State() { return tuner_.State(); }
    ReceiverTransport& Transport() { return *transport_; }
    driver::Confirmations Confirmed() const;
    // The last measurement: level in tenths of dBm and the detector words it came from. Called on
    // the thread that drives the tuner (see TakeDetector).
    std::int32_t LastLevel();
    std::uint32_t LastDetectorPair();

    // Takes a measurement and converts it (flags as ReceiverTransport::Measure).
    NtStatus MeasureLevel(std::uint32_t flags);
    // For transports: detector words that arrived on their own (a status message), also on a
    // completion thread of their own. They are converted when the level is next asked for.
    void RecordDetector(std::uint16_t a, std::uint16_t b);
    // For transports: a field the receiver confirmed (or refused) after the push returned, also on
    // a reader thread of their own. A confirmed value becomes current on the thread that drives
    // the tuner, before its next request or push.
    void ConfirmField(driver::TunerField field, const TunerState& sent, bool ok);
    // For transports: the receiver is ready to take tuner state again (streaming started, the
    // serial line came back): the whole current state is sent, so that what was reported as set
    // is what the receiver holds.
    NtStatus ResendWholeState();

    // driver::TunerHardware
    NtStatus PushTunerState(const TunerState& state, bool waitPush, bool forceAll) override;
    NtStatus ReadLockStatus(bool again, std::uint8_t& status) override;
    NtStatus SwitchFmWide(bool on) override { return transport_->SwitchFmWide(on); }
    void SignalService() override { transport_->SignalService(); }
    NtStatus ReadEeprom(LX_Q7_EEPROM& image) override { return transport_->ReadEeprom(image); }
    bool WriteEepromByte(std::uint8_t address, std::uint8_t value) override {
        return transport_->WriteEepromByte(address, value);
    }

    // ReceiverDriver
    Variant DeviceVariant() const override { return transport_->DeviceVariant(); }
    NtStatus FirstOpen() override;
    void LastClose() override { transport_->Close(); }
    NtStatus HandleDeviceControl(IoRequest& request) override;
    NtStatus StartHardware() override { return transport_->Start(); }
    void StopHardware() override { transport_->Stop(); }
    bool Responding() const override { return transport_->Responding(); }
    bool PowerDownOnClose() const override { return transport_->PowerDownOnClose(); }
    void CyclePort() override { transport_->CyclePort(); }

    // Power switch and its follow-up (the whole state restored after power-on).
    NtStatus SetPower(bool on);
    // Reads the hardware state and takes it over; the record is filled for the debug request.
    NtStatus RefreshHardwareState(HardwareStateRecord& record);

private:
    // Converts the detector words recorded since the last call into the level and the tuning
    // state's detector pair. The conversion reads the tuner's settings (EEPROM image, AGC mode,
    // wide FM), which only the thread driving the tuner changes, so it runs there and not on the
    // transport's completion thread.
    void TakeDetector();
    // Makes the values confirmed late current (on the thread that drives the tuner, the only one
    // that touches the tuning state's current values).
    void TakeLateConfirmations();

    std::unique_ptr<ReceiverTransport> transport_;
    driver::Tuner tuner_{*this};
    // Guards the confirmations and the measurement, which transports also update from their own
    // threads; the handler itself runs one request at a time.
    mutable std::mutex mutex_;
    driver::Confirmations confirmed_;
    TunerState wanted_{};  // the last state asked for, the values of unconfirmed fields included
    std::int32_t lastLevel_ = 0;
    std::optional<std::pair<std::uint16_t, std::uint16_t>> detector_; // recorded, not yet converted
    TunerState late_{};             // values confirmed late, not yet current
    driver::FieldMask lateFields_ = 0;
};

} // namespace lxq::host
