#include "driver/host/ReceiverDevice.h"

#include "driver/SignalLevel.h"
#include "driver/host/DeviceControlHandler.h"
#include "platform/sys/Clock.h"

namespace lxq::host {

using driver::FieldMask;
using driver::kAllFields;

ReceiverDevice::ReceiverDevice(std::unique_ptr<ReceiverTransport> transport) : transport_(std::move(transport)) {
    transport_->Attach(*this);
}

driver::Confirmations ReceiverDevice::Confirmed() const {
    std::lock_guard lock(mutex_);
    return confirmed_;
}

std::int32_t ReceiverDevice::LastLevel() {
    TakeDetector();
    std::lock_guard lock(mutex_);
    return lastLevel_;
}

std::uint32_t ReceiverDevice::LastDetectorPair() {
    TakeDetector();
    std::lock_guard lock(mutex_);
    return tuner_.State().detectorPair;
}

NtStatus ReceiverDevice::PushTunerState(const TunerState& state, bool waitPush, bool forceAll) {
    TakeLateConfirmations();
    TunerState merged = state;
    FieldMask send;
    bool complete;
    {
        std::lock_guard lock(mutex_);
        const TunerState& current = State().current;
        const FieldMask unconfirmed = static_cast<FieldMask>(kAllFields & ~confirmed_.fields);
        // A field that failed before and that this push leaves alone is retried with the value that
        // failed, not with the stale one: otherwise a refused band word after a retune would be
        // "confirmed" as the old band beside the new synthesiser words.
        const FieldMask retried = static_cast<FieldMask>(unconfirmed & ~driver::DifferentFields(state, current));
        driver::CopyFields(merged, wanted_, retried);
        wanted_ = merged;
        send = forceAll ? kAllFields
                        : static_cast<FieldMask>(driver::DifferentFields(merged, current) | unconfirmed);
        complete = confirmed_.pushComplete;
    }
    if (send == 0 && complete) return kStatusSuccess;  // nothing changed, all confirmed

    const PushOutcome outcome = transport_->Push(merged, send, waitPush, forceAll, State().powered);
    std::lock_guard lock(mutex_);
    // Only what the receiver took becomes current; a field that failed stays unconfirmed and is
    // sent again by the next push.
    driver::CopyFields(State().current, merged, outcome.confirmed);
    confirmed_.fields = static_cast<FieldMask>((confirmed_.fields & ~send) | (outcome.confirmed & send));
    confirmed_.pushComplete = outcome.complete;
    return outcome.status;
}

void ReceiverDevice::ConfirmField(driver::TunerField field, const TunerState& sent, bool ok) {
    std::lock_guard lock(mutex_);
    if (ok) {
        driver::CopyFields(late_, sent, driver::Bit(field));
        lateFields_ = static_cast<FieldMask>(lateFields_ | driver::Bit(field));
        confirmed_.fields = static_cast<FieldMask>(confirmed_.fields | driver::Bit(field));
    } else {
        lateFields_ = static_cast<FieldMask>(lateFields_ & ~driver::Bit(field));
        confirmed_.fields = static_cast<FieldMask>(confirmed_.fields & ~driver::Bit(field));
    }
}

void ReceiverDevice::TakeLateConfirmations() {
    std::lock_guard lock(mutex_);
    driver::CopyFields(State().current, late_, lateFields_);
    lateFields_ = 0;
}

NtStatus ReceiverDevice::ResendWholeState() {
    TakeLateConfirmations();
    const TunerState current = State().current;
    if (current.mainControl == 0) return kStatusSuccess;  // nothing tuned yet
    return tuner_.PushTunerState(current, false, true);
}

NtStatus ReceiverDevice::ReadLockStatus(bool again, std::uint8_t& status) {
    const NtStatus result = transport_->ReadLockStatus(again, status);
    std::lock_guard lock(mutex_);
    confirmed_.statusRead = result == kStatusSuccess;
    return result;
}

NtStatus ReceiverDevice::MeasureLevel(std::uint32_t flags) {
    if (!State().powered) return kStatusDeviceBusy;
    std::uint16_t a = 0, b = 0;
    bool fresh = false;
    const NtStatus status = transport_->Measure(flags, a, b, fresh);
    if (status == kStatusSuccess && fresh) RecordDetector(a, b);
    return status;
}

void ReceiverDevice::RecordDetector(std::uint16_t a, std::uint16_t b) {
    std::lock_guard lock(mutex_);
    detector_.emplace(a, b);
    confirmed_.measurement = true;
}

void ReceiverDevice::TakeDetector() {
    std::optional<std::pair<std::uint16_t, std::uint16_t>> words;
    {
        std::lock_guard lock(mutex_);
        words = std::exchange(detector_, std::nullopt);
    }
    if (!words) return;
    const driver::DetectorLevel reading =
        driver::LevelFromDetector(State().image, State().agcMode, State().fmWide, words->first, words->second);
    std::lock_guard lock(mutex_);
    lastLevel_ = reading.level;
    State().detectorPair = reading.detectorPair;
}

NtStatus ReceiverDevice::FirstOpen() {
    const NtStatus opened = transport_->Open();
    if (opened != kStatusSuccess) return opened;
    {
        std::lock_guard lock(mutex_);
        State().powered = false;
        State().detectorPair = 0;
        detector_.reset();
        State().current = TunerState{};
        lateFields_ = 0;
        wanted_ = TunerState{};
        confirmed_ = driver::Confirmations{};
    }
    NtStatus status = tuner_.LoadEeprom();
    HardwareStateRecord record{};
    if (status == kStatusSuccess) status = RefreshHardwareState(record);
    if (status != kStatusSuccess) transport_->Close();
    return status;
}

NtStatus ReceiverDevice::RefreshHardwareState(HardwareStateRecord& record) {
    TunerState read{};
    bool powered = false;
    driver::FieldMask fields = 0;
    const bool card = DeviceVariant() == Variant::Pci;
    const NtStatus status = transport_->ReadHardwareState(read, powered, card ? &record : nullptr, fields);
    if (status != kStatusSuccess) return status;
    {
        std::lock_guard lock(mutex_);
        // Only what the receiver really sent replaces the driver's state: a field it could not
        // have reported keeps the value the driver holds (and will send).
        driver::CopyFields(State().current, read, fields);
        driver::CopyFields(wanted_, read, fields);
        lateFields_ = static_cast<driver::FieldMask>(lateFields_ & ~fields);  // superseded by the read
        State().powered = powered;
        confirmed_.fields = static_cast<driver::FieldMask>(confirmed_.fields | fields);
        if (fields == kAllFields) confirmed_.pushComplete = true;
    }
    tuner_.AdoptHardwareState();
    if (!card) {
        TakeDetector(); // the record carries the detector pair
        record = tuner_.BuildHardwareStateRecord();
    }
    return kStatusSuccess;
}

NtStatus ReceiverDevice::SetPower(bool on) {
    const NtStatus status = transport_->SetPower(on);
    {
        std::lock_guard lock(mutex_);
        confirmed_.power = status == kStatusSuccess;
    }
    if (status != kStatusSuccess) return status;
    State().powered = on;
    if (!on) return kStatusSuccess;

    switch (DeviceVariant()) {
    case Variant::Pci: {
        // The card starts from a known synthesiser state before it is sent back where it was.
        const std::uint32_t previous = State().frequency;
        transport_->BusWrite(0x30, 0x3000000);
        tuner_.SetTunerFrequency(1'000'000, true, true, true, true, 0);
        TunerState restart = State().current;
        restart.mainControl = (restart.mainControl & 0xFFFFFF00u) | 20u;
        tuner_.PushTunerState(restart, true, true);
        plat::sys::ActiveClock().SleepMs(200);
        tuner_.SetTunerFrequency(previous, true, true, true, false, 0);
        break;
    }
    case Variant::Serial: tuner_.PushTunerState(State().current, true, true); break;
    case Variant::Usb:
        if (State().current.mainControl != 0) tuner_.PushTunerState(State().current, false, true);
        break;
    }
    return kStatusSuccess;
}

NtStatus ReceiverDevice::HandleDeviceControl(IoRequest& request) {
    TakeLateConfirmations();
    return DeviceControlHandler::Handle(*this, request);
}

} // namespace lxq::host
