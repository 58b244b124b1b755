#pragma once
// The voice squelch: the detector judges half a second of audio at a time; outside scan mode a
// small hysteresis counter (0..3) keeps one odd judgement from opening or closing the squelch.
// Runs on the audio thread; the detector's ring is allocated when its length first grows.

#include "demod/dsp/RC_VoiceDetector.h"
#include "demod/ui/SquelchVerdict.h"

#include <cstdint>

class VoiceSquelch {
public:
    static constexpr std::uint32_t kMaxHysteresis = 3;
    static constexpr std::uint32_t kOpenAt = 2;
    static constexpr float kLevelThreshold = 0.1f;

    // Adds every stride-th of count audio samples at `rate` (half a second per judgement).
    void Add(const std::int16_t* samples, std::uint32_t count, std::uint32_t stride, std::uint32_t rate,
             float voiceThreshold);
    // The judgement of the detector's latest analysis; restarts the collection so that the next
    // judgement covers the next half second. Returns the voice measure in percent for the report.
    std::int32_t Decide(SquelchVerdict& verdict, bool scan);

    std::uint32_t Hysteresis() const { return hysteresis_; }
    RC_VoiceDetector& Detector() { return detector_; }

private:
    RC_VoiceDetector detector_;
    std::uint32_t hysteresis_ = 0;
};
