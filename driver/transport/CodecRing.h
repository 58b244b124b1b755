#pragma once
// The codec ring: memory the driver host creates and hands to the owning process, holding a
// 36-byte header and the audio data. The host writes the data and the write index; the process
// reads the data and advances the read index. The layout is shared by both processes.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

namespace lxq::transport {

#pragma pack(push, 1)
struct CodecRingHeader {
    std::uint64_t size;        // bytes in the data area
    std::uint64_t writeIndex;  // 0..size-1, advanced by the host only
    std::uint64_t readIndex;   // 0..size-1, advanced by the process only
    std::uint64_t threshold;   // the event is signalled when the fill level exceeds it
    std::uint32_t lostPackets; // audio packets that never reached the ring
};
#pragma pack(pop)
static_assert(sizeof(CodecRingHeader) == 36);
static_assert(offsetof(CodecRingHeader, size) == 0);
static_assert(offsetof(CodecRingHeader, writeIndex) == 8);
static_assert(offsetof(CodecRingHeader, readIndex) == 16);
static_assert(offsetof(CodecRingHeader, threshold) == 24);
static_assert(offsetof(CodecRingHeader, lostPackets) == 32);

inline constexpr std::size_t kCodecRingHeaderSize = sizeof(CodecRingHeader);
// Rings larger than this are refused: the size comes from the process.
inline constexpr std::uint64_t kCodecRingMaxSize = 64ull * 1024 * 1024;

// Shared memory for one ring, created by the host's services.
class SharedRingMemory {
public:
    virtual ~SharedRingMemory() = default;
    virtual std::uint8_t* Base() = 0;
    virtual std::size_t Length() const = 0;
    // A new handle to the memory for the owning process (the host passes it on with the answer).
    virtual int DuplicateHandle() const = 0;
};

// The event the owning process supplied; signalling it wakes the process's reader.
class CodecSignal {
public:
    virtual ~CodecSignal() = default;
    virtual void Signal() = 0;
};

} // namespace lxq::transport

namespace lxq::transport {

// How the USB transport gets ring memory and the process's event: the driver host supplies these
// (shared memory it can pass to the process, an event descriptor the process passed in).
struct CodecServices {
    std::function<std::unique_ptr<SharedRingMemory>(std::size_t length)> makeRing;
    // Takes over the descriptor; null for none or a descriptor that is no event.
    std::function<std::unique_ptr<CodecSignal>(int descriptor)> makeSignal;
};

} // namespace lxq::transport
