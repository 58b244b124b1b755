#include "api/SpectrumInverter.h"

#include <algorithm>
#include <cmath>

namespace lxq::api {
namespace {

constexpr int kTaps = 127;
constexpr float kInitialRate = 11'025.0f;
constexpr float kInitialCutoff = 3'000.0f;
constexpr std::size_t kInitialBlock = 1'024;
constexpr float kPi = 3.14159265358979f;

// The nearest 16-bit value, saturated: a full-scale sample (-32768 turned by the oscillator's sign)
// must come out at full scale, never wrap to the other end.
std::int16_t Saturate16(float v) {
    const float r = std::nearbyint(std::clamp(v, -32768.0f, 32767.0f));
    return static_cast<std::int16_t>(r);
}

} // namespace

SpectrumInverter::SpectrumInverter()
    : inPhase_(kTaps, kInitialRate, kInitialCutoff), quadrature_(kTaps, kInitialRate, kInitialCutoff) {
    Reserve(kInitialBlock);
}

void SpectrumInverter::SetSampleRate(float rate) {
    if (!std::isfinite(rate)) return;
    const float r = std::max(rate, 4.0f);
    inPhase_.SetRate(r);
    quadrature_.SetRate(r);
}

void SpectrumInverter::Reserve(std::size_t n) {
    n = std::max<std::size_t>(n, 1);
    oscillator_.Reserve(2 * n);
    i_.Reserve(n);
    q_.Reserve(n);
    inPhase_.Reserve(n);
    quadrature_.Reserve(n);
}

void SpectrumInverter::Process(std::int16_t* x, std::size_t n) {
    Reserve(n);
    const float rate = inPhase_.Rate();
    const float cutoff = std::clamp(std::min(mixingHz_, rate / 4) * 0.95f, 2.0f, rate / 2);
    inPhase_.SetCutoff(cutoff);
    quadrature_.SetCutoff(cutoff);

    const float step = mixingHz_ * 2 * kPi / rate;
    if (!invert_) {
        // Nothing to mirror: the block passes as it came (the mixing and filtering would cost it
        // half its level and add rounding noise). The oscillator runs on, so that a mirrored block
        // later joins in phase.
        const double turn = 2.0 * kPi;
        double p = std::fmod(double{phase_} + double{step} * static_cast<double>(n), turn);
        if (p >= kPi) p -= turn;
        if (p < -kPi) p += turn;
        phase_ = static_cast<float>(p);
        return;
    }
    float* osc = oscillator_.Data();
    for (std::size_t k = 0; k < n; ++k) {
        const float c = std::cos(phase_);
        const float s = std::sin(phase_);
        osc[2 * k] = c;
        osc[2 * k + 1] = s;
        i_[k] = Saturate16(static_cast<float>(x[k]) * c);
        q_[k] = Saturate16(static_cast<float>(x[k]) * s);
        phase_ += step;
        if (phase_ >= kPi) phase_ -= 2 * kPi;
    }
    inPhase_.Process(i_.Data(), i_.Data(), n);
    quadrature_.Process(q_.Data(), q_.Data(), n);
    // Mixing down and back up halves the level: twice the recombined branches gives the mirrored
    // band the level it came with, so that the audio is as loud inverted as not.
    for (std::size_t k = 0; k < n; ++k) {
        const float c = osc[2 * k];
        const float s = osc[2 * k + 1];
        x[k] = Saturate16(2.0f * (static_cast<float>(i_[k]) * c - static_cast<float>(q_[k]) * s));
    }
}

} // namespace lxq::api
