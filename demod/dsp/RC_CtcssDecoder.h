#pragma once
// Finds which of 52 sub-audible squelch tones is present in demodulated audio. Each block is
// resampled to about 1378 Hz and appended to a sliding window of the last 1024 samples; a
// 1024-point Blackman-windowed power spectrum of that window decides: each tone is looked for
// in its nearest bin, and the strongest tone bin wins when it holds at least a quarter of the
// power of the whole tone band (the bins of 62.5 to 254.1 Hz). The result holds between blocks.

#include "demod/dsp/RC_Fft.h"
#include "demod/dsp/RC_Resampler.h"

#include <cstdint>

class RC_CtcssDecoder : public RC_Fft {
public:
    static constexpr std::uint32_t kToneCount = 52;
    static constexpr std::uint32_t kWindowLength = 1024;
    // The tone table in index order, Hz.
    static const float kTones[kToneCount];

    explicit RC_CtcssDecoder(RC_Routine routine = RC_DefaultRoutine());

    // Nothing when unchanged; else the resampler is set for about 1378 Hz and the actual rate
    // kept.
    void SetSampleRate(float fs);
    // Every stride-th of count samples; afterwards Result() is the tone index or -1.
    void Process(const std::int16_t* samples, std::uint32_t count, std::uint32_t stride);

    // The decision over a power spectrum of 1,024 points taken at `rate`: the index of the
    // strongest tone bin (the lower tone on a tie) when it holds at least a quarter of the tone
    // band's power, else -1.
    static std::int32_t DecideTone(const float* power, std::uint32_t bins, float rate);
    // The bin nearest to frequency f in a 1,024-point spectrum taken at `rate`.
    static std::uint32_t ToneBin(float f, float rate);

    std::int32_t Result() const { return result_; }
    float ResampledRate() const { return resampledRate_; }
    float SampleRate() const { return inputRate_; }
    const RC_Resampler& Resampler() const { return resampler_; }

private:
    RC_Resampler resampler_;
    float resampledRate_ = 0.0f;
    std::int32_t result_ = -1;
    float inputRate_ = 0.0f;
    std::int32_t window_[kWindowLength] = {};
};
