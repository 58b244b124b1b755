#pragma once
// Conversion of a signal level in tenths of dBm to the S-meter scale 0..255: -130.0 dBm and below
// read 0, -30.0 dBm and above read 255, linear in between.

#include <cstdint>

namespace lxq::api {

constexpr std::int32_t DbmToRaw(std::int32_t tenthsDbm) {
    // 64-bit so that no level, however far out, overflows; the sign, not a bit of the result,
    // decides the lower clamp.
    const std::int64_t v = (std::int64_t{tenthsDbm} + 1300) * 255 / 1000;
    if (v < 0) return 0;
    return v > 255 ? 255 : static_cast<std::int32_t>(v);
}

} // namespace lxq::api
