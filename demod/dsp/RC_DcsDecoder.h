#pragma once
// Recognises digital-coded squelch words in demodulated audio: the audio is resampled to about
// 2688 Hz, low-pass filtered at 300 Hz and sliced into bits at 134.4 bit/s; after every bit the
// last 23 bits, in each of their 23 cyclic rotations, are compared with the code words of 112
// codes, plain and inverted. The codes matched at the last bit that matched anything stay listed
// (an inverted code as its value + 512) until the owner clears the list.

#include "demod/dsp/RC_BitSlicer.h"
#include "demod/dsp/RC_FirFilter16.h"
#include "demod/dsp/RC_Resampler.h"

#include <cstdint>

class RC_DcsDecoder : public RC_Resampler {
public:
    static constexpr std::uint32_t kCodeCount = 112;
    static constexpr std::uint32_t kMaxFound = 32;
    static constexpr std::int32_t kInverted = 512;
    // The codes in table order, each the number whose octal digits name it (023 is 19).
    static const std::uint16_t kCodes[kCodeCount];

    explicit RC_DcsDecoder(RC_Routine routine = RC_DefaultRoutine());

    // The 23-bit word of a code, as the first bit received lands in bit 0; shared by all decoders.
    static std::uint32_t CodeWord(std::uint32_t index);

    // Nothing when unchanged; else the resampler is set for about 2688 Hz and the filter and
    // slicer follow the actual rate.
    void SetSampleRate(float fs);
    // Every stride-th of count samples.
    void Process(const std::int16_t* samples, std::uint32_t count, std::uint32_t stride);
    // One received bit (the slicer's callback): shifts it in and compares the register.
    void ReceiveBit(int bit);

    const std::int32_t* FoundCodes() const { return found_; }
    std::uint32_t FoundCount() const { return foundCount_; }
    void ClearFound() { foundCount_ = 0; }

    std::uint32_t Register() const { return register_; }
    float ResampledRate() const { return resampledRate_; }
    float SampleRate() const { return inputRate_; }
    const RC_FirFilter16& Filter() const { return filter_; }
    const RC_BitSlicer& Slicer() const { return slicer_; }

private:
    // Adds a code unless listed; the first addition of a bit empties the list.
    void AddFound(std::int32_t code, bool& firstOfBit);

    RC_FirFilter16 filter_;
    RC_BitSlicer slicer_;
    float resampledRate_ = 0.0f;
    std::uint32_t register_ = 0;
    std::int32_t found_[kMaxFound] = {};
    std::uint32_t foundCount_ = 0;
    float inputRate_ = 0.0f;
};
