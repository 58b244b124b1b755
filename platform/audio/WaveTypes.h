#pragma once
// Records and result codes of the wave devices, with the numbers the system's callers expect.

#include <cstddef>
#include <cstdint>

namespace plat::audio {

// Results of every wave and mixer operation.
enum class Result : std::uint32_t {
    NoError = 0,
    Error = 1,
    BadDeviceId = 2,
    Allocated = 4,     // the device is in use by someone else
    InvalidHandle = 5,
    NoDriver = 6,      // the device has gone
    NoMemory = 7,
    InvalidParam = 11,
    BadFormat = 32,    // the device cannot run this format
    StillPlaying = 33, // the buffer is still queued
    Unprepared = 34,
};

// Device id that lets the system choose the device (the default device).
inline constexpr std::uint32_t kWaveMapper = 0xFFFFFFFFu;

inline constexpr std::uint16_t kFormatPcm = 1;

#pragma pack(push, 1)
// A wave format as it travels between the caller and the device (little-endian, packed).
struct WaveFormat {
    std::uint16_t formatTag;
    std::uint16_t channels;
    std::uint32_t samplesPerSec;
    std::uint32_t avgBytesPerSec;
    std::uint16_t blockAlign;
    std::uint16_t bitsPerSample;
    std::uint16_t extraSize;
};
#pragma pack(pop)
static_assert(sizeof(WaveFormat) == 18);
static_assert(offsetof(WaveFormat, formatTag) == 0);
static_assert(offsetof(WaveFormat, channels) == 2);
static_assert(offsetof(WaveFormat, samplesPerSec) == 4);
static_assert(offsetof(WaveFormat, avgBytesPerSec) == 8);
static_assert(offsetof(WaveFormat, blockAlign) == 12);
static_assert(offsetof(WaveFormat, bitsPerSample) == 14);
static_assert(offsetof(WaveFormat, extraSize) == 16);

// PCM with block alignment and byte rate derived from the three values.
WaveFormat MakePcmFormat(std::uint16_t channels, std::uint16_t bitsPerSample,
                         std::uint32_t samplesPerSec);
bool SamePcmLayout(const WaveFormat& a, const WaveFormat& b);

// Header flags.
inline constexpr std::uint32_t kHeaderDone = 0x01;
inline constexpr std::uint32_t kHeaderPrepared = 0x02;
inline constexpr std::uint32_t kHeaderInQueue = 0x10;

// One buffer handed to a device. The device thread writes `bytesRecorded` and `flags` (through
// atomic references) while the owner reads them, so both are read with acquire ordering.
struct WaveHeader {
    void* data;
    std::uint32_t bufferLength;
    std::uint32_t bytesRecorded;
    std::uint32_t user;  // the owner's word
    std::uint32_t flags; // kHeader* bits
    std::uint64_t reserved;
};
static_assert(sizeof(WaveHeader) == 32);
static_assert(offsetof(WaveHeader, data) == 0);
static_assert(offsetof(WaveHeader, bufferLength) == 8);
static_assert(offsetof(WaveHeader, bytesRecorded) == 12);
static_assert(offsetof(WaveHeader, user) == 16);
static_assert(offsetof(WaveHeader, flags) == 20);
static_assert(offsetof(WaveHeader, reserved) == 24);

// Reads the flags of a header that a device thread may be changing.
std::uint32_t LoadHeaderFlags(const WaveHeader& header);
void ClearHeaderFlags(WaveHeader& header, std::uint32_t bits);
// Marks a buffer ready for a device; InvalidParam for a buffer without memory.
Result PrepareHeader(WaveHeader& header);
// StillPlaying while the buffer is queued at a device.
Result UnprepareHeader(WaveHeader& header);
// Used by the devices: the header is theirs now (queued, not done).
void MarkHeaderQueued(WaveHeader& header);
// Used by the devices: hands the header back to its owner with `bytes` in it (done, not queued).
void CompleteHeader(WaveHeader& header, std::uint32_t bytes);

// Device capabilities: the name (at most 31 characters) and the device's native format.
struct WaveCaps {
    char name[32];
    WaveFormat nativeFormat;
};

// The system's text for a result code ("The specified device is already in use...").
const char* WaveErrorText(Result result);

} // namespace plat::audio
