#include "demod/dsp/RC_Agc.h"

#include "demod/dsp/FixedPoint.h"

#include <cmath>
#include <numbers>

namespace {

// The gain law shared by all three stages; `fallOnEqual` picks the branch for a gain exactly at
// its target (the step is zero either way).
inline double Follow(double gain, double target, double attack, double decay, bool fallOnEqual) {
    const bool falls = fallOnEqual ? gain >= target : gain > target;
    return gain + (falls ? attack : decay) * (target - gain);
}

template <typename T, typename Saturate>
void ProcessEnvelope(RC_Agc& agc, T* samples, std::uint32_t count, std::uint32_t stride,
                     Saturate saturate) {
    if (stride == 0) {
        return;
    }
    const double c = std::exp(-2.0 * std::numbers::pi * agc.envelopeBandwidth / agc.sampleRate);
    double gain = agc.gain;
    double envelope = agc.envelope;
    const std::uint32_t n = count / stride;
    for (std::uint32_t k = 0; k < n; ++k) {
        T& x = samples[static_cast<std::size_t>(k) * stride];
        envelope = c * std::fabs(static_cast<double>(x)) + (1.0 - c) * envelope;
        if (envelope < 1.0) {
            envelope = 1.0;
        }
        gain = Follow(gain, agc.reference / envelope, agc.attack, agc.decay, false);
        x = saturate(x * gain);
    }
    agc.gain = gain;
    agc.envelope = envelope;
}

} // namespace

void RC_Agc::Process16(std::int16_t* samples, std::uint32_t count, std::uint32_t stride) {
    ProcessEnvelope(*this, samples, count, stride, RC_SaturateTo16);
}

void RC_Agc::Process32(std::int32_t* samples, std::uint32_t count, std::uint32_t stride) {
    ProcessEnvelope(*this, samples, count, stride, RC_SaturateTo32);
}

void RC_Agc::ProcessIQ(std::int32_t* i, std::int32_t* q, std::uint32_t count) {
    double g = gain;
    for (std::uint32_t k = 0; k < count; ++k) {
        const double re = i[k];
        const double im = q[k];
        double magnitude = std::sqrt(re * re + im * im);
        if (magnitude < 1.0) {
            magnitude = 1.0;
        }
        g = Follow(g, reference / magnitude, attack, decay, true);
        i[k] = RC_SaturateTo32(re * g);
        q[k] = RC_SaturateTo32(im * g);
    }
    gain = g;
}
