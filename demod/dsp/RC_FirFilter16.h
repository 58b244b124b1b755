#pragma once
// FIR filter with Q15 taps, 16-bit history and 16-bit output (the sum shifted right by 15,
// wrapping, not saturated).

#include "demod/dsp/RC_FirFilterQ15.h"

class RC_FirFilter16 final : public RC_FirFilterQ15<std::int16_t> {
public:
    explicit RC_FirFilter16(RC_Routine routine = RC_DefaultRoutine());
};
