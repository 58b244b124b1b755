#pragma once
// The host's side of the codec ring. It keeps its own write index and size and never reads them
// back from the shared header, which the process can write; from the header it reads only the
// process's read index (checked) and the signalling threshold. Audio that does not fit behind
// unread data is dropped and counted as lost instead of overwriting what the reader has not taken.

#include <cstddef>
#include <cstdint>

#include "driver/transport/CodecRing.h"

namespace lxq::transport {

class CodecRingWriter {
public:
    // base points at the header; size is the data area's length (the header follows from base).
    CodecRingWriter(std::uint8_t* base, std::uint64_t size);

    std::uint64_t Size() const { return size_; }
    // Appends the whole block, wrapping at the end; false (nothing written) when it does not fit.
    bool Append(const std::uint8_t* bytes, std::size_t count);
    void AddLost(std::uint32_t packets);
    std::uint32_t Lost() const { return lost_; }
    // Bytes written and not yet read, by the host's write index and the process's read index.
    std::uint64_t Fill() const;
    // True when the fill level exceeds the process's threshold.
    bool AboveThreshold() const;

private:
    std::uint64_t ReadIndex() const;

    std::uint8_t* base_;
    std::uint8_t* data_;
    const std::uint64_t size_;
    std::uint64_t write_ = 0;
    std::uint32_t lost_ = 0;
};

} // namespace lxq::transport
