#include "driver/sim/UsbReceiverSimulator.h"

#include "driver/sim/SimRegistry.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "driver/transport/UsbMessages.h"
#include "driver/transport/UsbTransport.h"

namespace lxq::sim {
namespace req = transport::usbreq;
using transport::IsoTransfer;

namespace {

constexpr NtStatus kPacketLost = 0xC0000012; // a packet that never arrived intact
constexpr std::uint8_t kDeviceDescriptor[18] = {18, 1, 0x00, 0x02, 0xFF, 0, 0, 64, 0x6A, 0x1D,
                                                0x45, 0x74, 0x00, 0x02, 0, 0, 0, 1};
// One configuration, one interface: alternate 0 (bulk out, status in), alternate 1 (adds audio).
constexpr std::uint8_t kConfigDescriptor[] = {
    9, 2, 62, 0, 1, 1, 0, 0x80, 50,
    9, 4, 0, 0, 2, 0xFF, 0, 0, 0,
    7, 5, transport::kUsbPushPipe, 2, 64, 0, 0,
    7, 5, transport::kUsbStatusPipe, 3, 8, 0, 1,
    9, 4, 0, 1, 3, 0xFF, 0, 0, 0,
    7, 5, transport::kUsbPushPipe, 2, 64, 0, 0,
    7, 5, transport::kUsbStatusPipe, 3, 8, 0, 1,
    7, 5, transport::kUsbAudioPipe, 1, static_cast<std::uint8_t>(transport::kUsbAudioPacketSize), 0, 1,
};
static_assert(sizeof kConfigDescriptor == 62); // its total length, as the header says

void PutLe16(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

// A detector word as the receiver sends it: scaled by 32 into 16 bits, full scale beyond.
std::uint16_t DetectorWord(std::uint16_t v) {
    return static_cast<std::uint16_t>(std::min<std::uint32_t>(std::uint32_t{v} << 5, 0xFFFFu));
}

} // namespace

UsbReceiverSimulator::UsbReceiverSimulator(SimReceiver& receiver) : receiver_(receiver) {
    eventThread_ = std::thread([this] { EventLoop(); });
}

UsbReceiverSimulator::~UsbReceiverSimulator() {
    SimRegistry::Forget(this);
    StopRealTime();
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    workReady_.notify_all();
    eventThread_.join();
}

void UsbReceiverSimulator::Post(std::function<void()> work) {
    work_.push_back(std::move(work));
    // A running completion's thread takes it next without being woken.
    if (!completeHere_ && !busyWorking_) workReady_.notify_one();
}

void UsbReceiverSimulator::CompleteHere() {
    std::unique_lock lock(mutex_);
    if (busyWorking_ || work_.empty()) return;
    busyWorking_ = true;
    while (!work_.empty()) {
        auto work = std::move(work_.front());
        work_.pop_front();
        lock.unlock();
        work();
        lock.lock();
    }
    busyWorking_ = false;
    changed_.notify_all();
}

void UsbReceiverSimulator::EventLoop() {
    std::unique_lock lock(mutex_);
    for (;;) {
        workReady_.wait(lock, [this] { return stop_ || (!work_.empty() && !busyWorking_); });
        if (work_.empty() && stop_) return;
        busyWorking_ = true;
        while (!work_.empty()) {
            auto work = std::move(work_.front());
            work_.pop_front();
            lock.unlock();
            work();
            lock.lock();
        }
        busyWorking_ = false;
        changed_.notify_all();
    }
}

void UsbReceiverSimulator::Flush() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return work_.empty() && !busyWorking_; });
}

NtStatus UsbReceiverSimulator::GetDescriptor(std::uint8_t type, std::uint8_t index, std::vector<std::uint8_t>& out) {
    std::lock_guard lock(mutex_);
    if (gone_) return transport::kUsbStatusDeviceGone;
    if (type == 1) out.assign(kDeviceDescriptor, kDeviceDescriptor + sizeof kDeviceDescriptor);
    else if (type == 2 && index == 0) out.assign(kConfigDescriptor, kConfigDescriptor + sizeof kConfigDescriptor);
    else return kStatusUnsuccessful;
    return kStatusSuccess;
}

NtStatus UsbReceiverSimulator::SelectConfiguration(std::uint8_t configuration, std::uint8_t alternate) {
    std::lock_guard lock(mutex_);
    if (gone_) return transport::kUsbStatusDeviceGone;
    if (configuration != 1 || alternate > 1) return kStatusUnsuccessful;
    configuration_ = configuration;
    alternate_ = alternate;
    realTimeWake_.notify_all();
    return kStatusSuccess;
}

NtStatus UsbReceiverSimulator::ResetPipe(std::uint8_t) {
    std::lock_guard lock(mutex_);
    return gone_ ? transport::kUsbStatusDeviceGone : kStatusSuccess;
}

void UsbReceiverSimulator::EndAudioLocked(NtStatus status) {
    while (!iso_.empty()) {
        PendingIso p = std::move(iso_.front());
        iso_.pop_front();
        Post([done = std::move(p.done), status] {
            IsoTransfer t;
            t.status = status;
            done(t);
        });
    }
}

void UsbReceiverSimulator::EndStatusReadsLocked(NtStatus status) {
    while (!statusReads_.empty()) {
        PendingRead r = std::move(statusReads_.front());
        statusReads_.pop_front();
        Post([done = std::move(r.done), status] { done(status, nullptr, 0); });
    }
}

void UsbReceiverSimulator::CancelPipe(std::uint8_t endpoint) {
    std::lock_guard lock(mutex_);
    if (endpoint == transport::kUsbAudioPipe) EndAudioLocked(transport::kUsbStatusCancelled);
    else if (endpoint == transport::kUsbStatusPipe) EndStatusReadsLocked(transport::kUsbStatusCancelled);
}

NtStatus UsbReceiverSimulator::CyclePort() {
    std::lock_guard lock(mutex_);
    ++portCycles_;
    return kStatusSuccess;
}

NtStatus UsbReceiverSimulator::VendorIn(std::uint8_t request, std::uint16_t, std::uint16_t, std::uint8_t* data,
                                        std::size_t length, std::size_t& transferred, plat::sys::Nanoseconds) {
    transferred = 0;
    std::uint8_t reply[256] = {};
    std::size_t size = 0;
    {
        std::lock_guard lock(mutex_);
        if (gone_) return transport::kUsbStatusDeviceGone;
        switch (request) {
        case req::kStatus: {
            const bool busy = busyPolls_ > 0;
            if (busy) --busyPolls_;
            transport::UsbStatusReply status{};
            status.flags = static_cast<std::uint8_t>((busy ? transport::kUsbStatusBusy : 0) |
                                                     (receiver_.Powered() ? transport::kUsbStatusPowered : 0));
            status.lock = busy ? 0 : receiver_.ReadLock();
            const DetectorWords words = receiver_.Detector();
            status.detectorA = DetectorWord(words.a);
            status.detectorB = DetectorWord(words.b);
            std::memcpy(reply, &status, sizeof status);
            size = sizeof status;
            break;
        }
        case req::kEepromRead: {
            const LX_Q7_EEPROM image = receiver_.Image();
            std::memcpy(reply, &image, sizeof image);
            size = sizeof image;
            break;
        }
        case req::kTunerRead: {
            const TunerState t = receiver_.Tuner();
            std::memcpy(reply, &t, sizeof t);
            size = sizeof t;
            break;
        }
        case req::kRequest40: size = 8; break;
        default: return kStatusUnsuccessful; // the receiver stalls a request it does not know
        }
    }
    transferred = size < length ? size : length;
    std::memcpy(data, reply, transferred);
    return kStatusSuccess;
}

NtStatus UsbReceiverSimulator::VendorOut(std::uint8_t request, std::uint16_t value, std::uint16_t index,
                                         const std::uint8_t*, std::size_t, plat::sys::Nanoseconds) {
    std::lock_guard lock(mutex_);
    if (gone_) return transport::kUsbStatusDeviceGone;
    switch (request) {
    case req::kLed: receiver_.SetLedPattern(static_cast<std::uint8_t>(value)); break;
    case req::kPower: receiver_.SetPowered(value != 0); break;
    case req::kFmWide: receiver_.SetFmWide(value == 12); break;
    case req::kEepromWrite:
        receiver_.WriteEepromByte(static_cast<std::uint8_t>(index), static_cast<std::uint8_t>(value));
        break;
    case req::kCodecGain: codecGain_ = static_cast<std::uint8_t>(value); break;
    case req::kLatchState:
    case req::kServiceBlock:
    case req::kBusWrite:
    case req::kRequest36:
    case req::kRequest41: break;
    default: return kStatusUnsuccessful;
    }
    return kStatusSuccess;
}

NtStatus UsbReceiverSimulator::BulkOut(std::uint8_t endpoint, const std::uint8_t* data, std::size_t length,
                                       BulkDone done) {
    {
        std::lock_guard lock(mutex_);
        completeHere_ = true;
        const NtStatus status = BulkOutLocked(endpoint, data, length, done);
        completeHere_ = false;
        if (status != kStatusSuccess) return status;
    }
    CompleteHere();
    return kStatusSuccess;
}

NtStatus UsbReceiverSimulator::BulkOutLocked(std::uint8_t endpoint, const std::uint8_t* data, std::size_t length,
                                             BulkDone& done) {
    if (gone_) return transport::kUsbStatusDeviceGone;
    if (endpoint != transport::kUsbPushPipe || configuration_ == 0) return kStatusUnsuccessful;
    if (length >= sizeof(transport::UsbPushMessage) && data[0] == transport::kUsbPushMessageType) {
        transport::UsbPushMessage message;
        std::memcpy(&message, data, sizeof message);
        // The acknowledgement carries the measurement made before the new state took hold: a
        // pipelined scan reads each frequency's level as it tunes to the next.
        const DetectorWords measured = receiver_.Detector();
        receiver_.SetTuner(message.state);
        ++pushMessages_;
        lastSequence_ = message.sequence;
        if (acknowledging_) Acknowledge(message.sequence, measured.a, measured.b);
    }
    Post([done = std::move(done)] { done(kStatusSuccess); });
    return kStatusSuccess;
}

void UsbReceiverSimulator::Acknowledge(std::uint8_t sequence, std::uint16_t a, std::uint16_t b) {
    transport::UsbStatusMessage status{};
    status.acknowledged = sequence;
    status.lock = receiver_.ReadLock();
    status.detectorA = DetectorWord(a);
    status.detectorB = DetectorWord(b);
    std::array<std::uint8_t, sizeof status> message;
    std::memcpy(message.data(), &status, sizeof status);
    statusMessages_.push_back(message);
    DeliverStatusLocked();
}

void UsbReceiverSimulator::DeliverStatusLocked() {
    while (!holdStatus_ && !statusMessages_.empty() && !statusReads_.empty()) {
        auto message = statusMessages_.front();
        statusMessages_.pop_front();
        PendingRead read = std::move(statusReads_.front());
        statusReads_.pop_front();
        Post([message, done = std::move(read.done)] { done(kStatusSuccess, message.data(), message.size()); });
    }
}

NtStatus UsbReceiverSimulator::ReadIn(std::uint8_t endpoint, std::size_t, ReadDone done) {
    {
        std::lock_guard lock(mutex_);
        if (gone_) return transport::kUsbStatusDeviceGone;
        if (endpoint != transport::kUsbStatusPipe) return kStatusUnsuccessful;
        statusReads_.push_back({std::move(done)});
        completeHere_ = true;
        DeliverStatusLocked();
        completeHere_ = false;
    }
    CompleteHere();
    return kStatusSuccess;
}

NtStatus UsbReceiverSimulator::SubmitIso(std::uint8_t endpoint, std::size_t packets, std::size_t packetSize,
                                         IsoDone done) {
    std::lock_guard lock(mutex_);
    if (gone_) return transport::kUsbStatusDeviceGone;
    if (endpoint != transport::kUsbAudioPipe || alternate_ != 1) return kStatusInvalidParameter;
    iso_.push_back({packets, packetSize, std::move(done)});
    return kStatusSuccess;
}

int UsbReceiverSimulator::DeliverAudio(int transfers) {
    int delivered = 0;
    {
        std::lock_guard lock(mutex_);
        std::vector<std::pair<IsoTransfer, IsoDone>> batch;
        const bool scene = receiver_.FollowsScene();
        while (delivered < transfers && !iso_.empty() && !gone_) {
            PendingIso p = std::move(iso_.front());
            iso_.pop_front();
            constexpr std::size_t kPacketSamples = kSimAudioBytesPerPacket / 2;
            if (scene) {
                // The band goes on while packets are lost: render them all, deliver what arrives.
                block_.resize(p.packets * kPacketSamples);
                synth_.Render(receiver_.IfState(), block_.data(), block_.size());
            }
            IsoTransfer t;
            t.startFrame = frame_;
            frame_ += static_cast<std::uint32_t>(p.packets);
            t.packets.resize(p.packets);
            t.data.assign(p.packets * p.packetSize, 0);
            for (std::size_t i = 0; i < p.packets; ++i) {
                const std::uint64_t first = sample_;
                sample_ += kSimAudioBytesPerPacket / 2;
                if (losePackets_ > 0) {
                    --losePackets_;
                    t.packets[i] = {kPacketLost, 0};
                    continue;
                }
                std::uint8_t* out = t.data.data() + i * p.packetSize;
                for (std::uint32_t s = 0; s < kPacketSamples; ++s) {
                    const std::int16_t sample = scene ? block_[i * kPacketSamples + s] : SimWaveformSample(first + s);
                    PutLe16(out + 2 * s, static_cast<std::uint16_t>(sample));
                }
                t.packets[i] = {kStatusSuccess, kSimAudioBytesPerPacket};
            }
            if (failNext_ != kStatusSuccess) {
                t.status = failNext_;
                failNext_ = kStatusSuccess;
            }
            batch.emplace_back(std::move(t), std::move(p.done));
            ++delivered;
        }
        if (swapNext_ && batch.size() >= 2) {
            std::swap(batch[0], batch[1]);
            swapNext_ = false;
        }
        for (auto& [t, done] : batch)
            Post([t = std::move(t), done = std::move(done)]() mutable { done(t); });
    }
    Flush();
    return delivered;
}

void UsbReceiverSimulator::StartRealTime() {
    StopRealTime();
    {
        std::lock_guard lock(mutex_);
        realTimeStop_ = false;
    }
    realTime_ = std::thread([this] {
        auto next = std::chrono::steady_clock::now();
        std::unique_lock lock(mutex_);
        while (!realTimeStop_) {
            if (alternate_ != 1) {
                // No audio pipe in the idle setting: nothing to pace until it is selected.
                realTimeWake_.wait(lock, [this] { return realTimeStop_ || alternate_ == 1; });
                next = std::chrono::steady_clock::now();
                continue;
            }
            next += std::chrono::milliseconds(16); // one transfer of 16 one-millisecond frames
            realTimeWake_.wait_until(lock, next, [this] { return realTimeStop_; });
            if (realTimeStop_) break;
            lock.unlock();
            DeliverAudio(1);
            lock.lock();
        }
    });
}

void UsbReceiverSimulator::StopRealTime() {
    {
        std::lock_guard lock(mutex_);
        realTimeStop_ = true;
    }
    realTimeWake_.notify_all();
    if (realTime_.joinable()) realTime_.join();
}

void UsbReceiverSimulator::SwapNextTransfers() {
    std::lock_guard lock(mutex_);
    swapNext_ = true;
}

void UsbReceiverSimulator::LosePackets(int count) {
    std::lock_guard lock(mutex_);
    losePackets_ += count;
}

void UsbReceiverSimulator::FailNextTransfer(NtStatus status) {
    std::lock_guard lock(mutex_);
    failNext_ = status;
}

void UsbReceiverSimulator::SetAcknowledging(bool on) {
    std::lock_guard lock(mutex_);
    acknowledging_ = on;
}

void UsbReceiverSimulator::HoldStatus(bool on) {
    std::lock_guard lock(mutex_);
    holdStatus_ = on;
    DeliverStatusLocked();
}

void UsbReceiverSimulator::SetBusyPolls(int polls) {
    std::lock_guard lock(mutex_);
    busyPolls_ = polls;
}

void UsbReceiverSimulator::Unplug() {
    std::lock_guard lock(mutex_);
    gone_ = true;
    EndAudioLocked(transport::kUsbStatusDeviceGone);
    EndStatusReadsLocked(transport::kUsbStatusDeviceGone);
}

std::uint8_t UsbReceiverSimulator::Alternate() const {
    std::lock_guard lock(mutex_);
    return alternate_;
}

int UsbReceiverSimulator::PortCycles() const {
    std::lock_guard lock(mutex_);
    return portCycles_;
}

int UsbReceiverSimulator::PushMessages() const {
    std::lock_guard lock(mutex_);
    return pushMessages_;
}

std::uint8_t UsbReceiverSimulator::LastPushSequence() const {
    std::lock_guard lock(mutex_);
    return lastSequence_;
}

std::uint8_t UsbReceiverSimulator::CodecGain() const {
    std::lock_guard lock(mutex_);
    return codecGain_;
}

std::uint64_t UsbReceiverSimulator::SamplesSent() const {
    std::lock_guard lock(mutex_);
    return sample_;
}

int UsbReceiverSimulator::PendingAudio() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(iso_.size());
}

} // namespace lxq::sim
