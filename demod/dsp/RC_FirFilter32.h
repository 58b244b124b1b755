#pragma once
// FIR filter with Q15 taps, 16-bit history and 32-bit output (the sum times 2, Q31, wrapping).

#include "demod/dsp/RC_FirFilterQ15.h"

class RC_FirFilter32 final : public RC_FirFilterQ15<std::int32_t> {
public:
    explicit RC_FirFilter32(RC_Routine routine = RC_DefaultRoutine());
};
