#include "app/receiver/PackedFrequency.h"

namespace lxq {

std::uint32_t EncodeFreq32(std::int64_t hz) {
    // Conversions to an unsigned type keep the low 32 bits without overflow.
    if (hz <= kPackedFrequencyThreshold) return static_cast<std::uint32_t>(hz);
    return static_cast<std::uint32_t>(hz / 10) | kPackedFrequencyScaled;
}

std::int64_t DecodeFreq32(std::uint32_t word) {
    if ((word & kPackedFrequencyScaled) == 0) return word;
    return std::int64_t{word & ~kPackedFrequencyScaled} * 10;
}

} // namespace lxq
