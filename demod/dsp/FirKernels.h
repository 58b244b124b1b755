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
// spike of the opposite sign, a loud tone into noise). They are exact for any taps: where the
// taps' magnitudes could take a sum beyond 32 bits, the sums are formed in 64 bits instead.
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

// The saturating stores, from a sum known to lie within 32 bits (taps whose magnitudes sum
// below 2^16 against samples of at most 2^15: RC_FirSumFits32) or from a 64-bit sum.
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

// Whether no window of 16-bit samples can take a sum of `length` products beyond the signed
// 32-bit range: the taps' magnitudes sum below 2^16, so |sum| < 2^15 x 2^16 = 2^31. Costs one
// pass over the taps, a small part of one output's multiplies per call.
inline bool RC_FirSumFits32(const std::int16_t* taps, std::uint32_t length) {
    std::uint64_t total = 0;
    for (std::uint32_t k = 0; k < length; ++k) {
        total += static_cast<std::uint64_t>(taps[k] < 0 ? -std::int32_t{taps[k]} : std::int32_t{taps[k]});
    }
    return total < 0x10000;
}

// The exact sums in 64 bits, for taps RC_FirSumFits32 refuses; every routine's saturating form
// falls back on these, so that all give the same bits.
void RC_FirKernel16SaturatingWide(const std::int16_t* taps, std::uint32_t length,
                                  const std::int16_t* history, std::uint32_t outputs,
                                  std::uint32_t step, std::int16_t* out);
void RC_FirKernel32SaturatingWide(const std::int16_t* taps, std::uint32_t length,
                                  const std::int16_t* history, std::uint32_t outputs,
                                  std::uint32_t step, std::int32_t* out);
