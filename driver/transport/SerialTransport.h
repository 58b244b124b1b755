#pragma once
// The external receiver on a serial line: each tuner field is its own command, confirmed by the
// receiver's answer; a commit command makes the receiver take the fields sent. Reads (EEPROM
// dump, hardware state, lock, detector words) are queries whose answers carry hexadecimal digits.

#include <memory>
#include <mutex>

#include "driver/host/ReceiverTransport.h"
#include "driver/transport/SerialLink.h"

namespace lxq::transport {

namespace serialcmd {
inline constexpr std::uint8_t kReadService8 = 132;
inline constexpr std::uint8_t kWriteEeprom = 133;
inline constexpr std::uint8_t kReadService16 = 136;
inline constexpr std::uint8_t kReadDetectorA = 137;
inline constexpr std::uint8_t kSetPreselector = 138;
inline constexpr std::uint8_t kReadPreselector = 139;
inline constexpr std::uint8_t kSetControl = 140;
inline constexpr std::uint8_t kReadControl = 141;
inline constexpr std::uint8_t kMeasureA = 142;
inline constexpr std::uint8_t kMeasure = 143;
inline constexpr std::uint8_t kCommit = 144;
inline constexpr std::uint8_t kLockFirst = 154;
inline constexpr std::uint8_t kLockSecond = 155;
inline constexpr std::uint8_t kReadDwell = 156;
inline constexpr std::uint8_t kSetPower = 157;
inline constexpr std::uint8_t kEepromDump = 159;
inline constexpr std::uint8_t kSetWord0 = 160;
inline constexpr std::uint8_t kReadWord0 = 161;
inline constexpr std::uint8_t kSetWord4 = 162;
inline constexpr std::uint8_t kReadWord4 = 163;
inline constexpr std::uint8_t kSetWord8 = 164;
inline constexpr std::uint8_t kReadWord8 = 165;
inline constexpr std::uint8_t kSetWord12 = 166;
inline constexpr std::uint8_t kReadWord12 = 167;
inline constexpr std::uint8_t kSetGain16 = 170;
inline constexpr std::uint8_t kReadGain16 = 171;
inline constexpr std::uint8_t kSetGain20 = 172;
inline constexpr std::uint8_t kReadGain20 = 173;
inline constexpr std::uint8_t kSetReference = 174;
inline constexpr std::uint8_t kReadReference = 175;
inline constexpr std::uint8_t kReadBand = 177;
inline constexpr std::uint8_t kSetBand = 178;
inline constexpr std::uint8_t kReadPower = 180;
inline constexpr std::uint8_t kSetDwell = 181;
inline constexpr std::uint8_t kFmWide = 183;
inline constexpr std::uint8_t kLed = 188;
} // namespace serialcmd

class SerialTransport final : public host::ReceiverTransport {
public:
    explicit SerialTransport(std::unique_ptr<SerialPort> port, SerialTimings timings = {});
    ~SerialTransport() override;

    SerialLink& Link() { return link_; }

    host::Variant DeviceVariant() const override { return host::Variant::Serial; }
    void Attach(host::ReceiverDevice& device) override { device_ = &device; }
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
    NtStatus SetLedPattern(std::uint8_t pattern) override;
    bool IsBusy() override { return link_.CommandOutstanding(); }
    NtStatus Open() override;
    void Close() override;
    void Stop() override;
    bool Responding() const override { return link_.Responding(); }

private:
    void OnAnswer(const SerialAnswer& answer);
    void OnReady();
    void Confirm(driver::TunerField field, const TunerState& sent, bool ok);

    std::unique_ptr<SerialPort> port_;
    const SerialTimings timings_;
    SerialLink link_;
    host::ReceiverDevice* device_ = nullptr;

    std::mutex mutex_;
    // What the receiver's answers told; the reader thread writes, callers read.
    TunerState readBack_{};
    driver::FieldMask readFields_ = 0;  // the fields read back since the last read began
    bool powered_ = false;
    std::uint8_t status_ = 0;
    std::uint16_t detectorA_ = 0, detectorB_ = 0;
    LX_Q7_EEPROM eeprom_{};
    bool eepromRead_ = false;
    // The state last pushed and the power last switched: sent again after a reconnection.
    TunerState sentState_{};
    bool hasSentState_ = false;
    bool switchedOn_ = false;
    // Confirmations that arrive while a push is under way go back with the push itself.
    bool pushing_ = false;
    driver::FieldMask pushConfirmed_ = 0;
};

} // namespace lxq::transport
