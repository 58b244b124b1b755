// AVX2 routines of the FIR filters: 16 taps per step with the 16 x 16 -> 32-bit multiply-add on
// 256-bit registers, four windows sharing every tap load. The functions carry the instruction set
// as a target attribute, so nothing else is built for it; they run only where the processor
// record says the processor and the system support it. Every lane sum wraps modulo 2^32, exactly
// like the scalar reference, so the results agree bit for bit whatever the order of the additions.

#include "demod/dsp/FirKernels.h"

#include <immintrin.h>

#define RC_AVX2 __attribute__((target("avx2")))

namespace {

RC_AVX2 inline std::uint32_t HorizontalSum(__m256i v) {
    __m128i s = _mm_add_epi32(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1));
    s = _mm_add_epi32(s, _mm_shuffle_epi32(s, _MM_SHUFFLE(1, 0, 3, 2)));
    s = _mm_add_epi32(s, _mm_shuffle_epi32(s, _MM_SHUFFLE(2, 3, 0, 1)));
    return static_cast<std::uint32_t>(_mm_cvtsi128_si32(s));
}

RC_AVX2 inline __m256i Load(const std::int16_t* x) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(x));
}

// Four windows `step` apart; the taps are 16-byte aligned only, so they are loaded unaligned.
RC_AVX2 inline void Dot4(const std::int16_t* taps, std::uint32_t padded, const std::int16_t* window,
                         std::size_t step, std::uint32_t* sums) {
    __m256i s0 = _mm256_setzero_si256();
    __m256i s1 = _mm256_setzero_si256();
    __m256i s2 = _mm256_setzero_si256();
    __m256i s3 = _mm256_setzero_si256();
    const std::int16_t* w1 = window + step;
    const std::int16_t* w2 = window + 2 * step;
    const std::int16_t* w3 = window + 3 * step;
    for (std::uint32_t k = 0; k < padded; k += 16) {
        const __m256i t = Load(taps + k);
        s0 = _mm256_add_epi32(s0, _mm256_madd_epi16(t, Load(window + k)));
        s1 = _mm256_add_epi32(s1, _mm256_madd_epi16(t, Load(w1 + k)));
        s2 = _mm256_add_epi32(s2, _mm256_madd_epi16(t, Load(w2 + k)));
        s3 = _mm256_add_epi32(s3, _mm256_madd_epi16(t, Load(w3 + k)));
    }
    sums[0] = HorizontalSum(s0);
    sums[1] = HorizontalSum(s1);
    sums[2] = HorizontalSum(s2);
    sums[3] = HorizontalSum(s3);
}

RC_AVX2 inline std::uint32_t Dot1(const std::int16_t* taps, std::uint32_t padded, const std::int16_t* window) {
    __m256i s = _mm256_setzero_si256();
    for (std::uint32_t k = 0; k < padded; k += 16) {
        s = _mm256_add_epi32(s, _mm256_madd_epi16(Load(taps + k), Load(window + k)));
    }
    return HorizontalSum(s);
}

template <typename Out, typename Store>
RC_AVX2 void Run(const std::int16_t* taps, std::uint32_t length, const std::int16_t* history,
                 std::uint32_t outputs, std::uint32_t step, Out* out, Store store) {
    const std::uint32_t padded = (length + 15) & ~15u;
    std::uint32_t i = 0;
    for (; i + 3 < outputs; i += 4) {
        std::uint32_t sums[4];
        Dot4(taps, padded, history + static_cast<std::size_t>(i) * step, step, sums);
        for (std::uint32_t j = 0; j < 4; ++j) {
            out[i + j] = store(sums[j]);
        }
    }
    for (; i < outputs; ++i) {
        out[i] = store(Dot1(taps, padded, history + static_cast<std::size_t>(i) * step));
    }
}

} // namespace

RC_AVX2 void RC_FirKernel16Avx2(const std::int16_t* taps, std::uint32_t length, const std::int16_t* history,
                                std::uint32_t outputs, std::uint32_t step, std::int16_t* out) {
    Run(taps, length, history, outputs, step, out, RC_FirStore16);
}

RC_AVX2 void RC_FirKernel16SaturatingAvx2(const std::int16_t* taps, std::uint32_t length,
                                          const std::int16_t* history, std::uint32_t outputs,
                                          std::uint32_t step, std::int16_t* out) {
    if (!RC_FirSumFits32(taps, length, history, outputs, step)) {
        RC_FirKernel16SaturatingWide(taps, length, history, outputs, step, out);
        return;
    }
    Run(taps, length, history, outputs, step, out, RC_FirStore16Saturating);
}

RC_AVX2 void RC_FirKernel32Avx2(const std::int16_t* taps, std::uint32_t length, const std::int16_t* history,
                                std::uint32_t outputs, std::uint32_t step, std::int32_t* out) {
    Run(taps, length, history, outputs, step, out, RC_FirStore32);
}

RC_AVX2 void RC_FirKernel32SaturatingAvx2(const std::int16_t* taps, std::uint32_t length,
                                          const std::int16_t* history, std::uint32_t outputs,
                                          std::uint32_t step, std::int32_t* out) {
    if (!RC_FirSumFits32(taps, length, history, outputs, step)) {
        RC_FirKernel32SaturatingWide(taps, length, history, outputs, step, out);
        return;
    }
    Run(taps, length, history, outputs, step, out, RC_FirStore32Saturating);
}
