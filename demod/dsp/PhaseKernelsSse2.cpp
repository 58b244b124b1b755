// SSE2 phase steps: four samples per register, each lane formed with the operations of
// RC_PhaseAngle in its order (the selects as masks, the sign as the bit of the imaginary part),
// so the results agree with the scalar routine bit for bit.

#include "demod/dsp/PhaseKernels.h"

#include <emmintrin.h>

namespace {

inline __m128 Select(__m128 mask, __m128 yes, __m128 no) {
    return _mm_or_ps(_mm_and_ps(mask, yes), _mm_andnot_ps(mask, no));
}

inline __m128 Load(const std::int32_t* x) {
    return _mm_cvtepi32_ps(_mm_loadu_si128(reinterpret_cast<const __m128i*>(x)));
}

} // namespace

void RC_PhaseStepsSse2(const std::int32_t* i, const std::int32_t* q, std::uint32_t n,
                       std::int32_t previousI, std::int32_t previousQ, float scale, std::int32_t* out) {
    if (n < 5) {
        RC_PhaseStepsScalar(i, q, n, previousI, previousQ, scale, out);
        return;
    }
    // The first sample needs the previous block's last; the rest read their neighbour in place.
    RC_PhaseStepsScalar(i, q, 1, previousI, previousQ, scale, out);
    const __m128 signBit = _mm_set1_ps(-0.0f);
    const __m128 tiny = _mm_set1_ps(FLT_MIN);
    const __m128 halfPi = _mm_set1_ps(kRC_HalfPiF);
    const __m128 pi = _mm_set1_ps(kRC_PiF);
    const __m128 zero = _mm_setzero_ps();
    const __m128 factor = _mm_set1_ps(scale);
    std::uint32_t k = 1;
    for (; k + 4 <= n; k += 4) {
        const __m128 re = Load(i + k);
        const __m128 im = Load(q + k);
        const __m128 pr = Load(i + k - 1);
        const __m128 pim = Load(q + k - 1);
        const __m128 y = _mm_sub_ps(_mm_mul_ps(pim, re), _mm_mul_ps(pr, im));
        const __m128 x = _mm_add_ps(_mm_mul_ps(re, pr), _mm_mul_ps(im, pim));
        const __m128 ax = _mm_andnot_ps(signBit, x);
        const __m128 ay = _mm_andnot_ps(signBit, y);
        const __m128 steep = _mm_cmpgt_ps(ay, ax);
        const __m128 larger = Select(steep, ay, ax);
        const __m128 smaller = Select(steep, ax, ay);
        const __m128 t = _mm_div_ps(smaller, Select(_mm_cmpgt_ps(larger, tiny), larger, tiny));
        const __m128 t2 = _mm_mul_ps(t, t);
        __m128 p = _mm_set1_ps(kRC_AtanCoefficients[6]);
        for (int c = 5; c >= 0; --c) {
            p = _mm_add_ps(_mm_mul_ps(p, t2), _mm_set1_ps(kRC_AtanCoefficients[c]));
        }
        __m128 a = _mm_mul_ps(p, t);
        a = Select(steep, _mm_sub_ps(halfPi, a), a);
        a = Select(_mm_cmplt_ps(x, zero), _mm_sub_ps(pi, a), a);
        // copysign: a is never negative here, so its sign bit is clear.
        a = _mm_or_ps(a, _mm_and_ps(signBit, y));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k), _mm_cvttps_epi32(_mm_mul_ps(a, factor)));
    }
    if (k < n) {
        RC_PhaseStepsScalar(i + k, q + k, n - k, i[k - 1], q[k - 1], scale, out + k);
    }
}
