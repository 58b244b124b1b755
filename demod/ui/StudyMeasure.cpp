#include "demod/ui/StudyMeasure.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace study {

std::complex<double> Bin(const std::int16_t* x, std::uint32_t n, std::uint32_t bin) {
    double re = 0.0, im = 0.0;
    const double w = 2.0 * std::numbers::pi * bin / n;
    for (std::uint32_t k = 0; k < n; ++k) {
        re += x[k] * std::cos(w * k);
        im -= x[k] * std::sin(w * k);
    }
    return {re, im};
}

double LevelDifference(double powerRed, double powerBlue) {
    if (powerBlue == 0.0) return 100.0;
    if (powerRed == 0.0) return -100.0;
    return 10.0 * std::log10(powerRed / powerBlue);
}

double PhaseDifference(std::complex<double> red, std::complex<double> blue) {
    constexpr double kDegrees = 180.0 / std::numbers::pi;
    double d = std::atan2(red.imag(), red.real()) * kDegrees - std::atan2(blue.imag(), blue.real()) * kDegrees;
    if (d <= -180.0) d += 360.0;
    else if (d > 180.0) d -= 360.0;
    return d;
}

double Thd(const std::int16_t* x, std::uint32_t n, double f, double rate) {
    if (!(f > 0.0) || !(rate > 0.0)) return -1.0;
    const int harmonics = std::min(static_cast<int>(rate / (2.0 * f)), 10);
    if (harmonics < 1) return -1.0;
    double total = 0.0, fundamental = 0.0;
    for (int i = 1; i <= harmonics; ++i) {
        const double step = 2.0 * std::numbers::pi * i * f / rate;
        double re = 0.0, im = 0.0;
        for (std::uint32_t k = 0; k < n; ++k) {
            re += x[k] * std::cos(step * k);
            im += x[k] * std::sin(step * k);
        }
        const double p = re * re + im * im;
        total += p;
        if (i == 1) fundamental = p;
    }
    if (total == 0.0) return -1.0;
    return 100.0 * std::sqrt(std::max(0.0, total - fundamental) / total);
}

Sinad::Sinad() : buffer_(kLength, 0) {
    fft_.SetWindow(kRC_WindowBlackman);
    fft_.SetSize(kLength);
}

void Sinad::Append(const std::int16_t* samples, std::uint32_t count, std::uint32_t stride) {
    if (stride == 0) return;
    const std::uint32_t n = std::min(count, kLength - 1);
    std::memmove(buffer_.data(), buffer_.data() + n, (kLength - n) * sizeof(std::int16_t));
    std::int16_t* tail = buffer_.data() + (kLength - n);
    for (std::uint32_t i = 0; i < n; ++i) tail[i] = samples[static_cast<std::size_t>(i) * stride];
}

double Sinad::Measure(double f, double rate) {
    fft_.Transform16(buffer_.data(), kLength);
    const float* power = fft_.Power();
    const std::uint32_t half = kLength / 2;
    double total = 0.0;
    for (std::uint32_t k = 0; k < half; ++k) total += power[k];
    if (total == 0.0) return 0.0;
    const auto k0 = static_cast<std::int64_t>(f * kLength / rate + 1.0 - 128.0);
    double noise = total;
    for (std::int64_t k = std::max<std::int64_t>(k0, 0); k <= k0 + 256 && k < half; ++k) noise -= power[k];
    if (noise <= 0.0) return 100.0;
    return 10.0 * std::log10(total / noise);
}

} // namespace study
