#include "driver/host/RecordingTransport.h"

#include "driver/EepromRepair.h"
#include "driver/host/ReceiverDevice.h"

#include <algorithm>
#include <cstring>

namespace lxq::host {

RecordingTransport::RecordingTransport(Variant variant, const std::string& serial)
    : variant_(variant), eeprom_(StandInImage(serial)) {}

LX_Q7_EEPROM RecordingTransport::StandInImage(const std::string& serial) {
    LX_Q7_EEPROM e{};
    // Preselector steps and values of bands 4..7, rising across each band; the last node of a
    // band lies on its upper edge (steps count in the band's unit: 1, 1, 4 and 8 MHz here).
    const int lastStep[4] = {64, 128, 192, 250};
    for (int band = 0; band < 4; ++band)
        for (int k = 0; k < 8; ++k) {
            e.filterBytes[16 * band + 2 * k] = static_cast<std::uint8_t>(lastStep[band] * k / 7);
            e.filterBytes[16 * band + 2 * k + 1] = static_cast<std::uint8_t>(20 + k * 30);
        }
    e.layoutVersion = 1;
    e.bandCount = 7;
    e.synthRangeCount = 12;
    e.lowestHz = 10'000;
    e.highestHz = 3'024'000'000u;
    e.firstIfHz = 1'450'000'000u;
    const std::uint32_t edges[8] = {10'000,       3'000'000,     32'000'000,    64'000'000,
                                    128'000'000,  256'000'000,   1'024'000'000, 3'024'000'000u};
    std::copy(std::begin(edges), std::end(edges), e.bandEdges);
    for (int j = 0; j < 12; ++j) e.synthEdges[j] = 260'000'000u * static_cast<std::uint32_t>(j + 1);
    e.defaultGain16 = 36;
    e.if1ManualGain = 30;
    e.defaultGain20 = 0x3F00003Fu;
    std::memcpy(e.modelId, "Q7TSTv10", 8);
    std::memset(e.serial, ' ', 8);
    std::memcpy(e.serial, serial.data(), std::min<std::size_t>(serial.size(), 8));
    e.refClockInternalHz = 40'000'000;
    e.refClockExternalHz = 10'000'000;
    e.rxGain = 100;
    // Calibration words left at zero take the repair's defaults, as a blank EEPROM would.
    driver::RepairCalibrationWords(e);
    return e;
}

std::vector<RecordingTransport::RecordedPush> RecordingTransport::Pushes() const {
    std::lock_guard lock(mutex_);
    return pushes_;
}

TunerState RecordingTransport::Receiver() const {
    std::lock_guard lock(mutex_);
    return receiver_;
}

void RecordingTransport::RefuseFields(driver::FieldMask fields) {
    std::lock_guard lock(mutex_);
    refused_ = fields;
}

void RecordingTransport::SetDetector(std::uint16_t a, std::uint16_t b) {
    std::lock_guard lock(mutex_);
    a_ = a;
    b_ = b;
}

void RecordingTransport::KeepPushes(bool keep) {
    std::lock_guard lock(mutex_);
    keepPushes_ = keep;
    if (!keep) pushes_.clear();
}

void RecordingTransport::SetStreaming(bool open) {
    {
        std::lock_guard lock(mutex_);
        streaming_ = open;
    }
    if (open && device_ != nullptr) device_->ResendWholeState();
}

PushOutcome RecordingTransport::Push(const TunerState& state, driver::FieldMask fields, bool, bool forceAll,
                                     bool powered) {
    std::lock_guard lock(mutex_);
    const bool pipeClosed = variant_ == Variant::Usb && !streaming_;
    const bool reaches = powered && !pipeClosed;
    if (keepPushes_) pushes_.push_back({state, fields, forceAll, reaches});
    if (!reaches) return {kStatusSuccess, fields, true};  // recorded, reported as taken
    const driver::FieldMask taken = static_cast<driver::FieldMask>(fields & ~refused_);
    driver::CopyFields(receiver_, state, taken);
    const bool complete = taken == fields;
    return {complete ? kStatusSuccess : kStatusUnsuccessful, taken, complete};
}

NtStatus RecordingTransport::ReadLockStatus(bool, std::uint8_t& status) {
    status = 3;
    return kStatusSuccess;
}

NtStatus RecordingTransport::ReadEeprom(LX_Q7_EEPROM& image) {
    std::lock_guard lock(mutex_);
    image = eeprom_;
    return kStatusSuccess;
}

bool RecordingTransport::WriteEepromByte(std::uint8_t address, std::uint8_t value) {
    std::lock_guard lock(mutex_);
    reinterpret_cast<std::uint8_t*>(&eeprom_)[address] = value;
    return true;
}

NtStatus RecordingTransport::Measure(std::uint32_t flags, std::uint16_t& a, std::uint16_t& b, bool& fresh) {
    std::lock_guard lock(mutex_);
    fresh = variant_ != Variant::Pci || (flags & 0x10) != 0;
    a = a_;
    b = b_;
    return kStatusSuccess;
}

NtStatus RecordingTransport::SetPower(bool on) {
    std::lock_guard lock(mutex_);
    powered_ = on;
    return kStatusSuccess;
}

NtStatus RecordingTransport::ReadHardwareState(TunerState& state, bool& powered, HardwareStateRecord* record,
                                               driver::FieldMask& fields) {
    std::lock_guard lock(mutex_);
    state = receiver_;
    fields = driver::kAllFields;
    powered = powered_;
    if (record != nullptr) {
        *record = HardwareStateRecord{};
        record->powered = powered_ ? 1 : 0;
        record->bandWord = receiver_.bandWord;
        record->preselector = receiver_.preselector;
        record->rangeControl = receiver_.rangeControl;
        record->referenceSelect = receiver_.referenceSelect;
        record->dwell = receiver_.dwell;
    }
    return kStatusSuccess;
}

} // namespace lxq::host
