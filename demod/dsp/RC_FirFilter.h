#pragma once
// A linear-phase FIR filter that designs its own taps (type, cut-offs, sample rate, gain, odd
// length) and runs them over blocks of samples. The caller writes up to a block of new samples
// at WritePosition() and runs the kernel, which may decimate; the filter keeps the history so
// that consecutive blocks form one stream. Setters that change nothing do nothing; every other
// design setter redesigns at once, which replaces taps loaded by hand.
//
// Storage: one heap block, grown only: the taps on a 64-byte boundary, zero-filled to a multiple
// of 32 (16 for float taps), then the output buffer, then the history of length - 1 + block
// size samples; for a zero-stuffed input (an interpolator's: U - 1 zeros after every sample) also
// U tap sets of the polyphase form, the history's samples that may be other than zero, and the
// outputs of one phase. A change of block size, length or stuffing restarts the filter from
// silence.

#include "demod/dsp/FirDesign.h"

#include <cstddef>
#include <cstdint>

class RC_FirFilter {
public:
    RC_FirFilter(const RC_FirFilter&) = delete;
    RC_FirFilter& operator=(const RC_FirFilter&) = delete;
    virtual ~RC_FirFilter();

    void SetBlockSize(std::uint32_t n);
    void SetLength(std::uint32_t n);
    // The factor U of the zero-stuffed input that FilterStuffed runs take (1: none). Factors
    // above kLargestStuffing are filtered as any input is.
    void SetZeroStuffing(std::uint32_t u);
    void SetHighCutoff(float f);
    void SetLowCutoff(float f);
    void SetType(int type);
    void SetSampleRate(float fs);
    void SetGain(float g);

    // Sets the length as SetLength does and loads count values (converted to the tap format)
    // in place of designed taps.
    void LoadTaps(const double* values, std::uint32_t count);
    void LoadFloatTaps(const float* values, std::uint32_t count);

    // Plain stores without a redesign, for owners that keep their own taps.
    void StoreCutoffs(float low, float high);
    void StoreGain(float g) { gain_ = g; }

    std::uint32_t BlockSize() const { return blockSize_; }
    std::uint32_t Length() const { return length_; }
    std::uint32_t ZeroStuffing() const { return stuffing_; }
    float HighCutoff() const { return highCutoff_; }
    float LowCutoff() const { return lowCutoff_; }
    int Type() const { return type_; }
    float SampleRate() const { return sampleRate_; }
    float Gain() const { return gain_; }

protected:
    struct Format {
        std::size_t tapBytes;
        std::uint32_t tapMultiple;
        std::size_t outputBytes;
        std::uint32_t outputMultiple;
        std::size_t historyBytes;
    };
    explicit RC_FirFilter(const Format& format);

    // Derived constructors finish construction with this (layout and the first design).
    void Initialise();
    // Converts count designed or given values into the cleared, padded tap array.
    virtual void ConvertTaps(const double* values, std::uint32_t count) = 0;
    virtual void ConvertFloatTaps(const float* values, std::uint32_t count) = 0;

    // Outputs of one kernel call, and the count and step made safe (0 when storage is missing).
    std::uint32_t PrepareRun(std::uint32_t& count, std::uint32_t& step) const;
    // Largest chunk a strided run feeds per kernel call: a whole number of steps when possible.
    std::uint32_t ChunkFor(std::uint32_t step) const;
    // Keeps the history of the next window: length - 1 samples from `consumed` on.
    void KeepHistory(std::uint32_t consumed);

    // Feeds every stride-th of total input samples, converted to the history's Sample type, in
    // chunks of at most a block, each through filter(output or null, chunk, step). Returns the
    // number of outputs.
    template <typename Sample, typename Out, typename In, typename Convert, typename Filter>
    std::uint32_t RunStrided(Out* output, const In* input, std::uint32_t total, std::uint32_t stride,
                             std::uint32_t step, Convert convert, Filter filter) {
        if (stride == 0 || input == nullptr || history_ == nullptr) {
            return 0;
        }
        step = step == 0 ? 1 : step;
        std::uint32_t remaining = total / stride;
        const std::uint32_t chunkLimit = ChunkFor(step);
        std::uint32_t produced = 0;
        while (remaining > 0) {
            const std::uint32_t chunk = remaining < chunkLimit ? remaining : chunkLimit;
            Sample* to = static_cast<Sample*>(history_) + (length_ - 1);
            for (std::uint32_t j = 0; j < chunk; ++j, input += stride) {
                to[j] = convert(*input);
            }
            filter(output != nullptr ? output + produced : nullptr, chunk, step);
            produced += chunk / step;
            remaining -= chunk;
        }
        return produced;
    }

    void* taps_ = nullptr;
    void* output_ = nullptr;
    void* history_ = nullptr;
    std::uint32_t paddedLength_ = 0;
    // Laid out only for a stuffing of 2 or more (null otherwise): ZeroStuffing() tap sets of
    // phaseLength_ taps each (padded as the taps are), the compact history, one phase's outputs.
    void* phaseTaps_ = nullptr;
    void* compactHistory_ = nullptr;
    void* phaseOutput_ = nullptr;
    std::uint32_t phaseLength_ = 0;

    static constexpr std::uint32_t kLargestStuffing = 16;

private:
    bool ApplyLength(std::uint32_t n);
    // False when memory ran out; the old layout then stays.
    bool Layout();
    void Design();

    Format format_;
    void* storage_ = nullptr;
    std::size_t capacity_ = 0;
    std::uint32_t blockSize_ = 1024;
    float highCutoff_ = 3000.0f;
    float lowCutoff_ = 1000.0f;
    int type_ = kRC_FirImpulse;
    float sampleRate_ = 11025.0f;
    float gain_ = 1.0f;
    std::uint32_t length_ = 31;
    std::uint32_t stuffing_ = 1;
};
