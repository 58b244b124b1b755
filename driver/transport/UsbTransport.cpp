#include "driver/transport/UsbTransport.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "driver/host/ReceiverDevice.h"
#include "driver/transport/ClockedWait.h"
#include "driver/transport/UsbMessages.h"
#include "platform/sys/Clock.h"

namespace lxq::transport {
namespace {

using plat::sys::kNsPerMs;
using plat::sys::kNsPerSecond;

constexpr plat::sys::Nanoseconds kControlTimeout = 2 * kNsPerSecond;
constexpr plat::sys::Nanoseconds kAckTimeout = kNsPerSecond;
constexpr plat::sys::Nanoseconds kPushSlotTimeout = kNsPerSecond;
constexpr plat::sys::Nanoseconds kEepromWriteTimeout = kNsPerSecond;
constexpr int kStatusPolls = 50;
constexpr int kRetryLimit = 5;
constexpr std::size_t kReorderReach = 17; // transfers ahead that are kept for later
constexpr int kUsbBulkSlots = 8;
constexpr std::size_t kUsbBulkMessageMax = 512;
constexpr int kBulkAttempts = 100;
constexpr plat::sys::Nanoseconds kBulkRetryWait = 20 * kNsPerMs;

std::uint16_t Le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

// Sequence numbers are 8-bit serial numbers: a is not behind b when b - a, taken modulo 256, is
// "negative".
bool NotBehind(std::uint8_t a, std::uint8_t b) { return static_cast<std::uint8_t>(b - a) == 0 || static_cast<std::uint8_t>(b - a) >= 128; }

} // namespace

UsbTransport::UsbTransport(std::unique_ptr<UsbDevice> usb, CodecServices services)
    : usb_(std::move(usb)), services_(std::move(services)) {}

UsbTransport::~UsbTransport() {
    {
        std::lock_guard lock(mutex_);
        removed_ = true;
    }
    TearDownPipes(false);
}

bool UsbTransport::Streaming() const {
    std::lock_guard lock(mutex_);
    return audioOpen_;
}

std::uint8_t UsbTransport::Sequence() const {
    std::lock_guard lock(mutex_);
    return sequence_;
}

std::uint32_t UsbTransport::LostPackets() const {
    std::lock_guard lock(mutex_);
    return ring_ ? ring_->Lost() : 0;
}

// ---- vendor requests and the status poll ----

NtStatus UsbTransport::PollStatus(std::uint8_t* head, std::uint16_t* a, std::uint16_t* b) {
    plat::sys::Clock& clock = plat::sys::ActiveClock();
    for (int i = 0; i < kStatusPolls; ++i) {
        UsbStatusReply reply{};
        std::size_t got = 0;
        const NtStatus status = usb_->VendorIn(usbreq::kStatus, 0, 0, reinterpret_cast<std::uint8_t*>(&reply),
                                               sizeof reply, got, kControlTimeout);
        if (status != kStatusSuccess) return status;
        if (head != nullptr) {
            head[0] = reply.flags;
            head[1] = reply.lock;
        }
        if ((reply.flags & kUsbStatusBusy) == 0) {
            {
                std::lock_guard lock(mutex_);
                statusByte_ = reply.lock & 3;
                polledAfter_ = sequence_;
                polled_ = true;
            }
            const auto wordA = static_cast<std::uint16_t>(reply.detectorA >> 5);
            const auto wordB = static_cast<std::uint16_t>(reply.detectorB >> 5);
            if (a != nullptr && b != nullptr) {
                *a = wordA;
                *b = wordB;
            } else if (device_ != nullptr) {
                device_->RecordDetector(wordA, wordB);
            }
            return kStatusSuccess;
        }
        clock.Sleep(kNsPerMs);
    }
    return kStatusSuccess; // still busy after every poll: the reply stands as it came
}

bool UsbTransport::WaitStatusNotBusy(int polls) {
    for (int i = 0; i < polls; ++i) {
        UsbStatusReply reply{};
        std::size_t got = 0;
        if (usb_->VendorIn(usbreq::kStatus, 0, 0, reinterpret_cast<std::uint8_t*>(&reply), sizeof reply, got,
                           kControlTimeout) != kStatusSuccess)
            return false;
        if ((reply.flags & kUsbStatusBusy) == 0) return (reply.flags & kUsbStatusError) == 0;
    }
    return false;
}

NtStatus UsbTransport::ReadLockStatus(bool again, std::uint8_t& status) {
    // The status pipe keeps the lock bits current; a repeated read asks the receiver afresh so that
    // a lock wait does not watch a value nobody updates.
    if (again) {
        const NtStatus polled = PollStatus();
        if (polled != kStatusSuccess) return polled;
    }
    std::lock_guard lock(mutex_);
    status = statusByte_;
    return kStatusSuccess;
}

NtStatus UsbTransport::SwitchFmWide(bool on) {
    return usb_->VendorOut(usbreq::kFmWide, on ? 12 : 8, 0, nullptr, 0, kControlTimeout);
}

NtStatus UsbTransport::ReadEeprom(LX_Q7_EEPROM& image) {
    std::size_t got = 0;
    const NtStatus status = usb_->VendorIn(usbreq::kEepromRead, 0, 0, reinterpret_cast<std::uint8_t*>(&image),
                                           sizeof image, got, kControlTimeout);
    if (status != kStatusSuccess) return status;
    return got == sizeof image ? kStatusSuccess : kStatusUnsuccessful;
}

bool UsbTransport::WriteEepromByte(std::uint8_t address, std::uint8_t value) {
    plat::sys::Clock& clock = plat::sys::ActiveClock();
    const plat::sys::Nanoseconds start = clock.Now();
    if (usb_->VendorOut(usbreq::kEepromWrite, value, address, nullptr, 0, kControlTimeout) != kStatusSuccess)
        return false;
    for (;;) {
        std::uint8_t head[2] = {};
        if (PollStatus(head) != kStatusSuccess) return false;
        if ((head[0] & kUsbStatusBusy) == 0) return true;
        if (clock.Now() - start > kEepromWriteTimeout) return false;
    }
}

NtStatus UsbTransport::Measure(std::uint32_t, std::uint16_t& a, std::uint16_t& b, bool& fresh) {
    fresh = false;
    std::uint8_t head[2] = {};
    const NtStatus status = PollStatus(head, &a, &b);
    fresh = status == kStatusSuccess && (head[0] & kUsbStatusBusy) == 0;
    return status;
}

NtStatus UsbTransport::SetPower(bool on) {
    return usb_->VendorOut(usbreq::kPower, on ? 1 : 0, 0, nullptr, 0, kControlTimeout);
}

NtStatus UsbTransport::ReadHardwareState(TunerState& state, bool& powered, HardwareStateRecord*,
                                         driver::FieldMask& fields) {
    fields = 0;
    std::uint8_t head[2] = {};
    const NtStatus polled = PollStatus(head);
    if (polled != kStatusSuccess) return polled;
    powered = (head[0] & kUsbStatusPowered) != 0;
    WaitAcknowledge(false);
    NtStatus status = usb_->VendorOut(usbreq::kLatchState, 0, 0, nullptr, 0, kControlTimeout);
    if (status != kStatusSuccess) return status;
    plat::sys::ActiveClock().Sleep(4 * kNsPerMs);
    for (int i = 0; i < kStatusPolls; ++i) {
        std::size_t got = 0;
        TunerState read{};
        status = usb_->VendorIn(usbreq::kTunerRead, 0, 0, reinterpret_cast<std::uint8_t*>(&read), sizeof read, got,
                                kControlTimeout);
        if (status != kStatusSuccess) return status;
        if (got > 1) {
            state = read;
            fields = driver::kAllFields;
            return kStatusSuccess;
        }
    }
    return kStatusUnsuccessful;
}

NtStatus UsbTransport::SetLedPattern(std::uint8_t pattern) {
    PollStatus();
    return usb_->VendorOut(usbreq::kLed, pattern, 0, nullptr, 0, kControlTimeout);
}

NtStatus UsbTransport::BusWrite(std::uint32_t address, std::uint32_t value) {
    PollStatus();
    const std::uint8_t bytes[5] = {static_cast<std::uint8_t>(address & 0xFEu), static_cast<std::uint8_t>(value),
                                   static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value >> 16),
                                   static_cast<std::uint8_t>(value >> 24)};
    if (usb_->VendorOut(usbreq::kBusWrite, 0, 0, bytes, sizeof bytes, kControlTimeout) != kStatusSuccess)
        return kStatusUnsuccessful;
    return WaitStatusNotBusy(4) ? kStatusSuccess : kStatusUnsuccessful;
}

bool UsbTransport::IsBusy() {
    PollStatus();
    return false;
}

// ---- tuner-state messages ----

NtStatus UsbTransport::SendBulk(const std::uint8_t* bytes, std::size_t length) {
    if (length > kUsbBulkMessageMax) return kStatusInvalidParameter;
    {
        // At most eight messages in flight; a pipe that never drains gives up after two seconds.
        std::unique_lock lock(mutex_);
        for (int attempt = 0; bulkInFlight_ >= kUsbBulkSlots; ++attempt) {
            if (attempt >= kBulkAttempts || !statusOpen_ || removed_) return kStatusUnsuccessful;
            ClockedWait(lock, changed_, kBulkRetryWait, [this] { return bulkInFlight_ < kUsbBulkSlots || removed_; });
        }
        if (!statusOpen_ || removed_) return kStatusUnsuccessful;
        ++bulkInFlight_;
    }
    const NtStatus status = usb_->BulkOut(kUsbPushPipe, bytes, length, [this](NtStatus) {
        std::lock_guard lock(mutex_);
        --bulkInFlight_;
        changed_.notify_all();
    });
    if (status != kStatusSuccess) {
        std::lock_guard lock(mutex_);
        --bulkInFlight_;
    }
    return status;
}

host::PushOutcome UsbTransport::Push(const TunerState& state, driver::FieldMask fields, bool, bool forceAll,
                                     bool powered) {
    if (fields == 0 && !forceAll) return {kStatusSuccess, 0, true};
    bool pipesOpen;
    {
        std::lock_guard lock(mutex_);
        pipesOpen = statusOpen_;
    }
    // The push and status pipes exist in the idle setting too: an idle receiver is tuned and
    // measured like a streaming one, or scans, sweeps and the meter would all read one frequency.
    // Without pipes (stopped) or power the state is recorded and goes out whole when they come.
    if (!pipesOpen || !powered) return {kStatusSuccess, fields, true};

    // One unacknowledged message at a time, but never wait without end for an acknowledgement.
    {
        std::unique_lock lock(mutex_);
        if (!ClockedWait(lock, changed_, kPushSlotTimeout,
                         [this] { return outstandingPushes_ == 0 || removed_ || !statusOpen_; }))
            outstandingPushes_ = 0; // the acknowledgement is taken as lost
    }

    UsbPushMessage message{};
    bool send;
    {
        std::lock_guard lock(mutex_);
        ++sequence_;
        message.type = kUsbPushMessageType;
        message.sequence = sequence_;
        message.sendAll = forceAll ? 1 : 0;
        message.state = state;
        send = state.mainControl != 0 && state.mainFraction != 0 && state.secondControl != 0 && state.secondFraction != 0;
        if (send) {
            awaited_ = sequence_;
            ackPending_ = true;
            ++outstandingPushes_;
        }
    }
    if (send) {
        const NtStatus status = SendBulk(reinterpret_cast<const std::uint8_t*>(&message), sizeof message);
        if (status != kStatusSuccess) {
            std::lock_guard lock(mutex_);
            if (outstandingPushes_ > 0) --outstandingPushes_;
            ackPending_ = false;
            return {status, 0, false}; // nothing of it reached the receiver
        }
    }
    return {kStatusSuccess, fields, true};
}

bool UsbTransport::WaitAcknowledge(bool always) {
    std::unique_lock lock(mutex_);
    if (!statusOpen_ || device_ == nullptr || !device_->State().powered) return true;
    const bool pending = ackPending_;
    ackPending_ = false;
    if (!always && !(pending && !NotBehind(lastAcked_, awaited_))) return true;
    // Bounded in every case: a receiver that never acknowledges must not hold the caller forever.
    return ClockedWait(lock, changed_, kAckTimeout,
                       [this] { return NotBehind(lastAcked_, awaited_) || !statusOpen_ || removed_; }) &&
           NotBehind(lastAcked_, awaited_);
}

NtStatus UsbTransport::PipelinedTune(host::ReceiverDevice& device, host::IoRequest& request) {
    PipelinedTuneRequest in;
    std::memcpy(&in, request.buffer.data(), sizeof in);
    const driver::TuningState& s = device.State();
    const bool again = in.hz == s.frequency;
    const NtStatus status = device.Tuner().SetTunerFrequency(in.hz, true, false, false, again, in.dwell);
    std::uint8_t pushed;
    {
        std::lock_guard lock(mutex_);
        pushed = sequence_;
        awaited_ = pushed;
    }
    if (status == kStatusSuccess && (in.flags & kPipelinedNoWait) == 0) WaitAcknowledge(false);
    // The pair through the device: a status message may bring a new one on the completion thread.
    std::uint32_t out[3] = {device.LastDetectorPair(), in.sequence, static_cast<std::uint32_t>(device.LastLevel())};
    out[1] = (out[1] & 0xFFFFFF00u) | pushed;
    std::memcpy(request.buffer.data(), out, sizeof out);
    request.bytes = sizeof out;
    return status;
}

// ---- configuration and the pipes ----

NtStatus UsbTransport::Start() {
    {
        std::lock_guard lock(mutex_);
        removed_ = false;
    }
    const NtStatus status = Configure(1, 0);
    if (status == kStatusSuccess) usb_->VendorOut(usbreq::kLed, 0xA8, 0, nullptr, 0, kControlTimeout);
    return status;
}

void UsbTransport::Stop() {
    {
        std::lock_guard lock(mutex_);
        removed_ = true;
    }
    changed_.notify_all();
    TearDownPipes(false);
}

NtStatus UsbTransport::Open() { return kStatusSuccess; }

void UsbTransport::Close() {
    if (Streaming()) CodecStop();
}

void UsbTransport::TearDownPipes(bool keepRing) {
    std::unique_lock lock(mutex_);
    stopping_ = true;
    const bool audio = audioOpen_;
    audioOpen_ = false;
    lock.unlock();
    if (audio) usb_->CancelPipe(kUsbAudioPipe);
    usb_->CancelPipe(kUsbStatusPipe);
    usb_->CancelPipe(kUsbPushPipe);
    lock.lock();
    // Completions still running must finish before the ring goes away.
    changed_.wait_for(lock, std::chrono::seconds(2),
                      [this] { return audioInFlight_ == 0 && !statusInFlight_ && bulkInFlight_ == 0; });
    statusOpen_ = false;
    if (!keepRing) {
        ring_.reset();
        ringMemory_.reset();
        signal_.reset();
    }
    for (auto& k : kept_) k.reset();
    changed_.notify_all();
}

NtStatus UsbTransport::Configure(std::uint8_t configuration, std::uint8_t alternate) {
    bool waitAck;
    {
        std::lock_guard lock(mutex_);
        awaited_ = sequence_;
        waitAck = outstandingPushes_ > 0;
    }
    if (waitAck) WaitAcknowledge(true);
    PollStatus();
    TearDownPipes(alternate == 1 || alternate == 2);

    std::vector<std::uint8_t> descriptor;
    NtStatus status = usb_->GetDescriptor(1, 0, descriptor);
    if (status != kStatusSuccess) return status;
    if (descriptor.size() < 18) return kStatusUnsuccessful;
    const std::uint8_t configurations = descriptor[17];
    bool found = false;
    for (std::uint8_t i = 0; i < configurations && !found; ++i) {
        std::vector<std::uint8_t> config;
        if (usb_->GetDescriptor(2, i, config) != kStatusSuccess || config.size() < 9) continue;
        found = config[5] == configuration;
        // The bulk pipe's packet size, from its endpoint descriptor.
        for (std::size_t at = 0; found && at + 7 <= config.size() && config[at] != 0; at += config[at])
            if (config[at + 1] == 5 && config[at + 2] == kUsbPushPipe) pushPacketSize_ = Le16(&config[at + 4]);
    }
    if (!found) return kStatusInvalidParameter;
    status = usb_->SelectConfiguration(configuration, alternate);
    if (status != kStatusSuccess) return status;

    {
        std::lock_guard lock(mutex_);
        stopping_ = false;
        statusOpen_ = true;
        audioOpen_ = alternate == 1;
        haveLastFrame_ = false;
        retries_.fill(0);
        outstandingPushes_ = 0;
        ackPending_ = false;
    }
    if (alternate == 1) {
        usb_->ResetPipe(kUsbAudioPipe);
        for (std::size_t slot = 0; slot < kUsbTransfersInFlight; ++slot) SubmitAudio(slot);
    }
    usb_->ResetPipe(kUsbStatusPipe);
    SubmitStatusRead();
    return kStatusSuccess;
}

void UsbTransport::SubmitStatusRead() {
    {
        std::lock_guard lock(mutex_);
        if (stopping_ || removed_ || !statusOpen_) return;
        statusInFlight_ = true;
    }
    const NtStatus status = usb_->ReadIn(kUsbStatusPipe, 8, [this](NtStatus s, const std::uint8_t* bytes, std::size_t n) {
        OnStatus(s, bytes, n);
    });
    if (status != kStatusSuccess) {
        std::lock_guard lock(mutex_);
        statusInFlight_ = false;
        changed_.notify_all();
    }
}

void UsbTransport::OnStatus(NtStatus status, const std::uint8_t* bytes, std::size_t count) {
    const bool whole = status == kStatusSuccess && count == sizeof(UsbStatusMessage);
    UsbStatusMessage message{};
    if (whole) std::memcpy(&message, bytes, sizeof message);
    bool measured = false;
    bool record = false;
    {
        std::lock_guard lock(mutex_);
        const bool fatal = status == kUsbStatusDeviceGone || status == kUsbStatusStalled || status == kUsbStatusCancelled;
        if (fatal || stopping_ || removed_ || !whole) {
            statusInFlight_ = false;
            changed_.notify_all();
            if (fatal || stopping_ || removed_) return;
        } else {
            measured = message.acknowledged != lastAcked_ || (message.flags & 0xFCu) == 0;
            // A late acknowledgement (its completion delayed past a poll made after the push it
            // answers) carries the level from before the retune: the poll's is newer.
            const bool superseded = message.acknowledged != lastAcked_ && polled_ &&
                                    NotBehind(polledAfter_, message.acknowledged);
            record = measured && !superseded;
        }
    }
    // The detector words are the device's before the acknowledgement that carries them is: a
    // pipelined tune woken by the acknowledgement must find this measurement, not the one before.
    if (record && device_ != nullptr)
        device_->RecordDetector(static_cast<std::uint16_t>(message.detectorA >> 5),
                                static_cast<std::uint16_t>(message.detectorB >> 5));
    if (whole) {
        std::lock_guard lock(mutex_);
        statusInFlight_ = false;
        std::memcpy(lastStatus_.data(), bytes, sizeof message);
        if (measured && outstandingPushes_ > 0) --outstandingPushes_;
        lastAcked_ = message.acknowledged;
        statusByte_ = message.lock & 3;
        changed_.notify_all();
    }
    SubmitStatusRead();
}

void UsbTransport::SubmitAudio(std::size_t slot) {
    {
        std::lock_guard lock(mutex_);
        if (stopping_ || removed_ || !audioOpen_) return;
        ++audioInFlight_;
    }
    const NtStatus status = usb_->SubmitIso(kUsbAudioPipe, kUsbPacketsPerTransfer, kUsbAudioPacketSize,
                                            [this, slot](IsoTransfer& t) { OnAudio(slot, t); });
    if (status != kStatusSuccess) {
        std::lock_guard lock(mutex_);
        --audioInFlight_;
        changed_.notify_all();
    }
}

void UsbTransport::OnAudio(std::size_t slot, IsoTransfer& transfer) {
    bool resubmit = true;
    bool signal = false;
    {
        std::lock_guard lock(mutex_);
        --audioInFlight_;
        changed_.notify_all();
        if (stopping_ || removed_ || !audioOpen_ || ring_ == nullptr) return;
        if (transfer.status != kStatusSuccess) {
            const NtStatus firstPacket = transfer.packets.empty() ? kStatusSuccess : transfer.packets[0].status;
            const bool retryable = transfer.status == kUsbStatusIsoRetry ||
                                   (transfer.status == kUsbStatusIsoPartial && firstPacket != kUsbPacketNotAccessed);
            if (transfer.status != kUsbStatusIsoPartial) ring_->AddLost(1);
            if (!retryable || retries_[slot] >= kRetryLimit) {
                resubmit = false;
            } else {
                ++retries_[slot];
            }
            if (transfer.status != kUsbStatusIsoPartial) {
                // Nothing to deliver from this one. Its frames are gone for good: transfers kept
                // waiting behind them go out now instead of waiting for frames that never come.
                const auto packets = static_cast<std::uint32_t>(kUsbPacketsPerTransfer);
                if (haveLastFrame_ && transfer.startFrame == lastFrame_ + packets) {
                    lastFrame_ = transfer.startFrame;
                    DeliverKeptLocked(false);
                }
                if (!resubmit) return;
                transfer.packets.clear();
            }
        } else {
            retries_[slot] = 0;
        }
        if (!transfer.packets.empty()) {
            const auto packets = static_cast<std::uint32_t>(kUsbPacketsPerTransfer);
            const std::uint32_t expected = lastFrame_ + packets;
            const std::uint32_t ahead = transfer.startFrame - expected; // wraps: unsigned
            if (!haveLastFrame_ || transfer.startFrame == expected) {
                DeliverLocked(transfer);
                DeliverKeptLocked(false);
            } else if (ahead < kReorderReach * packets && ahead % packets == 0) {
                auto free = std::find_if(kept_.begin(), kept_.end(), [](const auto& k) { return !k.has_value(); });
                if (free != kept_.end()) {
                    *free = transfer;
                } else {
                    // No room to wait any longer: what was kept goes out in order, the gap counted lost.
                    DeliverKeptLocked(true);
                    DeliverLocked(transfer);
                    DeliverKeptLocked(false);
                }
            } else {
                // Out of reach (a restart of the frame count): start again from this transfer.
                DeliverKeptLocked(true);
                haveLastFrame_ = false;
                DeliverLocked(transfer);
            }
        }
        signal = signal_ != nullptr && ring_->AboveThreshold();
    }
    if (signal) signal_->Signal();
    if (resubmit) SubmitAudio(slot);
}

void UsbTransport::DeliverLocked(const IsoTransfer& transfer) {
    for (std::size_t i = 0; i < transfer.packets.size(); ++i) {
        const IsoPacket& p = transfer.packets[i];
        if (p.status == kStatusSuccess || p.status == kUsbPacketDataError) {
            const std::size_t length = std::min<std::size_t>(p.length, kUsbAudioPacketSize);
            if (!ring_->Append(transfer.data.data() + i * kUsbAudioPacketSize, length)) ring_->AddLost(1); // overrun
        } else if (p.status != kUsbPacketUnderrun && p.status != kUsbPacketNotAccessed) {
            ring_->AddLost(1);
        }
    }
    lastFrame_ = transfer.startFrame;
    haveLastFrame_ = true;
}

// Delivers kept transfers that have become next; with `all`, every kept transfer in frame order,
// counting the packets of the frames skipped over as lost.
void UsbTransport::DeliverKeptLocked(bool all) {
    const auto packets = static_cast<std::uint32_t>(kUsbPacketsPerTransfer);
    for (;;) {
        std::optional<IsoTransfer>* next = nullptr;
        std::uint32_t nearest = 0;
        for (auto& k : kept_) {
            if (!k) continue;
            const std::uint32_t ahead = k->startFrame - (lastFrame_ + packets);
            if (next == nullptr || ahead < nearest) {
                next = &k;
                nearest = ahead;
            }
        }
        if (next == nullptr) return;
        if (nearest != 0) {
            if (!all) return;
            ring_->AddLost(nearest); // a frame carries one packet
        }
        DeliverLocked(**next);
        next->reset();
    }
}

// ---- the codec stream and the variant's own requests ----

NtStatus UsbTransport::CodecStart(host::IoRequest& request) {
    CodecStartRequest in;
    std::memcpy(&in, request.buffer.data(), sizeof in);
    const std::uint64_t none = 0;
    std::memcpy(request.buffer.data(), &none, 8); // no ring unless the start succeeds
    request.bytes = 8;
    if (Streaming()) return kStatusDeviceBusy;
    // The size comes from the process: header plus data must stay a sane, representable length.
    if (in.ringSize == 0 || in.ringSize > kCodecRingMaxSize) return kStatusInvalidParameter;
    std::unique_ptr<SharedRingMemory> memory =
        services_.makeRing ? services_.makeRing(static_cast<std::size_t>(kCodecRingHeaderSize + in.ringSize)) : nullptr;
    if (memory == nullptr) return kStatusNoMemory;
    std::unique_ptr<CodecSignal> signal;
    if (request.passedFd >= 0 && services_.makeSignal) {
        signal = services_.makeSignal(request.passedFd);
        request.passedFd = -1;
    }
    {
        std::lock_guard lock(mutex_);
        ring_ = std::make_unique<CodecRingWriter>(memory->Base(), in.ringSize);
        ringMemory_ = std::move(memory);
        signal_ = std::move(signal);
    }
    const NtStatus status = Configure(1, 1);
    if (status != kStatusSuccess) {
        TearDownPipes(false);
        Configure(1, 0);
        return status;
    }
    // Reconfiguring may have dropped a push in flight: the receiver gets the whole state again.
    if (device_ != nullptr) device_->ResendWholeState();
    std::lock_guard lock(mutex_);
    request.replyFd = ringMemory_ ? ringMemory_->DuplicateHandle() : -1;
    const std::uint64_t length = kCodecRingHeaderSize + in.ringSize;
    std::memcpy(request.buffer.data(), &length, 8); // the process maps this many bytes
    return kStatusSuccess;
}

NtStatus UsbTransport::CodecStop() {
    if (!Streaming()) return kStatusSuccess;
    return Configure(1, 0); // closing the audio pipe releases the ring and the event
}

bool UsbTransport::HandleRequest(host::ReceiverDevice& device, host::IoRequest& request, NtStatus& status) {
    switch (request.code) {
    case IOCTL_LXQ745_CODEC_START: status = CodecStart(request); return true;
    case IOCTL_LXQ745_CODEC_STOP: status = CodecStop(); return true;
    case IOCTL_LXQ745_CODEC_SET_GAIN:
        status = Streaming() ? kStatusInvalidParameter
                             : usb_->VendorOut(usbreq::kCodecGain, request.buffer[0], 0, nullptr, 0, kControlTimeout);
        return true;
    case IOCTL_LXQ745_SET_FREQ_PIPELINED: status = PipelinedTune(device, request); return true;
    case IOCTL_LXQ745_GET_LAST_STATUS: {
        std::lock_guard lock(mutex_);
        std::memcpy(request.buffer.data(), lastStatus_.data(), 8);
        request.bytes = 8;
        status = kStatusSuccess;
        return true;
    }
    case IOCTL_LXQ745_SEND_BULK_COMMAND:
        status = request.inLength > 60 ? kStatusInvalidParameter : SendBulk(request.buffer.data(), request.inLength);
        return true;
    case IOCTL_LXQ745_READ_TUNER_STATE: {
        std::size_t got = 0;
        status = usb_->VendorIn(usbreq::kTunerRead, 0, 0, request.buffer.data(), sizeof(TunerState), got,
                                kControlTimeout);
        request.bytes = status == kStatusSuccess && got == sizeof(TunerState) ? sizeof(TunerState) : 0;
        status = kStatusSuccess;
        return true;
    }
    default: return false;
    }
}

} // namespace lxq::transport
