#pragma once
// Integer conversions of the receiver component that must not overflow: level arithmetic that
// wraps like the 32-bit protocol words it feeds, and truncation of a computed level that holds the
// result inside the 32-bit range (NaN gives 0).

#include <cmath>
#include <cstdint>
#include <limits>

namespace lxq {

constexpr std::int32_t AddWrapping(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

inline std::int32_t TruncateToInt32(double v) {
    if (std::isnan(v)) return 0;
    if (v >= 2147483647.0) return std::numeric_limits<std::int32_t>::max();
    if (v <= -2147483648.0) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(v);
}

inline std::int64_t TruncateToInt64(double v) {
    if (std::isnan(v)) return 0;
    if (v >= 9.2e18) return std::numeric_limits<std::int64_t>::max();
    if (v <= -9.2e18) return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(v);
}

} // namespace lxq
