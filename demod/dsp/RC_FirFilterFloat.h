#pragma once
// FIR filter with float taps, history and output; one scalar routine.

#include "demod/dsp/RC_FirFilter.h"

#include <cstdint>

class RC_FirFilterFloat final : public RC_FirFilter {
public:
    RC_FirFilterFloat();

    float* WritePosition() { return History() + (Length() - 1); }
    float* Output() { return static_cast<float*>(output_); }
    const float* Taps() const { return static_cast<const float*>(taps_); }

    // As RC_FirFilterQ15::Filter.
    float* Filter(float* output, std::uint32_t count, std::uint32_t step);
    // Every stride-th of total int16 samples, in chunks of at most a block; returns the outputs.
    std::uint32_t FilterStrided(float* output, const std::int16_t* input, std::uint32_t total,
                                std::uint32_t stride, std::uint32_t step);

protected:
    void ConvertTaps(const double* values, std::uint32_t count) override;
    void ConvertFloatTaps(const float* values, std::uint32_t count) override;

private:
    float* History() { return static_cast<float*>(history_); }
};
