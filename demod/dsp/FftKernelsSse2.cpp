// SSE2 butterfly: two complex values per register. The complex product is formed lane by lane
// exactly as the scalar pair forms it (c x re - s x im, c x im + s x re), so the results agree
// bit for bit; SSE2 has no add-subtract, so the subtraction is an addition of the negated
// product, which IEEE arithmetic makes identical.

#include "demod/dsp/FftKernels.h"

#include <emmintrin.h>

namespace {

inline __m128 LoadTwiddles(const RC_FftTwiddle* t0, const RC_FftTwiddle* t1) {
    const __m128 low = _mm_castpd_ps(_mm_load_sd(reinterpret_cast<const double*>(t0)));
    return _mm_castpd_ps(_mm_loadh_pd(_mm_castps_pd(low), reinterpret_cast<const double*>(t1)));
}

} // namespace

void RC_FftButterflySse2(RC_FftComplex* data, std::uint32_t half, const RC_FftTwiddle* twiddles) {
    // The first stage pairs neighbours (the twiddle is 1): the scalar form does it.
    if (half < 4) {
        RC_FftButterflyScalar(data, half, twiddles);
        return;
    }
    for (std::uint32_t start = 0; start < half; start += 2) {
        RC_FftButterflyPair(data[start], data[start + 1], twiddles[0]);
    }
    const __m128 negateReal = _mm_castsi128_ps(_mm_set_epi32(0, static_cast<int>(0x80000000u), 0,
                                                             static_cast<int>(0x80000000u)));
    float* values = &data[0].re;
    for (std::uint32_t span = 2; span < half; span *= 2) {
        const std::uint32_t twiddleStep = half / span;
        for (std::uint32_t start = 0; start < half; start += 2 * span) {
            for (std::uint32_t j = 0; j < span; j += 2) {
                // w = [s0 c0 s1 c1]; the product needs c in both lanes of a value and s likewise.
                const __m128 w = LoadTwiddles(&twiddles[j * twiddleStep], &twiddles[(j + 1) * twiddleStep]);
                const __m128 c = _mm_shuffle_ps(w, w, _MM_SHUFFLE(3, 3, 1, 1));
                const __m128 s = _mm_shuffle_ps(w, w, _MM_SHUFFLE(2, 2, 0, 0));
                float* pa = values + 2 * (start + j);
                float* pb = values + 2 * (start + j + span);
                const __m128 a = _mm_loadu_ps(pa);
                const __m128 b = _mm_loadu_ps(pb);
                const __m128 swapped = _mm_shuffle_ps(b, b, _MM_SHUFFLE(2, 3, 0, 1)); // [im re im re]
                // [c re, c im] + [-(s im), s re]
                const __m128 t = _mm_add_ps(_mm_mul_ps(c, b), _mm_xor_ps(_mm_mul_ps(s, swapped), negateReal));
                _mm_storeu_ps(pb, _mm_sub_ps(a, t));
                _mm_storeu_ps(pa, _mm_add_ps(a, t));
            }
        }
    }
}
