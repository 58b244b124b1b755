#pragma once
// The checksum of the program's binary records: the 32-bit wrapping sum of little-endian words.

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace lxq {

// Sum of the `bytes / 4` words from `data` on.
inline std::uint32_t WordSum(const void* data, std::size_t bytes) {
    std::uint32_t sum = 0;
    const auto* p = static_cast<const unsigned char*>(data);
    for (std::size_t offset = 0; offset + 4 <= bytes; offset += 4) {
        std::uint32_t w;
        std::memcpy(&w, p + offset, sizeof w);
        sum += w;
    }
    return sum;
}

} // namespace lxq
