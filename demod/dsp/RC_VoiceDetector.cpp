#include "demod/dsp/RC_VoiceDetector.h"

#include "demod/dsp/RC_Heap.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kScale = 1073741824.0; // 2^30: a full-scale sample squared, halved
constexpr float kFrameSeconds = 0.022222223f;

bool SignChange(std::int32_t a, std::int32_t b) { return (a < 0) != (b < 0); }

} // namespace

RC_VoiceDetector::~RC_VoiceDetector() { RC_Free(ring_); }

void RC_VoiceDetector::SetLength(std::uint32_t n) {
    if (n > capacity_) {
        void* grown = RC_Realloc(ring_, std::size_t{n} * sizeof(std::int32_t));
        if (grown == nullptr) {
            return; // keep the old length: the ring could not hold the new one
        }
        ring_ = static_cast<std::int32_t*>(grown);
        capacity_ = n;
    }
    length_ = n;
    if (fill_ >= length_) {
        fill_ = 0;
    }
}

void RC_VoiceDetector::SetSampleRate(float fs) {
    if (fs != sampleRate_) {
        sampleRate_ = fs;
    }
}

void RC_VoiceDetector::AddSamples(const std::int16_t* samples, std::uint32_t count, std::uint32_t stride) {
    if (length_ == 0 || samples == nullptr || stride == 0) {
        return;
    }
    const std::uint32_t n = count / stride;
    for (std::uint32_t k = 0; k < n; ++k, samples += stride) {
        ring_[fill_++] = *samples;
        if (fill_ >= length_) {
            Analyse();
            fill_ = 0;
        }
    }
}

void RC_VoiceDetector::Analyse() {
    const std::uint32_t n = length_;
    const double fs = sampleRate_;
    // DC blocker in place; its state carries over from ring to ring.
    const double p = std::exp(-10.0 * std::numbers::pi / fs);
    const double s = (1.0 + p) / 2.0;
    const std::int32_t lastOfPrevious = previousOutput_;
    for (std::uint32_t k = 0; k < n; ++k) {
        const std::int32_t x = ring_[k];
        const double y = s * (static_cast<double>(x) - previousInput_) + p * previousOutput_;
        previousInput_ = x;
        previousOutput_ = static_cast<std::int32_t>(y); // |y| stays within twice full scale
        ring_[k] = previousOutput_;
    }

    double sumSquares = 0.0;
    std::uint32_t crossings = 0;
    std::int32_t before = lastOfPrevious;
    for (std::uint32_t k = 0; k < n; ++k) {
        const double y = ring_[k];
        sumSquares += y * y;
        crossings += SignChange(before, ring_[k]) ? 1 : 0;
        before = ring_[k];
    }
    const double energy = sumSquares / (n * kScale);
    const double rate = static_cast<double>(crossings) / n;

    // Frames of fs / 45 samples; the rest of the ring is not framed. Too short a ring (or too
    // low a rate) gives no frames, and then no frame counts as quiet or busy.
    const auto frame = static_cast<std::uint32_t>(static_cast<float>(fs) * kFrameSeconds);
    const std::uint32_t frames = frame > 0 ? n / frame : 0;
    std::uint32_t quietFrames = 0;
    std::uint32_t busyFrames = 0;
    before = lastOfPrevious;
    for (std::uint32_t f = 0; f < frames; ++f) {
        std::uint32_t z = 0;
        double e = 0.0;
        for (std::uint32_t k = f * frame; k < (f + 1) * frame; ++k) {
            const double y = ring_[k];
            e += y * y;
            z += SignChange(before, ring_[k]) ? 1 : 0;
            before = ring_[k];
        }
        if (static_cast<double>(z) / frame >= 1.5 * rate) {
            ++busyFrames;
        }
        if (0.1 * energy >= e / (frame * kScale)) {
            ++quietFrames;
        }
    }
    const double quietShare = frames > 0 ? static_cast<double>(quietFrames) / frames : 0.0;
    const double busyShare = frames > 0 ? static_cast<double>(busyFrames) / frames : 0.0;

    const double level = std::sqrt(energy * rate * 10000.0);
    level_.store(static_cast<float>(level), std::memory_order_relaxed);
    double quiet;
    if (level < levelThreshold.load(std::memory_order_relaxed)) {
        quiet = quietShare;
        voice_.store(0.0f, std::memory_order_relaxed);
        state_.store(kRC_VoiceWeak, std::memory_order_relaxed);
    } else {
        quiet = 16.666666666666668 * quietShare;
        const double busy = 10.0 * busyShare;
        const double voice = std::min(0.2 * std::max(quiet, busy), 1.0);
        voice_.store(static_cast<float>(voice), std::memory_order_relaxed);
        std::int32_t state = kRC_VoiceNone;
        if (voice >= voiceThreshold.load(std::memory_order_relaxed)) {
            state = kRC_VoiceFound;
        } else if (quiet <= 1.0 && busy <= 1.0) {
            state = kRC_VoiceAbsent;
        }
        state_.store(state, std::memory_order_relaxed);
    }
    zeroCrossingRate_ = static_cast<float>(rate);
    energy_ = static_cast<float>(energy);
    previousQuiet_ = quiet_;
    quiet_ = static_cast<float>(quiet);
}
