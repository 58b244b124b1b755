#pragma once
// Decides whether demodulated audio carries speech. Samples collect in a ring of a set length;
// each full ring is analysed: speech shows its syllabic structure, many short frames far quieter
// than the average or with far more zero crossings than the average, whereas steady noise and
// steady tones are uniform. The audio thread adds samples; the owner reads the results from
// another thread (each result is one atomic value) and writes the two thresholds between calls.

#include "demod/dsp/RC_Object.h"

#include <atomic>
#include <cstdint>

enum RC_VoiceState : std::int32_t {
    kRC_VoiceNone = 0,  // no analysis yet, or an undecided one
    kRC_VoiceWeak = 1,  // signal too weak to judge
    kRC_VoiceFound = 2,
    kRC_VoiceAbsent = 3,
};

class RC_VoiceDetector : public RC_Object {
public:
    RC_VoiceDetector() = default;
    ~RC_VoiceDetector() override;

    // Samples per analysis; the ring grows when n exceeds its capacity.
    void SetLength(std::uint32_t n);
    void SetSampleRate(float fs);
    // Every stride-th of count samples into the ring; each full ring is analysed. Nothing while
    // the length is 0.
    void AddSamples(const std::int16_t* samples, std::uint32_t count, std::uint32_t stride);

    std::int32_t State() const { return state_.load(std::memory_order_relaxed); }
    float Level() const { return level_.load(std::memory_order_relaxed); }
    float VoiceMeasure() const { return voice_.load(std::memory_order_relaxed); }
    float ZeroCrossingRate() const { return zeroCrossingRate_; }
    float Energy() const { return energy_; }
    float QuietMeasure() const { return quiet_; }
    float PreviousQuietMeasure() const { return previousQuiet_; }
    std::uint32_t Length() const { return length_; }
    float SampleRate() const { return sampleRate_; }
    // Where the next sample goes; the owner may restart the collection at 0.
    std::uint32_t FillPosition() const { return fill_; }
    void SetFillPosition(std::uint32_t position) { fill_ = position < length_ ? position : 0; }

    std::atomic<float> levelThreshold{0.15f};
    std::atomic<float> voiceThreshold{0.2f};

private:
    void Analyse();

    std::atomic<std::int32_t> state_{kRC_VoiceNone};
    std::int32_t* ring_ = nullptr;
    std::uint32_t capacity_ = 0;
    std::uint32_t fill_ = 0;
    std::uint32_t length_ = 0;
    std::int32_t previousInput_ = 0;
    std::int32_t previousOutput_ = 0;
    float zeroCrossingRate_ = 0.0f;
    float energy_ = 0.0f;
    float previousQuiet_ = 0.0f;
    float quiet_ = 0.0f;
    float sampleRate_ = 11025.0f;
    std::atomic<float> level_{0.0f};
    std::atomic<float> voice_{0.0f};
};
