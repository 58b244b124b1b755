#pragma once
// Mirrors the spectrum of a 16-bit audio stream about a mixing frequency, block by block: the
// signal is mixed down to a complex baseband (in-phase and quadrature branches), low-pass
// filtered in fixed point and mixed back up mirrored: with the invert flag a tone at f leaves at
// 2 x mixing frequency - f at its own level (saturated, never wrapped). Without the flag the block
// passes untouched: nothing asked for, nothing lost. Oscillator phase and filter history carry
// over from one block to the next.
// One object per receiver; it takes no lock, so calls for one object must not overlap.

#include "api/AlignedBuffer.h"
#include "api/FirFilter16.h"

#include <cstddef>
#include <cstdint>

namespace lxq::api {

class SpectrumInverter {
public:
    SpectrumInverter();

    void SetMixingFrequency(float hz) { mixingHz_ = hz; }
    void SetInvert(bool invert) { invert_ = invert; }
    // max(rate, 4) for both filters (see FirFilter16::SetRate).
    void SetSampleRate(float rate);
    void Reserve(std::size_t n);
    // Processes n samples in place.
    void Process(std::int16_t* samples, std::size_t n);

    float Phase() const { return phase_; }
    const FirFilter16& Filter() const { return inPhase_; }

private:
    FirFilter16 inPhase_;
    FirFilter16 quadrature_;
    float mixingHz_ = 3500.0f;
    bool invert_ = true;
    float phase_ = 0.0f;
    AlignedBuffer<float> oscillator_; // cos, sin per sample
    AlignedBuffer<std::int16_t> i_;
    AlignedBuffer<std::int16_t> q_;
};

} // namespace lxq::api
