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

    // Filters as Filter does, for an input whose run (count a multiple of ZeroStuffing() and of
    // the step) holds samples other than zero only at every U-th place from the first, as every
    // earlier run since the filter started did: the zeros are skipped, so each output costs a
    // U-th of the multiplies and is the same bit for bit (the same products, summed modulo
    // 2^32). Any other run is filtered as Filter does.
    Out* FilterStuffed(Out* output, std::uint32_t count, std::uint32_t step) {
        const std::uint32_t u = ZeroStuffing();
        std::uint32_t n = count;
        std::uint32_t s = step;
        const std::uint32_t outputs = PrepareRun(n, s);
        if (phaseTaps_ == nullptr || outputs == 0 || n % u != 0 || n % s != 0) {
            return Filter(output, count, step);
        }
        if (output == nullptr) {
            output = Output();
        }
        RunPhases(n, s, outputs, output);
        KeepHistory(outputs * s);
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

    // The polyphase run. Every earlier run moved the history on by a multiple of U, so the
    // samples that may be other than zero lie at the places p = a + iU (a = (L - 1) mod U) of the
    // window, where this run's first new sample lies. Output j's window starts at jV; its first
    // such place is jV + phi with phi = (a - jV) mod U, and the taps it meets there are
    // h[phi], h[phi + U], ...: phase phi's set. Outputs T = U / gcd(U, V) apart share a phase
    // and step V / gcd(U, V) through the compact history; each phase is one kernel call.
    void RunPhases(std::uint32_t n, std::uint32_t v, std::uint32_t outputs, Out* output) {
        const std::uint32_t u = ZeroStuffing();
        const std::uint32_t length = Length();
        const std::uint32_t a = (length - 1) % u;
        const std::uint32_t taken = (length + u - 1) / u; // the longest phase
        auto* phases = static_cast<std::int16_t*>(phaseTaps_);
        // Taps are rebuilt every run: an owner may change them in place at any time, and a set
        // costs a U-th of one output's multiplies.
        const std::int16_t* taps = Taps();
        for (std::uint32_t phi = 0; phi < u; ++phi) {
            std::int16_t* set = phases + std::size_t{phi} * phaseLength_;
            std::uint32_t i = 0;
            for (std::uint32_t k = phi; k < length; k += u, ++i) {
                set[i] = taps[k];
            }
            for (; i < phaseLength_; ++i) {
                set[i] = 0;
            }
        }
        auto* compact = static_cast<std::int16_t*>(compactHistory_);
        const std::int16_t* history = History();
        const std::uint32_t window = length - 1 + n;
        for (std::uint32_t p = a, i = 0; p < window; p += u, ++i) {
            compact[i] = history[p];
        }
        std::uint32_t g = u;
        for (std::uint32_t r = v; r != 0;) {
            const std::uint32_t t = g % r;
            g = r;
            r = t;
        }
        const std::uint32_t period = u / g;
        const std::uint32_t compactStep = v / g;
        for (std::uint32_t r = 0; r < period && r < outputs; ++r) {
            const std::uint32_t start = r * v;
            const std::uint32_t phi = (a + u - start % u) % u;
            const std::uint32_t first = (start + phi - a) / u;
            const std::uint32_t count = (outputs - r + period - 1) / period;
            Out* to = period == 1 ? output : static_cast<Out*>(phaseOutput_);
            kernel_(phases + std::size_t{phi} * phaseLength_, taken, compact + first, count, compactStep, to);
            if (period > 1) {
                for (std::uint32_t m = 0; m < count; ++m) {
                    output[r + m * period] = to[m];
                }
            }
        }
    }

    auto FilterCall() {
        return [this](Out* out, std::uint32_t count, std::uint32_t step) { Filter(out, count, step); };
    }

    RC_Routine routine_;
    Kernel kernel_;
};
