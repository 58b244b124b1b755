#pragma once
// Common part of the two filters with Q15 taps and 16-bit history: tap conversion, the kernel
// call and the strided runs over interleaved or 32-bit input. Out is the output sample type.

#include "demod/dsp/FirKernels.h"
#include "demod/dsp/RC_FirFilter.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

// Q15 value of a designed tap: 1 and above give 32767, below -1 gives -32768, anything else is
// truncated toward zero (so -1 gives -32767); not-a-number gives 0.
std::int16_t RC_TapToQ15(double v);

template <typename Out>
class RC_FirFilterQ15 : public RC_FirFilter {
public:
    using Kernel = void (*)(const std::int16_t*, std::uint32_t, const std::int16_t*, std::uint32_t,
                            std::uint32_t, Out*);

    RC_Routine Routine() const { return routine_; }

    std::int16_t* WritePosition() { return History() + (Length() - 1); }
    Out* Output() { return static_cast<Out*>(output_); }
    std::int16_t* Taps() { return static_cast<std::int16_t*>(taps_); }

    // Filters count samples already written at WritePosition(), giving count / step outputs in
    // output (its own output buffer when null). Returns where the outputs went.
    Out* Filter(Out* output, std::uint32_t count, std::uint32_t step) {
        const std::uint32_t outputs = PrepareRun(count, step);
        if (output == nullptr) {
            output = Output();
        }
        if (outputs > 0) {
            kernel_(Taps(), Length(), History(), outputs, step, output);
        }
        if (history_ != nullptr) {
            KeepHistory(outputs * step);
        }
        return output;
    }

    // Copies Length() Q15 taps in place of designed ones (the padding stays zero).
    void LoadQ15Taps(const std::int16_t* taps) {
        if (taps_ != nullptr && taps != nullptr) {
            std::copy(taps, taps + Length(), Taps());
        }
    }

    // Every stride-th of total int16 samples, in chunks of at most a block; returns the outputs.
    std::uint32_t FilterStrided(Out* output, const std::int16_t* input, std::uint32_t total,
                                std::uint32_t stride, std::uint32_t step) {
        return RunStrided<std::int16_t>(output, input, total, stride, step,
                                        [](std::int16_t x) { return x; }, FilterCall());
    }

    // The same over 32-bit samples, taking the upper 16 bits of each.
    std::uint32_t FilterStridedUpper(Out* output, const std::int32_t* input, std::uint32_t total,
                                     std::uint32_t stride, std::uint32_t step) {
        return RunStrided<std::int16_t>(
            output, input, total, stride, step,
            [](std::int32_t x) { return static_cast<std::int16_t>(x >> 16); }, FilterCall());
    }

protected:
    RC_FirFilterQ15(RC_Routine routine, Kernel kernel)
        : RC_FirFilter({sizeof(std::int16_t), kRC_FirTapPadding, sizeof(Out), kOutputMultiple,
                        sizeof(std::int16_t)}),
          routine_(routine), kernel_(kernel) {
        Initialise();
    }

    void SetKernel(Kernel kernel) { kernel_ = kernel; }

    void ConvertTaps(const double* values, std::uint32_t count) override {
        for (std::uint32_t k = 0; k < count; ++k) {
            Taps()[k] = RC_TapToQ15(values[k]);
        }
    }

    void ConvertFloatTaps(const float* values, std::uint32_t count) override {
        for (std::uint32_t k = 0; k < count; ++k) {
            Taps()[k] = RC_TapToQ15(values[k]);
        }
    }

private:
    static constexpr std::uint32_t kOutputMultiple = sizeof(Out) == 2 ? 32 : 16;

    std::int16_t* History() { return static_cast<std::int16_t*>(history_); }

    auto FilterCall() {
        return [this](Out* out, std::uint32_t count, std::uint32_t step) { Filter(out, count, step); };
    }

    RC_Routine routine_;
    Kernel kernel_;
};
