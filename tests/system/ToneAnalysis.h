#pragma once
// Measuring what a receiver played: the frequency of its tone and how clean the tone is.

#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

namespace lxq::systemtest {

// The strongest tone between lowHz and highHz: a coarse search over the spectrum, then the
// frequency whose fitted sinusoid takes the most power, refined to a hundredth of a hertz.
struct ToneFit {
    double hz = 0;
    double sinadDb = 0; // power of the signal over what is left after taking the tone out
};

namespace detail {

// Power of the least-squares sinusoid of frequency hz (with an offset) in x.
inline double FittedPower(const std::vector<double>& x, double rate, double hz, double* residual) {
    const double w = 2 * std::numbers::pi * hz / rate;
    double cc = 0, ss = 0, cs = 0, xc = 0, xs = 0, mean = 0;
    for (double v : x) mean += v;
    mean /= static_cast<double>(x.size());
    for (std::size_t n = 0; n < x.size(); ++n) {
        const double c = std::cos(w * static_cast<double>(n)), s = std::sin(w * static_cast<double>(n));
        const double v = x[n] - mean;
        cc += c * c, ss += s * s, cs += c * s, xc += v * c, xs += v * s;
    }
    const double det = cc * ss - cs * cs;
    const double a = (xc * ss - xs * cs) / det, b = (xs * cc - xc * cs) / det;
    double fitted = 0, left = 0;
    for (std::size_t n = 0; n < x.size(); ++n) {
        const double t = a * std::cos(w * static_cast<double>(n)) + b * std::sin(w * static_cast<double>(n));
        fitted += t * t;
        const double e = x[n] - mean - t;
        left += e * e;
    }
    if (residual != nullptr) *residual = left;
    return fitted;
}

} // namespace detail

inline ToneFit FitTone(const std::vector<std::int16_t>& samples, double rate, double lowHz, double highHz) {
    std::vector<double> x(samples.begin(), samples.end());
    ToneFit fit;
    if (x.size() < 16) return fit;
    double best = -1;
    for (double hz = lowHz; hz <= highHz; hz += 5) {
        const double p = detail::FittedPower(x, rate, hz, nullptr);
        if (p > best) best = p, fit.hz = hz;
    }
    for (double step : {1.0, 0.1, 0.01}) {
        const double centre = fit.hz;
        for (double hz = centre - 10 * step; hz <= centre + 10 * step; hz += step) {
            const double p = detail::FittedPower(x, rate, hz, nullptr);
            if (p > best) best = p, fit.hz = hz;
        }
    }
    double residual = 0;
    const double signal = detail::FittedPower(x, rate, fit.hz, &residual);
    fit.sinadDb = 10 * std::log10((signal + residual) / std::max(residual, 1e-9));
    return fit;
}

} // namespace lxq::systemtest
