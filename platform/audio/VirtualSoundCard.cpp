#include "platform/audio/VirtualSoundCard.h"

#include "platform/audio/VirtualCardChannel.h"
#include "platform/audio/VirtualCardWire.h"
#include "platform/sys/Clock.h"
#include "platform/sys/DebugOutput.h"
#include "platform/sys/DescriptorMapping.h"
#include "platform/sys/PassableEvent.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <string>

namespace plat::audio {
namespace {

namespace wire = sys::wire;

// Four seconds of IF: a reader on a loaded machine can be held off for far longer than a block or
// two (a gap of 60 ms after half a second of stall was seen with a half-second ring); it catches
// up by reading what waits. Nothing is lost short of that; what is lost is told.
constexpr std::uint32_t kRingBytes = 4 * vsc::kSampleRate * 2; // 16-bit samples
// How long a read waits for the host before it looks again whether the card is still there.
constexpr int kWaitMs = 1000;

// Opens the card's capture reference path; false without a card.
bool OpenCard(VirtualCardHandle& handle) {
    const auto paths = VirtualCardInterfaces();
    return !paths.empty() && handle.Open(paths.front() + vsc::kCaptureReference) == wire::kStatusSuccess;
}

bool AskPin(VirtualCardHandle& handle, std::uint32_t pin, vsc::PinAnswer& answer) {
    const vsc::PinQuery query{vsc::kPinFormat, pin};
    std::uint64_t bytes = 0;
    return handle.Control(vsc::kIoctlPin, &query, sizeof query, &answer, sizeof answer, &bytes) ==
               wire::kStatusSuccess &&
           bytes == sizeof answer;
}

// Formats the card runs: its rate and sample size, one or two channels, plain or under the wave
// driver's own tag.
bool Runs(const WaveFormat& f) {
    return (f.formatTag == kFormatPcm || f.formatTag == vsc::kStreamTag) &&
           f.bitsPerSample == vsc::kBitsPerSample && f.samplesPerSec == vsc::kSampleRate &&
           (f.channels == 1 || f.channels == 2) && f.blockAlign == f.channels * 2;
}

class VirtualCapture final : public CaptureStream {
public:
    VirtualCapture(std::uint16_t channels) : channels_(channels) {}

    Result Start(std::uint32_t pin) {
        pin_ = pin;
        if (!OpenCard(handle_) || !event_.Valid()) return Result::NoDriver;
        const vsc::StreamStart start{pin, kRingBytes};
        int memory = -1;
        std::uint64_t bytes = 0;
        if (handle_.Control(vsc::kIoctlStream, &start, sizeof start, nullptr, 0, &bytes,
                            event_.Descriptor(), &memory) != wire::kStatusSuccess) {
            if (memory >= 0) ::close(memory);
            return Result::NoDriver;
        }
        ring_ = sys::DescriptorMapping::Map(memory, vsc::kRingHeaderSize + kRingBytes);
        if (!ring_) return Result::NoDriver;
        return Result::NoError;
    }

    Result Read(void* data, std::uint32_t bytes, std::uint32_t& got) override {
        got = 0;
        auto* out = static_cast<std::int16_t*>(data);
        const std::uint32_t frames = bytes / (2u * channels_);
        std::uint32_t done = 0;
        while (done < frames) {
            done += Take(out + done * channels_, frames - done);
            if (done == frames) break;
            if (!WaitForData()) return Result::NoDriver;
        }
        got = frames * 2u * channels_;
        return Result::NoError;
    }

    std::uint32_t LostSamples() const override {
        if (!ring_) return 0;
        auto* header = reinterpret_cast<vsc::RingHeader*>(ring_->Base());
        return std::atomic_ref(header->lostSamples).load(std::memory_order_relaxed);
    }

private:
    auto& Header() { return *reinterpret_cast<vsc::RingHeader*>(ring_->Base()); }

    // Moves up to `frames` waiting samples out of the ring, each on every channel.
    std::uint32_t Take(std::int16_t* out, std::uint32_t frames) {
        const std::uint64_t size = kRingBytes;
        const std::uint64_t write = std::atomic_ref(Header().writeIndex).load(std::memory_order_acquire) % size;
        std::uint64_t read = std::atomic_ref(Header().readIndex).load(std::memory_order_relaxed) % size;
        const std::uint64_t waiting = (write + size - read) % size / 2;
        const auto n = static_cast<std::uint32_t>(std::min<std::uint64_t>(waiting, frames));
        const std::uint8_t* data = ring_->Base() + vsc::kRingHeaderSize;
        for (std::uint32_t i = 0; i < n; ++i) {
            std::int16_t sample;
            std::memcpy(&sample, data + read, 2);
            read = (read + 2) % size;
            for (std::uint16_t c = 0; c < channels_; ++c) out[i * channels_ + c] = sample;
        }
        std::atomic_ref(Header().readIndex).store(read, std::memory_order_release);
        ReportLoss();
        return n;
    }

    // The host counts the samples it could not put in the ring; a new loss is told, at most once a
    // second (a reader that stays behind would otherwise write a line a block).
    void ReportLoss() {
        const std::uint32_t lost = std::atomic_ref(Header().lostSamples).load(std::memory_order_relaxed);
        if (lost == reported_) return;
        const sys::Nanoseconds now = sys::ActiveClock().Now();
        if (told_ && now - lastTold_ < sys::kNsPerSecond) return;
        told_ = true;
        lastTold_ = now;
        sys::OutputDebugText(std::string(vsc::kDeviceName) + std::to_string(pin_ + 1) + ": " +
                             std::to_string(lost - reported_) + " IF samples lost (" + std::to_string(lost) +
                             " in all)");
        reported_ = lost;
    }

    // Waits until the host signals new samples; false once the card has gone.
    bool WaitForData() {
        for (;;) {
            pollfd fds[2] = {{event_.Descriptor(), POLLIN, 0}, {handle_.Descriptor(), POLLIN, 0}};
            const int n = ::poll(fds, 2, kWaitMs);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 || (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) != 0) return false;
            if (fds[0].revents & POLLIN) {
                event_.Wait();
                return true;
            }
        }
    }

    const std::uint16_t channels_;
    std::uint32_t pin_ = 0;
    std::uint32_t reported_ = 0;
    bool told_ = false;
    sys::Nanoseconds lastTold_ = 0;
    VirtualCardHandle handle_;
    sys::PassableEvent event_;
    std::unique_ptr<sys::DescriptorMapping> ring_;
};

// What is played to the card goes nowhere here, in real time.
class VirtualPlayback final : public PlaybackStream {
public:
    explicit VirtualPlayback(std::uint32_t bytesPerSecond) : rate_(bytesPerSecond) {}
    Result Write(const void*, std::uint32_t bytes) override {
        sys::ActiveClock().Sleep(static_cast<sys::Nanoseconds>(
            std::uint64_t{bytes} * static_cast<std::uint64_t>(sys::kNsPerSecond) / rate_));
        return Result::NoError;
    }

private:
    std::uint32_t rate_;
};

} // namespace

std::vector<VirtualSoundCard::Device> VirtualSoundCard::Devices(Direction direction) {
    std::vector<Device> devices;
    VirtualCardHandle handle;
    vsc::PinAnswer answer{};
    if (!OpenCard(handle) || !AskPin(handle, 0, answer)) return devices;
    const std::uint32_t pins = std::min<std::uint32_t>(answer.pinCount, 99);
    const char* suffix = direction == Direction::Capture ? " I" : " O";
    for (std::uint32_t pin = 0; pin < pins; ++pin) {
        const std::string name = vsc::kDeviceName + std::to_string(pin + 1);
        devices.push_back({name, pin});
        devices.push_back({name + suffix, pin});
    }
    return devices;
}

Result VirtualSoundCard::OpenCapture(const Device& device, const WaveFormat& format, bool queryOnly,
                                     std::unique_ptr<CaptureStream>& stream) {
    if (!Runs(format)) return Result::BadFormat;
    if (queryOnly) return Result::NoError;
    auto capture = std::make_unique<VirtualCapture>(format.channels);
    if (const Result r = capture->Start(device.pin); r != Result::NoError) return r;
    stream = std::move(capture);
    return Result::NoError;
}

Result VirtualSoundCard::OpenPlayback(const Device&, const WaveFormat& format, bool queryOnly,
                                      std::unique_ptr<PlaybackStream>& stream) {
    if (!Runs(format)) return Result::BadFormat;
    if (!queryOnly) stream = std::make_unique<VirtualPlayback>(format.avgBytesPerSec);
    return Result::NoError;
}

Result VirtualSoundCard::QueryFormat(const Device& device, void* record, std::size_t length) {
    if (record == nullptr || length < sizeof(WaveFormat)) return Result::InvalidParam;
    WaveFormat format;
    std::memcpy(&format, record, sizeof format);
    auto* extension = static_cast<std::uint8_t*>(record) + sizeof format;
    const std::size_t question = std::strlen(vsc::kPropertyQuestion) + 1;
    const bool property = format.formatTag == vsc::kPropertyTag && format.extraSize == vsc::kPropertyExtension &&
                          length >= sizeof format + vsc::kPropertyExtension &&
                          std::memcmp(extension + vsc::kPropertyTextAt, vsc::kPropertyQuestion, question) == 0 &&
                          extension[vsc::kPropertyRequestAt] == vsc::kPinFormat;
    if (!property) return Runs(format) ? Result::NoError : Result::BadFormat;
    VirtualCardHandle handle;
    vsc::PinAnswer answer{};
    if (!OpenCard(handle) || !AskPin(handle, device.pin, answer)) return Result::NoDriver;
    format.formatTag = answer.format.formatTag;
    format.channels = answer.format.channels;
    format.samplesPerSec = answer.format.samplesPerSec;
    format.avgBytesPerSec = answer.format.avgBytesPerSec;
    format.blockAlign = answer.format.blockAlign;
    format.bitsPerSample = answer.format.bitsPerSample;
    std::memcpy(record, &format, sizeof format);
    std::memset(extension + vsc::kPropertyTextAt, 0, question);
    std::memcpy(extension + vsc::kPropertyTextAt, vsc::kPropertyAnswer, std::strlen(vsc::kPropertyAnswer) + 1);
    return Result::NoError;
}

} // namespace plat::audio
