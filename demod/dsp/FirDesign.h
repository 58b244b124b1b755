#pragma once
// Tap design of the FIR filters, in double precision. Taps are indexed from the oldest sample:
// taps[n + i] is the tap i places after the centre n = (length - 1) / 2.

#include <cstdint>

enum RC_FirType : int {
    kRC_FirImpulse = 0,
    kRC_FirLowPass = 1,
    kRC_FirHighPass = 2, // the low-pass at the low cut-off minus the gain: sign-inverted high-pass
    kRC_FirBandPass = 3,
    kRC_FirBandStop = 4,
    kRC_FirHilbert = 5,
    kRC_FirMovingAverage = 6,
    kRC_FirDifferentiator = 7,
};

struct RC_FirDesignParameters {
    int type;
    std::uint32_t length; // odd, at least 3
    double sampleRate;
    double highCutoff;
    double lowCutoff;
    double gain;
};

// Writes `length` taps.
void RC_DesignFir(const RC_FirDesignParameters& p, double* taps);
