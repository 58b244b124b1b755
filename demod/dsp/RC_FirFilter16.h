#pragma once
// FIR filter with Q15 taps, 16-bit history and 16-bit output (the sum shifted right by 15,
// wrapping unless saturation is asked for).

#include "demod/dsp/RC_FirFilterQ15.h"

class RC_FirFilter16 final : public RC_FirFilterQ15<std::int16_t> {
public:
    explicit RC_FirFilter16(RC_Routine routine = RC_DefaultRoutine());

    // Holds outputs beyond the 16-bit range at -32767..32767 instead of wrapping them.
    void SetSaturating(bool on);
    bool Saturating() const { return saturating_; }

private:
    bool saturating_ = false;
};
