#pragma once
// A low-pass FIR filter in 16-bit fixed point: windowed-sinc coefficients (Blackman window,
// unity DC gain times `gain`) quantised to Q15 and zero-padded to a multiple of 16 taps, so that
// the inner loop multiplies and adds eight 16-bit pairs at a time. Sums are 32-bit and wrap;
// outputs are sum / 32768 rounded and saturated to 16 bits. The last inputs of each block are
// the history of the next, so a stream may be cut into blocks anywhere.

#include "api/AlignedBuffer.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lxq::api {

class FirFilter16 {
public:
    FirFilter16(int taps, float rate, float cutoff, float gain = 1.0f);

    // Any count becomes max(3, count | 1). A change resizes the history and redesigns.
    void SetTaps(int taps);
    // A changed rate redesigns; a cutoff no longer below half the rate becomes half the rate.
    void SetRate(float rate);
    void SetCutoff(float cutoff); // redesigns when it changes
    int Taps() const { return taps_; }
    float Rate() const { return rate_; }
    float Cutoff() const { return cutoff_; }
    const std::vector<double>& Coefficients() const { return coefficients_; }
    const std::vector<std::int16_t>& Q15() const { return q15_; }

    // Makes room for blocks of n samples (no allocation afterwards for blocks up to n).
    void Reserve(std::size_t n);
    // Filters n samples; `in` and `out` may be the same array.
    void Process(const std::int16_t* in, std::int16_t* out, std::size_t n);

private:
    void Design();

    int taps_;
    float rate_;
    float cutoff_;
    float gain_;
    std::vector<double> coefficients_;
    std::vector<std::int16_t> q15_;
    std::size_t padded_ = 0;               // taps rounded up to a multiple of 16
    AlignedBuffer<std::int16_t> reversed_; // padded Q15 coefficients in input order (oldest first)
    AlignedBuffer<std::int16_t> line_;     // padded_ - 1 history samples, then the block
};

// The dot product of two arrays of n 16-bit values (n a multiple of 8), summed in wrapping 32-bit
// arithmetic. Exposed for the tests that hold the vector kernel to the plain one.
std::int32_t DotQ15(const std::int16_t* a, const std::int16_t* b, std::size_t n);
std::int32_t DotQ15Plain(const std::int16_t* a, const std::int16_t* b, std::size_t n);

} // namespace lxq::api
