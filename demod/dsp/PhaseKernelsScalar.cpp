#include "demod/dsp/PhaseKernels.h"

void RC_PhaseStepsScalar(const std::int32_t* i, const std::int32_t* q, std::uint32_t n,
                         std::int32_t previousI, std::int32_t previousQ, float scale, std::int32_t* out) {
    auto pr = static_cast<float>(previousI);
    auto pi = static_cast<float>(previousQ);
    for (std::uint32_t k = 0; k < n; ++k) {
        const auto re = static_cast<float>(i[k]);
        const auto im = static_cast<float>(q[k]);
        const float a = RC_PhaseAngle(RC_PhaseCross(re, im, pr, pi), RC_PhaseDot(re, im, pr, pi));
        out[k] = static_cast<std::int32_t>(a * scale);
        pr = re;
        pi = im;
    }
}

RC_PhaseKernel RC_SelectPhaseKernel(RC_Routine routine) {
    return routine != RC_Routine::kScalar ? RC_PhaseStepsSse2 : RC_PhaseStepsScalar;
}
