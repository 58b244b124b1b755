#include "api/FirFilter16.h"

#include <algorithm>
#include <cmath>
#include <emmintrin.h>
#include <numbers>

namespace lxq::api {

FirFilter16::FirFilter16(int taps, float rate, float cutoff, float gain)
    : taps_(std::max(3, taps | 1)), rate_(rate), cutoff_(cutoff), gain_(gain) {
    Design();
}

void FirFilter16::SetTaps(int taps) {
    const int t = std::max(3, taps | 1);
    if (t == taps_) return;
    taps_ = t;
    Design();
}

void FirFilter16::SetRate(float rate) {
    if (rate == rate_) return;
    rate_ = rate;
    if (!(cutoff_ < rate_ / 2)) cutoff_ = rate_ / 2;
    Design();
}

void FirFilter16::SetCutoff(float cutoff) {
    if (cutoff == cutoff_) return;
    cutoff_ = cutoff;
    Design();
}

void FirFilter16::Design() {
    const int n = taps_;
    const int m = (n - 1) / 2;
    const double pi = std::numbers::pi;
    const double a = 2.0 * static_cast<double>(cutoff_) / static_cast<double>(rate_);
    coefficients_.assign(static_cast<std::size_t>(n), 0.0);
    coefficients_[static_cast<std::size_t>(m)] = a;
    for (int k = 1; k <= m; ++k) {
        const double x = 1.0 - 2.0 * k / (n - 1);
        const double w = 0.42 - 0.5 * std::cos(x * pi) + 0.08 * std::cos(2.0 * x * pi);
        const double h = std::sin(k * a * pi) / (k * pi) * w;
        coefficients_[static_cast<std::size_t>(m + k)] = h;
        coefficients_[static_cast<std::size_t>(m - k)] = h;
    }
    double sum = 0;
    for (double c : coefficients_) sum += c;
    for (double& c : coefficients_) c *= static_cast<double>(gain_) / sum;

    q15_.resize(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k) {
        const double v = coefficients_[static_cast<std::size_t>(k)];
        q15_[static_cast<std::size_t>(k)] =
            v >= 1.0 ? std::int16_t{32767}
                     : v < -1.0 ? std::int16_t{-32768} : static_cast<std::int16_t>(v * 32767.0);
    }

    const std::size_t padded = (static_cast<std::size_t>(n) + 15) / 16 * 16;
    // The history keeps the newest padded-1 inputs; when the length changes the newest ones
    // are kept in place at the end.
    if (padded != padded_) {
        AlignedBuffer<std::int16_t> line;
        line.Reserve(std::max(line_.Size(), padded - 1 + 1024));
        const std::size_t oldHistory = padded_ ? padded_ - 1 : 0;
        const std::size_t keep = std::min(oldHistory, padded - 1);
        for (std::size_t i = 0; i < keep; ++i)
            line[padded - 1 - keep + i] = line_[oldHistory - keep + i];
        line_ = std::move(line);
        padded_ = padded;
        reversed_ = AlignedBuffer<std::int16_t>();
    }
    reversed_.Reserve(padded_);
    // reversed[m] multiplies line[i + m]; line[i + padded - 1] is the newest input x[i], which
    // takes coefficient 0. The zero padding lands on the oldest positions.
    for (std::size_t mIdx = 0; mIdx < padded_; ++mIdx) {
        const std::size_t k = padded_ - 1 - mIdx;
        reversed_[mIdx] = k < q15_.size() ? q15_[k] : std::int16_t{0};
    }
}

void FirFilter16::Reserve(std::size_t n) { line_.Reserve(padded_ - 1 + n, padded_ - 1); }

void FirFilter16::Process(const std::int16_t* in, std::int16_t* out, std::size_t n) {
    Reserve(n);
    const std::size_t history = padded_ - 1;
    std::int16_t* line = line_.Data();
    std::copy(in, in + n, line + history);
    const std::int16_t* coefficients = reversed_.Data();
    for (std::size_t i = 0; i < n; ++i) {
        const std::int32_t sum = DotQ15(coefficients, line + i, padded_);
        // Rounded and saturated: a filter's overshoot on a full-scale input must clip, not turn
        // into a sample of the opposite sign.
        const std::int32_t rounded = static_cast<std::int32_t>((std::int64_t{sum} + (1 << 14)) >> 15);
        out[i] = static_cast<std::int16_t>(std::clamp<std::int32_t>(rounded, -32768, 32767));
    }
    // The newest inputs become the next block's history.
    std::copy(line + n, line + n + history, line);
}

std::int32_t DotQ15Plain(const std::int16_t* a, const std::int16_t* b, std::size_t n) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < n; ++i)
        sum += static_cast<std::uint32_t>(std::int32_t{a[i]} * std::int32_t{b[i]});
    return static_cast<std::int32_t>(sum);
}

std::int32_t DotQ15(const std::int16_t* a, const std::int16_t* b, std::size_t n) {
    __m128i acc = _mm_setzero_si128();
    for (std::size_t i = 0; i < n; i += 8) {
        const __m128i va = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
        const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
        acc = _mm_add_epi32(acc, _mm_madd_epi16(va, vb));
    }
    acc = _mm_add_epi32(acc, _mm_shuffle_epi32(acc, 0x4E));
    acc = _mm_add_epi32(acc, _mm_shuffle_epi32(acc, 0xB1));
    return _mm_cvtsi128_si32(acc);
}

} // namespace lxq::api
