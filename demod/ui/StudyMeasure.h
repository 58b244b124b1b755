#pragma once
// The study window's measurements between two probes of the demodulator: level and phase
// difference at a test frequency, the harmonic distortion of one signal, and the SINAD of the
// output over a long window. Plain arithmetic on sample blocks; the window keeps the smoothing.

#include "demod/dsp/RC_Fft.h"

#include <complex>
#include <cstdint>
#include <vector>

namespace study {

// One DFT bin of n samples (no window): sum x[k] e^(-j 2 pi bin k / n).
std::complex<double> Bin(const std::int16_t* x, std::uint32_t n, std::uint32_t bin);

// 10 log10(red / blue) of two bin powers; +100 when blue is 0, -100 when red is 0.
double LevelDifference(double powerRed, double powerBlue);

// Phase of red less phase of blue, in degrees, folded into (-180, 180].
double PhaseDifference(std::complex<double> red, std::complex<double> blue);

// Total harmonic distortion in per cent of n samples at rate for the fundamental f: the power at
// f, 2f, ... up to the last harmonic below half the rate (at most 10). Negative when it cannot
// be measured (no harmonic fits, or no power).
double Thd(const std::int16_t* x, std::uint32_t n, double f, double rate);

// SINAD of the output: the last 32768 samples against the 257 bins around the test frequency.
class Sinad {
public:
    static constexpr std::uint32_t kLength = 32768;
    Sinad();
    // Appends up to 32767 newest samples (every stride-th value).
    void Append(const std::int16_t* samples, std::uint32_t count, std::uint32_t stride);
    // dB: 100 when nothing but the tone is there, 0 when there is no signal.
    double Measure(double f, double rate);

private:
    std::vector<std::int16_t> buffer_;
    RC_Fft fft_;
};

} // namespace study
