#include "driver/transport/CodecRingWriter.h"

#include <atomic>
#include <cstring>

namespace lxq::transport {
namespace {

std::uint64_t& Field(std::uint8_t* base, std::size_t offset) {
    return *reinterpret_cast<std::uint64_t*>(base + offset);
}

} // namespace

CodecRingWriter::CodecRingWriter(std::uint8_t* base, std::uint64_t size)
    : base_(base), data_(base + kCodecRingHeaderSize), size_(size) {
    std::memset(base_, 0, kCodecRingHeaderSize);
    Field(base_, offsetof(CodecRingHeader, size)) = size_;
}

std::uint64_t CodecRingWriter::ReadIndex() const {
    const std::uint64_t read =
        std::atomic_ref<std::uint64_t>(Field(base_, offsetof(CodecRingHeader, readIndex))).load(std::memory_order_acquire);
    // A read index out of range (the process wrote nonsense) is taken as "everything read".
    return read < size_ ? read : write_;
}

std::uint64_t CodecRingWriter::Fill() const {
    const std::uint64_t read = ReadIndex();
    return write_ >= read ? write_ - read : size_ - read + write_;
}

bool CodecRingWriter::AboveThreshold() const {
    const std::uint64_t threshold = std::atomic_ref<std::uint64_t>(Field(base_, offsetof(CodecRingHeader, threshold)))
                                        .load(std::memory_order_relaxed);
    return Fill() > threshold;
}

bool CodecRingWriter::Append(const std::uint8_t* bytes, std::size_t count) {
    if (count == 0) return true;
    // One byte stays free so that a full ring is never mistaken for an empty one.
    if (count > size_ - 1 - Fill()) return false;
    const std::uint64_t first = count < size_ - write_ ? count : size_ - write_;
    std::memcpy(data_ + write_, bytes, first);
    std::memcpy(data_, bytes + first, count - first);
    write_ = (write_ + count) % size_;
    std::atomic_ref<std::uint64_t>(Field(base_, offsetof(CodecRingHeader, writeIndex)))
        .store(write_, std::memory_order_release);
    return true;
}

void CodecRingWriter::AddLost(std::uint32_t packets) {
    lost_ += packets; // unsigned: wraps like the counter it stands for
    std::atomic_ref<std::uint32_t>(*reinterpret_cast<std::uint32_t*>(base_ + offsetof(CodecRingHeader, lostPackets)))
        .store(lost_, std::memory_order_relaxed);
}

} // namespace lxq::transport
