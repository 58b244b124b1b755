#pragma once
// Frequencies where the synthesiser produces spurs unless its step is lowered slightly.

#include <cstddef>
#include <cstdint>

namespace lxq::driver {

struct SpurRange {
    std::uint32_t lowKhz; // inclusive
    std::uint32_t highKhz; // exclusive
};

extern const SpurRange kSpurRanges[];
extern const std::size_t kSpurRangeCount;

// True when hz lies in one of the spur ranges.
bool IsSpurFrequency(std::uint32_t hz);

} // namespace lxq::driver
