#pragma once
// A receiver stand-in that answers at once and records every push: the "test" device kinds of the
// driver host and the fixture of the handler's tests. It keeps what the receiver would hold, and
// can be told to refuse fields, to report other detector words, or (USB) to have its audio pipe
// closed, in which case pushes are only recorded as the real transport does.

#include "driver/host/ReceiverTransport.h"

#include <mutex>
#include <string>
#include <vector>

namespace lxq::host {

class RecordingTransport : public ReceiverTransport {
public:
    struct RecordedPush {
        TunerState state;
        driver::FieldMask fields;
        bool forceAll;
        bool reachedReceiver;  // false: only recorded (receiver off, or USB audio pipe closed)
    };

    explicit RecordingTransport(Variant variant, const std::string& serial = "TEST0001");
    // An EEPROM image of a plausible receiver with the given serial number.
    static LX_Q7_EEPROM StandInImage(const std::string& serial);

    std::vector<RecordedPush> Pushes() const;
    TunerState Receiver() const;  // what the receiver holds
    void RefuseFields(driver::FieldMask fields);
    void SetDetector(std::uint16_t a, std::uint16_t b);
    // Keeps (default) or forgets the list of pushes; a long-running stand-in must not grow.
    void KeepPushes(bool keep);
    // USB: opening the audio pipe makes the receiver take tuner state again.
    void SetStreaming(bool open);

    Variant DeviceVariant() const override { return variant_; }
    void Attach(ReceiverDevice& device) override { device_ = &device; }
    PushOutcome Push(const TunerState& state, driver::FieldMask fields, bool waitPush, bool forceAll,
                     bool powered) override;
    NtStatus ReadLockStatus(bool again, std::uint8_t& status) override;
    NtStatus SwitchFmWide(bool) override { return kStatusSuccess; }
    NtStatus ReadEeprom(LX_Q7_EEPROM& image) override;
    bool WriteEepromByte(std::uint8_t address, std::uint8_t value) override;
    NtStatus Measure(std::uint32_t flags, std::uint16_t& a, std::uint16_t& b, bool& fresh) override;
    NtStatus SetPower(bool on) override;
    NtStatus ReadHardwareState(TunerState& state, bool& powered, HardwareStateRecord* record,
                               driver::FieldMask& fields) override;
    NtStatus SetLedPattern(std::uint8_t) override {
        return variant_ == Variant::Pci ? kStatusInvalidParameter : kStatusSuccess;  // the card has no LED
    }
    NtStatus BusWrite(std::uint32_t, std::uint32_t) override { return kStatusSuccess; }
    bool PowerDownOnClose() const override { return variant_ == Variant::Pci; }

private:
    Variant variant_;
    ReceiverDevice* device_ = nullptr;
    mutable std::mutex mutex_;
    LX_Q7_EEPROM eeprom_;
    TunerState receiver_{};
    bool powered_ = false;
    bool streaming_ = false;
    bool keepPushes_ = true;
    driver::FieldMask refused_ = 0;
    std::uint16_t a_ = 300, b_ = 900;
    std::vector<RecordedPush> pushes_;
};

} // namespace lxq::host
