#pragma once
// FIR filter with Q15 taps, 16-bit history and 32-bit output (the sum times 2, Q31, wrapping
// unless saturation is asked for).

#include "demod/dsp/RC_FirFilterQ15.h"

class RC_FirFilter32 final : public RC_FirFilterQ15<std::int32_t> {
public:
    explicit RC_FirFilter32(RC_Routine routine = RC_DefaultRoutine());

    // Holds outputs beyond the Q31 range at -2147483647..2147483647 instead of wrapping them.
    void SetSaturating(bool on);
    bool Saturating() const { return saturating_; }

private:
    bool saturating_ = false;
};
