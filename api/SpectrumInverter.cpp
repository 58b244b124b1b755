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

// trunc(v) kept to its low 16 bits: a value just outside the 16-bit range wraps as the fixed-point
// arithmetic does, without an undefined conversion.
std::int16_t Low16(float v) {
    const auto t = static_cast<std::int32_t>(v);
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(static_cast<std::uint32_t>(t)));
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
    float* osc = oscillator_.Data();
    for (std::size_t k = 0; k < n; ++k) {
        const float c = std::cos(phase_);
        const float s = std::sin(phase_);
        osc[2 * k] = c;
        osc[2 * k + 1] = s;
        i_[k] = Low16(static_cast<float>(x[k]) * c);
        q_[k] = Low16(static_cast<float>(x[k]) * s);
        phase_ += step;
        if (phase_ >= kPi) phase_ -= 2 * kPi;
    }
    inPhase_.Process(i_.Data(), i_.Data(), n);
    quadrature_.Process(q_.Data(), q_.Data(), n);
    const float sign = invert_ ? -1.0f : 1.0f;
    for (std::size_t k = 0; k < n; ++k) {
        const float c = osc[2 * k];
        const float s = osc[2 * k + 1];
        x[k] = Low16(static_cast<float>(i_[k]) * c + sign * (static_cast<float>(q_[k]) * s));
    }
}

} // namespace lxq::api
