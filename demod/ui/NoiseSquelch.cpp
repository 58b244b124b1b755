#include "demod/ui/NoiseSquelch.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kHighPass = 2;
// How fast the level follows the filtered noise: quicker in scan mode, where a frequency is
// judged from few blocks.
constexpr double kFollowScanHz = 70.0;
constexpr double kFollowHz = 10.0;

double Percent(double p) { return std::clamp(p, 0.0, 100.0); }

} // namespace

NoiseSquelch::NoiseSquelch() { filter_.SetType(kHighPass); }

double NoiseSquelch::Settle(double p, double keep, bool scan) {
    if (!scan) p = keep * smoothed_ + (1.0 - keep) * p;
    smoothed_ = p;
    return p;
}

double NoiseSquelch::FromMeasure(float measure, double halfBandwidth, bool scan) {
    // No bandwidth to judge against: count it as all noise.
    const double p = halfBandwidth > 0.0 ? Percent(measure * 20000.0 / halfBandwidth * 0.5 * 5000.0) : 100.0;
    return Settle(p, 0.8, scan);
}

double NoiseSquelch::FromAudio(const std::int16_t* samples, std::uint32_t total, std::uint32_t stride, float rate,
                               float lowCut, std::uint32_t length, double scale, bool scan) {
    stride = std::max<std::uint32_t>(stride, 1);
    total = std::min(total, kMaxBlock * stride);
    filter_.SetSampleRate(rate);
    filter_.SetLowCutoff(lowCut);
    filter_.SetLength(length);
    filter_.SetBlockSize(std::max<std::uint32_t>(total / stride, 1));
    const std::uint32_t n = filter_.FilterStrided(filtered_, samples, total, stride, 1);
    const double r = std::exp(-2.0 * M_PI * (scan ? kFollowScanHz : kFollowHz) / rate);
    double level = 0.0;
    for (std::uint32_t k = 0; k < n; ++k) level = (1.0 - r) * std::abs(static_cast<double>(filtered_[k])) + r * level;
    return Settle(Percent(level * scale), 0.9, scan);
}
