#pragma once
// Conversions from real values to the signal's integer formats. A conversion truncates toward
// zero unless its name says it rounds, and saturates symmetrically (never to the most negative
// value, whose magnitude has no positive twin); not-a-number gives 0. Out-of-range
// float-to-integer conversions are thereby never left to the compiler.

#include <cmath>
#include <cstdint>

constexpr double kRC_Max16 = 32767.0;
constexpr double kRC_Max32 = 2147483647.0;

inline std::int16_t RC_SaturateTo16(double v) {
    if (!(v > -kRC_Max16)) {
        return std::isnan(v) ? 0 : -32767;
    }
    if (v > kRC_Max16) {
        return 32767;
    }
    return static_cast<std::int16_t>(v);
}

inline std::int32_t RC_SaturateTo32(double v) {
    if (!(v > -kRC_Max32)) {
        return std::isnan(v) ? 0 : -2147483647;
    }
    if (v > kRC_Max32) {
        return 2147483647;
    }
    return static_cast<std::int32_t>(v);
}

// Truncation toward zero into the full 16-bit range (only values beyond it are held).
inline std::int16_t RC_TruncateTo16(double v) {
    if (!(v > -32768.0)) {
        return std::isnan(v) ? 0 : -32768;
    }
    if (v > kRC_Max16) {
        return 32767;
    }
    return static_cast<std::int16_t>(v);
}

// The nearest 16-bit value (halves away from zero), held to the full 16-bit range: where a signal
// is narrowed with gain still to come, rounding keeps the error at half a step, unbiased.
inline std::int16_t RC_RoundTo16(double v) {
    if (!(v > -32768.0)) {
        return std::isnan(v) ? 0 : -32768;
    }
    if (v >= kRC_Max16) {
        return 32767;
    }
    // Half a step away from zero by the sign bit, not by a branch (v - 0.5 for a negative v).
    return static_cast<std::int16_t>(v + std::copysign(0.5, v));
}

// The nearest 16-bit value, limited to -32767..32767 as the audio output is. Where a quiet signal
// leaves the plug-in, truncation toward zero would turn every sample within a step of zero into
// silence (a dead zone, four times the error power of rounding and following the signal).
inline std::int16_t RC_RoundAndSaturateTo16(double v) {
    if (!(v > -kRC_Max16)) {
        return std::isnan(v) ? 0 : -32767;
    }
    if (v >= kRC_Max16) {
        return 32767;
    }
    // Half a step away from zero by the sign bit, not by a branch: audio changes sign at random.
    return static_cast<std::int16_t>(v + std::copysign(0.5, v));
}

// A sum of two 32-bit samples, held to the 32-bit range instead of overflowing.
inline std::int32_t RC_SaturatingAdd32(std::int64_t a, std::int64_t b) {
    const std::int64_t sum = a + b;
    return sum > INT32_MAX ? INT32_MAX : (sum < -INT32_MAX ? -INT32_MAX : static_cast<std::int32_t>(sum));
}
