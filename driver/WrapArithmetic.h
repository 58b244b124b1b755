#pragma once
// Conversions that the tuning formulas need defined for every input.

#include <cmath>
#include <cstdint>

namespace lxq::driver {

// Truncates toward zero to a 64-bit integer and keeps its low 32 bits. A value outside the 64-bit
// range (or not a number) gives 0, as the processor's own conversion would leave in the low half,
// instead of undefined behaviour.
inline std::uint32_t TruncLow32(double value) {
    constexpr double kLimit = 9223372036854775808.0; // 2^63
    if (!(value > -kLimit && value < kLimit)) return 0;
    return static_cast<std::uint32_t>(static_cast<std::int64_t>(value));
}

} // namespace lxq::driver
