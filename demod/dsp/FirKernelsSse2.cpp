// SSE2 routines of the FIR filters: 16 taps per step with the 16 x 16 -> 32-bit multiply-add.
// Every lane sum wraps modulo 2^32, exactly like the scalar reference, so the results agree bit
// for bit whatever the order of the additions.

#include "demod/dsp/FirKernels.h"

#include <emmintrin.h>

namespace {

inline std::uint32_t HorizontalSum(__m128i v) {
    v = _mm_add_epi32(v, _mm_shuffle_epi32(v, _MM_SHUFFLE(1, 0, 3, 2)));
    v = _mm_add_epi32(v, _mm_shuffle_epi32(v, _MM_SHUFFLE(2, 3, 0, 1)));
    return static_cast<std::uint32_t>(_mm_cvtsi128_si32(v));
}

// Two windows at once share every tap load.
inline void Dot2(const std::int16_t* taps, std::uint32_t padded, const std::int16_t* a,
                 const std::int16_t* b, std::uint32_t& sumA, std::uint32_t& sumB) {
    __m128i a0 = _mm_setzero_si128();
    __m128i a1 = _mm_setzero_si128();
    __m128i b0 = _mm_setzero_si128();
    __m128i b1 = _mm_setzero_si128();
    for (std::uint32_t k = 0; k < padded; k += 16) {
        const __m128i t0 = _mm_load_si128(reinterpret_cast<const __m128i*>(taps + k));
        const __m128i t1 = _mm_load_si128(reinterpret_cast<const __m128i*>(taps + k + 8));
        a0 = _mm_add_epi32(a0, _mm_madd_epi16(t0, _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + k))));
        a1 = _mm_add_epi32(a1, _mm_madd_epi16(t1, _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + k + 8))));
        b0 = _mm_add_epi32(b0, _mm_madd_epi16(t0, _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + k))));
        b1 = _mm_add_epi32(b1, _mm_madd_epi16(t1, _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + k + 8))));
    }
    sumA = HorizontalSum(_mm_add_epi32(a0, a1));
    sumB = HorizontalSum(_mm_add_epi32(b0, b1));
}

inline std::uint32_t Dot1(const std::int16_t* taps, std::uint32_t padded, const std::int16_t* a) {
    __m128i a0 = _mm_setzero_si128();
    __m128i a1 = _mm_setzero_si128();
    for (std::uint32_t k = 0; k < padded; k += 16) {
        const __m128i t0 = _mm_load_si128(reinterpret_cast<const __m128i*>(taps + k));
        const __m128i t1 = _mm_load_si128(reinterpret_cast<const __m128i*>(taps + k + 8));
        a0 = _mm_add_epi32(a0, _mm_madd_epi16(t0, _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + k))));
        a1 = _mm_add_epi32(a1, _mm_madd_epi16(t1, _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + k + 8))));
    }
    return HorizontalSum(_mm_add_epi32(a0, a1));
}

template <typename Out, typename Store>
void Run(const std::int16_t* taps, std::uint32_t length, const std::int16_t* history,
         std::uint32_t outputs, std::uint32_t step, Out* out, Store store) {
    const std::uint32_t padded = (length + 15) & ~15u;
    std::uint32_t i = 0;
    for (; i + 1 < outputs; i += 2) {
        std::uint32_t a = 0;
        std::uint32_t b = 0;
        const std::int16_t* window = history + static_cast<std::size_t>(i) * step;
        Dot2(taps, padded, window, window + step, a, b);
        out[i] = store(a);
        out[i + 1] = store(b);
    }
    if (i < outputs) {
        out[i] = store(Dot1(taps, padded, history + static_cast<std::size_t>(i) * step));
    }
}

} // namespace

void RC_FirKernel16Sse2(const std::int16_t* taps, std::uint32_t length, const std::int16_t* history,
                        std::uint32_t outputs, std::uint32_t step, std::int16_t* out) {
    Run(taps, length, history, outputs, step, out, RC_FirStore16);
}

void RC_FirKernel16SaturatingSse2(const std::int16_t* taps, std::uint32_t length,
                                  const std::int16_t* history, std::uint32_t outputs,
                                  std::uint32_t step, std::int16_t* out) {
    if (!RC_FirSumFits32(taps, length, history, outputs, step)) {
        RC_FirKernel16SaturatingWide(taps, length, history, outputs, step, out);
        return;
    }
    Run(taps, length, history, outputs, step, out, RC_FirStore16Saturating);
}

void RC_FirKernel32Sse2(const std::int16_t* taps, std::uint32_t length, const std::int16_t* history,
                        std::uint32_t outputs, std::uint32_t step, std::int32_t* out) {
    Run(taps, length, history, outputs, step, out, RC_FirStore32);
}

void RC_FirKernel32SaturatingSse2(const std::int16_t* taps, std::uint32_t length,
                                  const std::int16_t* history, std::uint32_t outputs,
                                  std::uint32_t step, std::int32_t* out) {
    if (!RC_FirSumFits32(taps, length, history, outputs, step)) {
        RC_FirKernel32SaturatingWide(taps, length, history, outputs, step, out);
        return;
    }
    Run(taps, length, history, outputs, step, out, RC_FirStore32Saturating);
}
