#pragma once
// Converts a stream of 16-bit samples from one rate to another by a rational factor L/M:
// interpolate by L, low-pass, decimate by M, as a polyphase FIR filter with Q31 taps and 64-bit
// sums. L and M are chosen from the two rates and a tolerance; the owner computes the actual
// output rate, input x L / M, and uses that.
//
// Storage: one heap block, grown only: the L phases of 8 x g taps each, the sample buffer (the
// kept history followed by the current chunk) and the int32 output buffer. A new layout (L or
// prototype length changed) restarts the stream from silence; a new block size keeps the stream
// and the taps, since owners follow the size of every incoming block with it. Processing, and
// a block size no larger than one used before, allocate nothing.

#include "demod/dsp/RC_Base.h"

#include <cstddef>
#include <cstdint>

class RC_Resampler : public RC_Base {
public:
    RC_Resampler();
    ~RC_Resampler() override;

    // Largest input chunk per pass (at least 1). The history and the taps stay; storage grows
    // when n is the largest yet (when that fails, the old size stays).
    void SetBlockSize(std::uint32_t n);

    // Chooses L and M so that input x L / M lies within `tolerance` (relative) of `output`, with
    // a prototype filter of n x L taps. When the current pair already meets the tolerance and the
    // prototype is long enough, nothing changes and n x L is returned; otherwise the smallest
    // fitting L is taken, the stream restarts and 0 is returned. Rates that are not positive
    // change nothing.
    std::uint32_t SetRates(std::uint32_t n, double input, double output, double tolerance);

    // Resamples count / stride samples, every stride-th of input; returns the number of outputs.
    // The int32 buffer holds the outputs of the last chunk (all of them when count / stride is at
    // most the block size); when output is not null every output also goes there as its low 16
    // bits (a value beyond the 16-bit range wraps there, not in the int32 buffer).
    std::uint32_t Process(std::int16_t* output, const std::int16_t* input, std::uint32_t count,
                          std::uint32_t stride);

    std::uint32_t Interpolation() const { return interpolation_; }
    std::uint32_t Decimation() const { return decimation_; }
    std::uint32_t PrototypeLength() const { return prototypeLength_; }
    std::uint32_t BlockSize() const { return blockSize_; }
    std::uint32_t TapsPerPhase() const { return 8 * groups_; }
    const std::int32_t* Output() const { return output_; }
    std::uint32_t OutputCount() const { return outputCount_; }
    const std::int32_t* PhaseTaps(std::uint32_t phase) const { return taps_ + phase * TapsPerPhase(); }
    // The actual output rate for a given input rate.
    double OutputRate(double input) const { return input * interpolation_ / decimation_; }

    // Largest L the rate search tries: a rate pair that no smaller L meets takes the closest
    // pair found up to it (instead of searching without end).
    static constexpr std::uint32_t kMaxInterpolation = 1024;

protected:
    // Lays out storage for the current settings and designs the taps; false when memory ran out
    // (the old layout then stays).
    virtual bool Layout();
    // Converts `count` prototype taps into the polyphase Q31 table.
    virtual void LoadTaps(const double* taps, std::uint32_t count);

private:
    struct Geometry {
        std::size_t tapBytes = 0;
        std::size_t sampleBytes = 0;
        std::uint32_t outputCount = 0;
        std::size_t bytes = 0; // 0: too large to hold
    };
    Geometry Measure(std::uint64_t window, std::uint32_t block) const;
    void Place(const Geometry& g);
    // Storage for chunks of up to `block` samples, keeping taps, history and outputs.
    bool Reserve(std::uint32_t block);
    // Outputs of one chunk already placed after the kept history.
    std::uint32_t RunChunk(std::int16_t* output, std::uint32_t chunk);

    std::uint32_t groups_ = 1;  // taps per phase in groups of 8
    std::int32_t* samples_ = nullptr;
    std::uint32_t blockSize_ = 1024;
    std::uint32_t reservedBlock_ = 0; // largest chunk the storage holds
    std::int32_t* taps_ = nullptr;
    void* storage_ = nullptr;
    std::size_t capacity_ = 0;
    std::uint32_t phase_ = 0;   // in 1/L input samples
    std::uint32_t kept_ = 0;    // samples carried at the buffer start
    std::uint32_t skip_ = 0;    // input samples still to pass over before the next window
    std::int32_t* output_ = nullptr;
    std::uint32_t outputCapacity_ = 0;
    std::uint32_t outputCount_ = 0;
    std::uint32_t interpolation_ = 1;
    std::uint32_t prototypeLength_ = 127;
    std::uint32_t decimation_ = 1;
};
