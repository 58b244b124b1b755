#pragma once
// Small measuring tools for the DSP tests: synthesised signals with a fixed seed, the amplitude
// of one frequency in a block, and the frequency response of a tap set.

#include "demod/dsp/RC_Routine.h"
#include "demod/dsp/RC_Runtime.h"

#include <cmath>
#include <complex>
#include <cstdint>
#include <numbers>
#include <random>
#include <vector>

namespace dsptest {

constexpr double kPi = std::numbers::pi;

inline double Db(double ratio) { return 20.0 * std::log10(ratio); }

// Amplitude of a sinusoid of frequency f in x (sample rate fs), by correlation over a whole
// number of samples with a Hann window to keep other tones from leaking in.
template <typename T>
double ToneAmplitude(const std::vector<T>& x, double f, double fs, std::size_t first = 0) {
    std::complex<double> sum = 0.0;
    double weight = 0.0;
    const std::size_t n = x.size() - first;
    for (std::size_t k = 0; k < n; ++k) {
        const double w = 0.5 - 0.5 * std::cos(2.0 * kPi * (k + 0.5) / n);
        sum += w * static_cast<double>(x[first + k]) * std::polar(1.0, -2.0 * kPi * f * k / fs);
        weight += w;
    }
    return 2.0 * std::abs(sum) / weight;
}

// Root-mean-square value of x from `first` on.
template <typename T>
double Rms(const std::vector<T>& x, std::size_t first = 0) {
    double sum = 0.0;
    for (std::size_t k = first; k < x.size(); ++k) {
        sum += static_cast<double>(x[k]) * static_cast<double>(x[k]);
    }
    return std::sqrt(sum / static_cast<double>(x.size() - first));
}

// Frequency response magnitude of Q15 taps (unity = 32767).
inline double Response(const std::int16_t* taps, std::uint32_t length, double f, double fs) {
    std::complex<double> sum = 0.0;
    for (std::uint32_t k = 0; k < length; ++k) {
        sum += static_cast<double>(taps[k]) * std::polar(1.0, -2.0 * kPi * f * k / fs);
    }
    return std::abs(sum) / 32767.0;
}

// The strongest frequency of x between lo and hi: on a grid of `step` Hz, then refined to a
// tenth of the step around the best grid point.
template <typename T>
double PeakFrequency(const std::vector<T>& x, double fs, double lo, double hi, double step,
                     std::size_t first = 0) {
    double best = lo;
    double bestAmplitude = -1.0;
    const auto search = [&](double from, double to, double by) {
        for (double f = from; f <= to + by / 2; f += by) {
            const double a = ToneAmplitude(x, f, fs, first);
            if (a > bestAmplitude) {
                bestAmplitude = a;
                best = f;
            }
        }
    };
    search(lo, hi, step);
    search(best - step, best + step, step / 10);
    return best;
}

// Signal to noise-and-distortion ratio of a tone of known frequency f in x, in dB: the tone
// (with any DC) is fitted by least squares and everything left over counts against it.
template <typename T>
double Sinad(const std::vector<T>& x, double f, double fs, std::size_t first = 0) {
    // Normal equations of the fit a cos + b sin + c.
    double m[3][4] = {};
    for (std::size_t k = first; k < x.size(); ++k) {
        const double w = 2.0 * kPi * f * static_cast<double>(k) / fs;
        const double basis[3] = {std::cos(w), std::sin(w), 1.0};
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c) {
                m[r][c] += basis[r] * basis[c];
            }
            m[r][3] += basis[r] * static_cast<double>(x[k]);
        }
    }
    for (int p = 0; p < 3; ++p) {
        for (int r = 0; r < 3; ++r) {
            if (r != p) {
                const double ratio = m[r][p] / m[p][p];
                for (int c = 0; c < 4; ++c) {
                    m[r][c] -= ratio * m[p][c];
                }
            }
        }
    }
    const double a = m[0][3] / m[0][0];
    const double b = m[1][3] / m[1][1];
    const double dc = m[2][3] / m[2][2];
    double tone = 0.0;
    double rest = 0.0;
    for (std::size_t k = first; k < x.size(); ++k) {
        const double w = 2.0 * kPi * f * static_cast<double>(k) / fs;
        const double fitted = a * std::cos(w) + b * std::sin(w);
        const double e = static_cast<double>(x[k]) - fitted - dc;
        tone += fitted * fitted;
        rest += e * e;
    }
    return 10.0 * std::log10(tone / rest);
}

inline std::vector<std::int16_t> RandomSamples(std::size_t n, std::uint32_t seed, int lo = -32768,
                                               int hi = 32767) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> value(lo, hi);
    std::vector<std::int16_t> x(n);
    for (auto& v : x) {
        v = static_cast<std::int16_t>(value(random));
    }
    return x;
}

// The vector routines this processor can run, each to be checked against the scalar one.
inline std::vector<RC_Routine> VectorRoutines() {
    std::vector<RC_Routine> routines{RC_Routine::kSse2};
    if (RC_GetCpuInfo().HasAvx2()) {
        routines.push_back(RC_Routine::kAvx2);
    }
    return routines;
}

} // namespace dsptest
