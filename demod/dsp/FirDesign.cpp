#include "demod/dsp/FirDesign.h"

#include <cmath>
#include <numbers>

namespace {

constexpr double kPi = std::numbers::pi;
// Below this the tap sum is too small to normalise by.
constexpr double kNormaliseFloor = 0.001;

double Blackman(std::uint32_t i, std::uint32_t length) {
    const double a = kPi * (1.0 - 2.0 * i / (length - 1));
    return 0.42 - 0.5 * std::cos(a) + 0.08 * std::cos(2.0 * a);
}

void Symmetric(double* taps, std::uint32_t n, std::uint32_t i, double value) {
    taps[n + i] = value;
    taps[n - i] = value;
}

void Antisymmetric(double* taps, std::uint32_t n, std::uint32_t i, double value) {
    taps[n + i] = value;
    taps[n - i] = -value;
}

void ScaleTo(double* taps, std::uint32_t length, double gain, bool absolute) {
    double sum = 0.0;
    for (std::uint32_t k = 0; k < length; ++k) {
        sum += absolute ? std::fabs(taps[k]) : taps[k];
    }
    if (sum > kNormaliseFloor) {
        for (std::uint32_t k = 0; k < length; ++k) {
            taps[k] *= gain / sum;
        }
    }
}

void LowPass(double* taps, std::uint32_t length, double fs, double cutoff, double gain) {
    const std::uint32_t n = (length - 1) / 2;
    taps[n] = 2.0 * cutoff / fs;
    for (std::uint32_t i = 1; i <= n; ++i) {
        Symmetric(taps, n, i, std::sin(2.0 * kPi * cutoff * i / fs) / (kPi * i) * Blackman(i, length));
    }
    ScaleTo(taps, length, gain, false);
}

void BandPass(double* taps, std::uint32_t length, const RC_FirDesignParameters& p) {
    const std::uint32_t n = (length - 1) / 2;
    const double width = p.highCutoff - p.lowCutoff;
    const double centre = p.highCutoff + p.lowCutoff;
    taps[n] = 2.0 * p.gain * width / p.sampleRate;
    for (std::uint32_t i = 1; i <= n; ++i) {
        Symmetric(taps, n, i,
                  2.0 * p.gain * std::sin(kPi * width * i / p.sampleRate) *
                      std::cos(kPi * centre * i / p.sampleRate) * Blackman(i, length) / (kPi * i));
    }
}

void Differentiator(double* taps, std::uint32_t length, double gain) {
    const std::uint32_t n = (length - 1) / 2;
    taps[n] = 0.0;
    for (std::uint32_t i = 1; i <= n; ++i) {
        double product = 1.0;
        for (std::uint32_t j = 1; j <= n; ++j) {
            if (j != i) {
                product *= 1.0 - static_cast<double>(i) * i / (static_cast<double>(j) * j);
            }
        }
        Antisymmetric(taps, n, i, Blackman(i, length) / (i * product));
    }
    ScaleTo(taps, length, gain, true);
}

} // namespace

void RC_DesignFir(const RC_FirDesignParameters& p, double* taps) {
    const std::uint32_t length = p.length;
    const std::uint32_t n = (length - 1) / 2;
    for (std::uint32_t k = 0; k < length; ++k) {
        taps[k] = 0.0;
    }
    switch (p.type) {
    case kRC_FirLowPass:
        LowPass(taps, length, p.sampleRate, p.highCutoff, p.gain);
        break;
    case kRC_FirHighPass:
        LowPass(taps, length, p.sampleRate, p.lowCutoff, p.gain);
        taps[n] -= p.gain;
        break;
    case kRC_FirBandPass:
        BandPass(taps, length, p);
        break;
    case kRC_FirBandStop:
        BandPass(taps, length, p);
        for (std::uint32_t k = 0; k < length; ++k) {
            taps[k] = -taps[k];
        }
        taps[n] += p.gain;
        break;
    case kRC_FirHilbert:
        for (std::uint32_t i = 1; i <= n; ++i) {
            const double hamming = 0.54 + 0.46 * std::cos(kPi * i / n);
            Antisymmetric(taps, n, i, p.gain * (1.0 - std::cos(kPi * i)) / (kPi * i) * hamming);
        }
        break;
    case kRC_FirMovingAverage:
        for (std::uint32_t k = 0; k < length; ++k) {
            taps[k] = p.gain / length;
        }
        break;
    case kRC_FirDifferentiator:
        Differentiator(taps, length, p.gain);
        break;
    default:
        taps[n] = p.gain;
        break;
    }
}
