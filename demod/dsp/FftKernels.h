#pragma once
// Inner loops of the real FFT. The butterfly runs an in-place radix-2 decimation-in-time
// transform over `half` complex values already in bit-reversed order; the twiddle table holds
// (-sin, cos) of 2 pi k / (2 x half) for k < half. Every routine performs the same float
// operations in the same order, so the scalar and vector forms agree bit for bit.

#include "demod/dsp/RC_Routine.h"

#include <cstddef>
#include <cstdint>

struct RC_FftComplex {
    float re;
    float im;
};

struct RC_FftTwiddle {
    float s; // -sin
    float c; // cos
};

// The vector routine reads two of each per register: they must be two packed floats.
static_assert(sizeof(RC_FftComplex) == 8 && offsetof(RC_FftComplex, im) == 4);
static_assert(sizeof(RC_FftTwiddle) == 8 && offsetof(RC_FftTwiddle, c) == 4);

using RC_FftButterfly = void (*)(RC_FftComplex* data, std::uint32_t half, const RC_FftTwiddle* twiddles);

void RC_FftButterflyScalar(RC_FftComplex* data, std::uint32_t half, const RC_FftTwiddle* twiddles);
void RC_FftButterflySse2(RC_FftComplex* data, std::uint32_t half, const RC_FftTwiddle* twiddles);

RC_FftButterfly RC_SelectFftButterfly(RC_Routine routine);

// One butterfly: a + w b and a - w b, with the product formed as every routine forms it.
inline void RC_FftButterflyPair(RC_FftComplex& a, RC_FftComplex& b, RC_FftTwiddle w) {
    const float tr = w.c * b.re - w.s * b.im;
    const float ti = w.c * b.im + w.s * b.re;
    b.re = a.re - tr;
    b.im = a.im - ti;
    a.re = a.re + tr;
    a.im = a.im + ti;
}
