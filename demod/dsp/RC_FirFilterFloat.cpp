#include "demod/dsp/RC_FirFilterFloat.h"

#include "demod/dsp/FirKernels.h"

namespace {
constexpr std::uint32_t kFloatTapMultiple = 16;
}

RC_FirFilterFloat::RC_FirFilterFloat()
    : RC_FirFilter({sizeof(float), kFloatTapMultiple, sizeof(float), 16, sizeof(float)}) {
    Initialise();
}

float* RC_FirFilterFloat::Filter(float* output, std::uint32_t count, std::uint32_t step) {
    const std::uint32_t outputs = PrepareRun(count, step);
    if (output == nullptr) {
        output = Output();
    }
    if (outputs > 0) {
        RC_FirKernelFloat(static_cast<const float*>(taps_), Length(), History(), outputs, step, output);
    }
    if (history_ != nullptr) {
        KeepHistory(outputs * step);
    }
    return output;
}

std::uint32_t RC_FirFilterFloat::FilterStrided(float* output, const std::int16_t* input,
                                               std::uint32_t total, std::uint32_t stride,
                                               std::uint32_t step) {
    return RunStrided<float>(output, input, total, stride, step,
                             [](std::int16_t x) { return static_cast<float>(x); },
                             [this](float* out, std::uint32_t count, std::uint32_t by) { Filter(out, count, by); });
}

void RC_FirFilterFloat::ConvertTaps(const double* values, std::uint32_t count) {
    auto* taps = static_cast<float*>(taps_);
    for (std::uint32_t k = 0; k < count; ++k) {
        taps[k] = static_cast<float>(values[k]);
    }
}

void RC_FirFilterFloat::ConvertFloatTaps(const float* values, std::uint32_t count) {
    auto* taps = static_cast<float*>(taps_);
    for (std::uint32_t k = 0; k < count; ++k) {
        taps[k] = values[k];
    }
}
