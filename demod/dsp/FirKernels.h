#pragma once
// Inner loops of the FIR filters. Each computes `outputs` dot products of `length` Q15 taps, the
// window of output i starting at history + i x step (oldest sample with tap 0), with a 32-bit
// sum that wraps. The 16-bit form stores the sum shifted right by 15 (its low 16 bits, no
// saturation), the 32-bit form stores the sum times 2 (Q31, wrapping).
//
// Contract for the vector routines: the tap array is 16-byte aligned and zero-filled up to a
// multiple of 16 taps, and the history is readable for that many samples from every window
// start. The scalar routines read exactly `length` samples. Every routine gives the same bits.

#include "demod/dsp/RC_Routine.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>

using RC_FirKernel16 = void (*)(const std::int16_t* taps, std::uint32_t length,
                                const std::int16_t* history, std::uint32_t outputs,
                                std::uint32_t step, std::int16_t* out);
using RC_FirKernel32 = void (*)(const std::int16_t* taps, std::uint32_t length,
                                const std::int16_t* history, std::uint32_t outputs,
                                std::uint32_t step, std::int32_t* out);

void RC_FirKernel16Scalar(const std::int16_t* taps, std::uint32_t length, const std::int16_t* history,
                          std::uint32_t outputs, std::uint32_t step, std::int16_t* out);
void RC_FirKernel32Scalar(const std::int16_t* taps, std::uint32_t length, const std::int16_t* history,
                          std::uint32_t outputs, std::uint32_t step, std::int32_t* out);
void RC_FirKernel16Sse2(const std::int16_t* taps, std::uint32_t length, const std::int16_t* history,
                        std::uint32_t outputs, std::uint32_t step, std::int16_t* out);
// The 16-bit and 32-bit forms held to -32767..32767 and -2147483647..2147483647 instead of
// wrapping, for owners whose signal may overshoot full scale (a wrapped overshoot turns into a
// spike of the opposite sign, a loud tone into noise). They are exact for any taps and samples:
// a run whose sums could pass 32 bits has them formed in 64 bits instead.
void RC_FirKernel16SaturatingScalar(const std::int16_t* taps, std::uint32_t length,
                                    const std::int16_t* history, std::uint32_t outputs,
                                    std::uint32_t step, std::int16_t* out);
void RC_FirKernel16SaturatingSse2(const std::int16_t* taps, std::uint32_t length,
                                  const std::int16_t* history, std::uint32_t outputs,
                                  std::uint32_t step, std::int16_t* out);
void RC_FirKernel32Sse2(const std::int16_t* taps, std::uint32_t length, const std::int16_t* history,
                        std::uint32_t outputs, std::uint32_t step, std::int32_t* out);
void RC_FirKernel32SaturatingScalar(const std::int16_t* taps, std::uint32_t length,
                                    const std::int16_t* history, std::uint32_t outputs,
                                    std::uint32_t step, std::int32_t* out);
void RC_FirKernel32SaturatingSse2(const std::int16_t* taps, std::uint32_t length,
                                  const std::int16_t* history, std::uint32_t outputs,
                                  std::uint32_t step, std::int32_t* out);
// AVX2 forms of the four; only for a processor record that has AVX2.
void RC_FirKernel16Avx2(const std::int16_t* taps, std::uint32_t length, const std::int16_t* history,
                        std::uint32_t outputs, std::uint32_t step, std::int16_t* out);
void RC_FirKernel16SaturatingAvx2(const std::int16_t* taps, std::uint32_t length,
                                  const std::int16_t* history, std::uint32_t outputs,
                                  std::uint32_t step, std::int16_t* out);
void RC_FirKernel32Avx2(const std::int16_t* taps, std::uint32_t length, const std::int16_t* history,
                        std::uint32_t outputs, std::uint32_t step, std::int32_t* out);
void RC_FirKernel32SaturatingAvx2(const std::int16_t* taps, std::uint32_t length,
                                  const std::int16_t* history, std::uint32_t outputs,
                                  std::uint32_t step, std::int32_t* out);

// The float filter has one routine.
void RC_FirKernelFloat(const float* taps, std::uint32_t length, const float* history,
                       std::uint32_t outputs, std::uint32_t step, float* out);

RC_FirKernel16 RC_SelectFirKernel16(RC_Routine routine);
RC_FirKernel16 RC_SelectFirKernel16Saturating(RC_Routine routine);
RC_FirKernel32 RC_SelectFirKernel32(RC_Routine routine);
RC_FirKernel32 RC_SelectFirKernel32Saturating(RC_Routine routine);

// Taps are padded to this many entries so that every vector routine runs whole steps.
constexpr std::uint32_t kRC_FirTapPadding = 32;
// Samples past the end of the history that a vector routine may read.
constexpr std::uint32_t kRC_FirHistorySlack = 32;

// The wrapping arithmetic every routine shares.
inline std::int16_t RC_FirStore16(std::uint32_t sum) {
    return static_cast<std::int16_t>(static_cast<std::int32_t>(sum) >> 15);
}
inline std::int16_t RC_FirStore16Saturating(std::uint32_t sum) {
    const std::int32_t v = static_cast<std::int32_t>(sum) >> 15;
    return static_cast<std::int16_t>(v > 32767 ? 32767 : (v < -32767 ? -32767 : v));
}
inline std::int32_t RC_FirStore32(std::uint32_t sum) { return static_cast<std::int32_t>(sum << 1); }

// The saturating stores, from a sum known to lie within 32 bits (RC_FirSumFits32) or from a
// 64-bit sum.
inline std::int16_t RC_FirStoreWide16Saturating(std::int64_t sum) {
    const std::int64_t v = sum >> 15;
    return static_cast<std::int16_t>(v > 32767 ? 32767 : (v < -32767 ? -32767 : v));
}
inline std::int32_t RC_FirStoreWide32Saturating(std::int64_t sum) {
    constexpr std::int64_t kHalfRange = 0x40000000; // 2^30: twice it leaves 32 bits
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    return sum >= kHalfRange ? kMax : (sum <= -kHalfRange ? -kMax : static_cast<std::int32_t>(sum * 2));
}
inline std::int32_t RC_FirStore32Saturating(std::uint32_t sum) {
    return RC_FirStoreWide32Saturating(std::int64_t{static_cast<std::int32_t>(sum)});
}

// Whether none of `outputs` windows `step` apart can take its sum of `length` products beyond
// the signed 32-bit range: the taps' magnitudes times the largest sample magnitude stay below
// 2^31. Every designed filter passes for the signals it usually meets; a loud one with taps of
// large magnitude sum may not. One pass over the taps and the samples, a small part of the
// multiplies of the outputs.
inline bool RC_FirSumFits32(const std::int16_t* taps, std::uint32_t length, const std::int16_t* history,
                            std::uint32_t outputs, std::uint32_t step) {
    if (outputs == 0) {
        return true;
    }
    std::int64_t tapSum = 0;
    for (std::uint32_t k = 0; k < length; ++k) {
        tapSum += taps[k] < 0 ? -std::int32_t{taps[k]} : std::int32_t{taps[k]};
    }
    const std::size_t span = static_cast<std::size_t>(outputs - 1) * step + length;
    std::int32_t largest = 0;
    for (std::size_t k = 0; k < span; ++k) {
        const std::int32_t x = history[k];
        largest = std::max(largest, x < 0 ? -x : x);
    }
    return tapSum * largest < (std::int64_t{1} << 31);
}

// The exact sums in 64 bits, for the runs RC_FirSumFits32 refuses; every routine's saturating form
// falls back on these, so that all give the same bits.
void RC_FirKernel16SaturatingWide(const std::int16_t* taps, std::uint32_t length,
                                  const std::int16_t* history, std::uint32_t outputs,
                                  std::uint32_t step, std::int16_t* out);
void RC_FirKernel32SaturatingWide(const std::int16_t* taps, std::uint32_t length,
                                  const std::int16_t* history, std::uint32_t outputs,
                                  std::uint32_t step, std::int32_t* out);
