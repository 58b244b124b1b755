#pragma once
// The noise squelch's percentage for one block. AM-type modes judge the spread of the channel's
// instantaneous frequency (a carrier holds still, noise wanders); FM modes judge the level of the
// detector output above the voice band, which rises as the signal falls into noise. Outside scan
// mode the percentage is smoothed over blocks; in scan mode each frequency is judged afresh.
// Runs on the audio thread only; allocates only when a filter setting changes.

#include "demod/dsp/RC_FirFilter16.h"

#include <cstdint>

class NoiseSquelch {
public:
    static constexpr std::uint32_t kMaxBlock = 2048;

    NoiseSquelch();

    // AM-type modes: from the channel's normalised frequency variance and the half bandwidth (Hz).
    double FromMeasure(float measure, double halfBandwidth, bool scan);

    // FM modes: every stride-th of total samples through the high-pass at `lowCut`, then the
    // level follower; the level times `scale` is the percentage.
    double FromAudio(const std::int16_t* samples, std::uint32_t total, std::uint32_t stride, float rate,
                     float lowCut, std::uint32_t length, double scale, bool scan);

    double Smoothed() const { return smoothed_; }
    const RC_FirFilter16& Filter() const { return filter_; }

private:
    double Settle(double p, double keep, bool scan);

    RC_FirFilter16 filter_;
    double smoothed_ = 0.0;
    std::int16_t filtered_[kMaxBlock] = {};
};
