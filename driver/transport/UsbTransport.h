#pragma once
// The external receiver on USB: vendor requests for single operations, tuner-state messages on
// the bulk pipe (idle or streaming alike) acknowledged by sequence number on the
// status pipe, and the codec stream: isochronous audio put back in frame order and written into
// the ring shared with the owning process.

#include <array>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>

#include "driver/host/ReceiverTransport.h"
#include "driver/transport/CodecRingWriter.h"
#include "driver/transport/UsbDevice.h"

namespace lxq::transport {

namespace usbreq {
inline constexpr std::uint8_t kLed = 3;
inline constexpr std::uint8_t kEepromRead = 4;
inline constexpr std::uint8_t kServiceBlock = 6;
inline constexpr std::uint8_t kLatchState = 7;
inline constexpr std::uint8_t kTunerRead = 8;
inline constexpr std::uint8_t kPower = 9;
inline constexpr std::uint8_t kStatus = 10;
inline constexpr std::uint8_t kBusWrite = 33;
inline constexpr std::uint8_t kRequest36 = 36;
inline constexpr std::uint8_t kFmWide = 37;
inline constexpr std::uint8_t kRequest40 = 40;
inline constexpr std::uint8_t kRequest41 = 41;
inline constexpr std::uint8_t kEepromWrite = 48;
inline constexpr std::uint8_t kCodecGain = 49;
} // namespace usbreq

// Status reply to vendor request 10.
inline constexpr std::uint8_t kUsbStatusBusy = 1u << 1;
inline constexpr std::uint8_t kUsbStatusPowered = 1u << 2;
inline constexpr std::uint8_t kUsbStatusError = 1u << 3;

inline constexpr std::size_t kUsbTransfersInFlight = 16;
inline constexpr std::size_t kUsbPacketsPerTransfer = 16;

class UsbTransport final : public host::ReceiverTransport {
public:
    UsbTransport(std::unique_ptr<UsbDevice> usb, CodecServices services);
    ~UsbTransport() override;

    bool Streaming() const;
    // Back at work with no handle open: the receiver starts over as if plugged in anew.
    void CyclePort() override { usb_->CyclePort(); }
    std::uint8_t Sequence() const;
    // The ring's writer while streaming (tests read its counters).
    std::uint32_t LostPackets() const;

    host::Variant DeviceVariant() const override { return host::Variant::Usb; }
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
    NtStatus BusWrite(std::uint32_t address, std::uint32_t value) override;
    bool IsBusy() override;
    NtStatus Open() override;
    void Close() override;
    NtStatus Start() override;
    void Stop() override;
    bool HandleRequest(host::ReceiverDevice& device, host::IoRequest& request, NtStatus& status) override;

    // The status poll: the reply's first two bytes, and the detector words when not busy.
    NtStatus PollStatus(std::uint8_t* head = nullptr, std::uint16_t* a = nullptr, std::uint16_t* b = nullptr);
    // (Re)configures the device with the given alternate setting (0 idle, 1 streaming).
    NtStatus Configure(std::uint8_t configuration, std::uint8_t alternate);

private:
    NtStatus SendBulk(const std::uint8_t* bytes, std::size_t length);
    bool WaitAcknowledge(bool always);
    bool WaitStatusNotBusy(int polls);
    NtStatus CodecStart(host::IoRequest& request);
    NtStatus CodecStop();
    NtStatus PipelinedTune(host::ReceiverDevice& device, host::IoRequest& request);
    void TearDownPipes(bool keepRing);
    void SubmitAudio(std::size_t slot);
    void SubmitStatusRead();
    void OnAudio(std::size_t slot, IsoTransfer& transfer);
    void OnStatus(NtStatus status, const std::uint8_t* bytes, std::size_t count);
    void DeliverLocked(const IsoTransfer& transfer);
    void DeliverKeptLocked(bool all);

    std::unique_ptr<UsbDevice> usb_;
    CodecServices services_;
    host::ReceiverDevice* device_ = nullptr;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool stopping_ = false;
    bool removed_ = false;
    bool audioOpen_ = false;
    bool statusOpen_ = false;
    int audioInFlight_ = 0;
    bool statusInFlight_ = false;
    std::uint8_t sequence_ = 0;
    std::uint8_t lastAcked_ = 0;
    std::uint8_t awaited_ = 0;
    bool ackPending_ = false;
    int outstandingPushes_ = 0;
    int bulkInFlight_ = 0;
    std::uint8_t statusByte_ = 0;
    // The push sequence when the status was last polled: an acknowledgement of that push or an
    // earlier one carries a level measured before the poll's, and must not replace it.
    std::uint8_t polledAfter_ = 0;
    bool polled_ = false;
    std::array<std::uint8_t, 8> lastStatus_{};
    std::uint16_t pushPacketSize_ = 64;

    // Codec stream.
    std::unique_ptr<SharedRingMemory> ringMemory_;
    std::unique_ptr<CodecRingWriter> ring_;
    std::unique_ptr<CodecSignal> signal_;
    std::array<int, kUsbTransfersInFlight> retries_{};
    std::array<std::optional<IsoTransfer>, kUsbTransfersInFlight> kept_;
    bool haveLastFrame_ = false;
    std::uint32_t lastFrame_ = 0;
};

} // namespace lxq::transport
