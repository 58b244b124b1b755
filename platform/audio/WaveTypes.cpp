#include "platform/audio/WaveTypes.h"

#include <atomic>

namespace plat::audio {

WaveFormat MakePcmFormat(std::uint16_t channels, std::uint16_t bitsPerSample,
                         std::uint32_t samplesPerSec) {
    WaveFormat f{};
    f.formatTag = kFormatPcm;
    f.channels = channels;
    f.samplesPerSec = samplesPerSec;
    f.bitsPerSample = bitsPerSample;
    f.blockAlign = static_cast<std::uint16_t>(bitsPerSample * channels / 8);
    f.avgBytesPerSec = f.blockAlign * samplesPerSec;
    f.extraSize = 0;
    return f;
}

bool SamePcmLayout(const WaveFormat& a, const WaveFormat& b) {
    return a.channels == b.channels && a.samplesPerSec == b.samplesPerSec &&
           a.bitsPerSample == b.bitsPerSample;
}

std::uint32_t LoadHeaderFlags(const WaveHeader& header) {
    return std::atomic_ref<std::uint32_t>(const_cast<std::uint32_t&>(header.flags))
        .load(std::memory_order_acquire);
}

void ClearHeaderFlags(WaveHeader& header, std::uint32_t bits) {
    std::atomic_ref<std::uint32_t>(header.flags).fetch_and(~bits, std::memory_order_acq_rel);
}

Result PrepareHeader(WaveHeader& header) {
    if (header.data == nullptr && header.bufferLength != 0) return Result::InvalidParam;
    std::atomic_ref<std::uint32_t>(header.flags).fetch_or(kHeaderPrepared, std::memory_order_acq_rel);
    return Result::NoError;
}

Result UnprepareHeader(WaveHeader& header) {
    if (LoadHeaderFlags(header) & kHeaderInQueue) return Result::StillPlaying;
    ClearHeaderFlags(header, kHeaderPrepared);
    return Result::NoError;
}

void MarkHeaderQueued(WaveHeader& h) {
    std::atomic_ref<std::uint32_t> flags(h.flags);
    std::uint32_t f = flags.load(std::memory_order_relaxed);
    while (!flags.compare_exchange_weak(f, (f & ~kHeaderDone) | kHeaderInQueue,
                                        std::memory_order_acq_rel)) {
    }
}

void CompleteHeader(WaveHeader& h, std::uint32_t bytes) {
    std::atomic_ref<std::uint32_t>(h.bytesRecorded).store(bytes, std::memory_order_relaxed);
    // Done is published with release ordering after the bytes, so a reader that sees it sees them.
    std::atomic_ref<std::uint32_t> flags(h.flags);
    std::uint32_t f = flags.load(std::memory_order_relaxed);
    while (!flags.compare_exchange_weak(f, (f & ~kHeaderInQueue) | kHeaderDone,
                                        std::memory_order_release)) {
    }
}

const char* WaveErrorText(Result result) {
    switch (result) {
    case Result::NoError: return "The command completed successfully.";
    case Result::BadDeviceId: return "The specified device identifier is out of range.";
    case Result::Allocated: return "The specified device is already in use.";
    case Result::InvalidHandle: return "The specified device handle is invalid.";
    case Result::NoDriver: return "There is no driver installed on your system.";
    case Result::NoMemory: return "There is not enough memory available for this task.";
    case Result::InvalidParam: return "An invalid parameter was passed to a system function.";
    case Result::BadFormat:
        return "The specified format is not supported or cannot be translated.";
    case Result::StillPlaying: return "The buffer is still in use by the device.";
    case Result::Unprepared: return "The buffer has not been prepared.";
    case Result::Error: break;
    }
    return "An unspecified error occurred.";
}

} // namespace plat::audio
