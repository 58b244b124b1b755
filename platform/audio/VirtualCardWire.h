#pragma once
// The virtual sound card: the driver host's own sound card that carries the IF of each simulated
// serial and PCI receiver. The host serves it on a channel of its own (the receivers' channel
// name with ".vsc" appended), with the receivers' channel records: a connection lists the card's
// interface, or opens one of its reference paths and then carries device-control requests. The
// records here are shared by the host and the audio layer, so their layout is fixed.

#include <cstddef>
#include <cstdint>

namespace plat::audio::vsc {

// Device-interface class of the card; its one interface path ends in it.
inline constexpr const char* kInterfaceClass = "{B029D310-284D-4F05-9AFF-D993707AEDC4}";
// Opened after the interface path: the capture and the render reference path.
inline constexpr const char* kCaptureReference = "\\b029d310-284d-4f05-9aff-d993707aedc4";
inline constexpr const char* kRenderReference = "\\0d13c528-a6fc-47f1-8fee-c5dd46f1fbb1";

// Devices of the card in the audio layer: "Talvenor Virtual Sound Card <n>" (the pin's own
// device interface answers the format) and the same with " I" or " O" (the wave driver answers a
// property query). Pin n belongs to the n-th simulated serial or PCI receiver.
inline constexpr const char* kDeviceName = "Talvenor Virtual Sound Card ";

// The pin's format: the IF at 48 kHz, 16 bits; a capture device gives it on every channel.
inline constexpr std::uint32_t kSampleRate = 48000;
inline constexpr std::uint16_t kBitsPerSample = 16;
inline constexpr std::uint16_t kChannels = 2;

// Requests, on a handle of either reference path.
// Pin request: input PinQuery, output PinAnswer.
inline constexpr std::uint32_t kIoctlPin = 0x222008;
// Capture stream of a pin: input StreamStart, an eventfd passed with it; the answer passes the
// ring's memory. The stream runs until the handle closes.
inline constexpr std::uint32_t kIoctlStream = 0x22200C;

// First word of a pin request: the pin's format and presence.
inline constexpr std::uint32_t kPinFormat = 3;

#pragma pack(push, 1)
struct PinQuery {
    std::uint32_t request; // kPinFormat
    std::uint32_t pin;     // 0-based
};

// A wave format record as the pin answers it.
struct PinFormat {
    std::uint16_t formatTag;
    std::uint16_t channels;
    std::uint32_t samplesPerSec;
    std::uint32_t avgBytesPerSec;
    std::uint16_t blockAlign;
    std::uint16_t bitsPerSample;
    std::uint16_t extraSize;
};

struct PinAnswer {
    std::uint32_t request;        // as asked
    std::uint32_t pin;            // as asked
    std::uint32_t pinCount;       // pins of the card now
    std::uint8_t reserved1[20];
    PinFormat format;             // at 32
    std::uint8_t reserved2[22];
    std::uint32_t outputPresent;  // at 72
    std::uint32_t inputPresent;   // at 76
    std::uint8_t reserved3[20];
};

struct StreamStart {
    std::uint32_t pin;       // 0-based
    std::uint32_t ringBytes; // data area, a multiple of 2
};

// The ring's header, followed by the data: the host writes the 16-bit IF samples and the write
// index, the reader advances the read index. Indexes run 0..size-1.
struct RingHeader {
    std::uint64_t size;
    std::uint64_t writeIndex;
    std::uint64_t readIndex;
    std::uint64_t reserved;
    std::uint32_t lostSamples; // samples the reader was too slow for
};
#pragma pack(pop)

static_assert(sizeof(PinQuery) == 8);
static_assert(sizeof(PinFormat) == 18);
static_assert(offsetof(PinFormat, channels) == 2 && offsetof(PinFormat, samplesPerSec) == 4);
static_assert(offsetof(PinFormat, bitsPerSample) == 14);
static_assert(sizeof(PinAnswer) == 100);
static_assert(offsetof(PinAnswer, pinCount) == 8);
static_assert(offsetof(PinAnswer, format) == 32);
static_assert(offsetof(PinAnswer, format) + offsetof(PinFormat, channels) == 34);
static_assert(offsetof(PinAnswer, format) + offsetof(PinFormat, samplesPerSec) == 36);
static_assert(offsetof(PinAnswer, format) + offsetof(PinFormat, bitsPerSample) == 46);
static_assert(offsetof(PinAnswer, outputPresent) == 72 && offsetof(PinAnswer, inputPresent) == 76);
static_assert(sizeof(StreamStart) == 8);
static_assert(sizeof(RingHeader) == 36);
static_assert(offsetof(RingHeader, writeIndex) == 8 && offsetof(RingHeader, readIndex) == 16);
static_assert(offsetof(RingHeader, lostSamples) == 32);

inline constexpr std::size_t kRingHeaderSize = sizeof(RingHeader);
// Rings beyond this are refused: the size comes from the reader.
inline constexpr std::uint32_t kMaxRingBytes = 4u * 1024 * 1024;

// The property query of the card's wave driver: a format record with this tag and 97 extension
// bytes, the question text at extension byte 22 and the request at 86 to 88. The driver answers
// in place: the answer text at extension byte 22 and the pin's format in the record.
inline constexpr std::uint16_t kPropertyTag = 0x1234;
inline constexpr std::uint16_t kPropertyExtension = 97;
inline constexpr std::size_t kPropertyTextAt = 22;
inline constexpr std::size_t kPropertyRequestAt = 86;
inline constexpr const char* kPropertyQuestion = "Talvenor Virtual Sound Card Driver Property Data";
inline constexpr const char* kPropertyAnswer = "Answer for Talvenor Virtual Sound Card Driver Property";
// The format tag the wave driver streams under (with a 16-byte identifier as extension).
inline constexpr std::uint16_t kStreamTag = 0x1235;

} // namespace plat::audio::vsc
