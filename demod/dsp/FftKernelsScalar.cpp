// The portable butterfly. It writes nothing anywhere but the data: it runs on the audio thread.

#include "demod/dsp/FftKernels.h"

void RC_FftButterflyScalar(RC_FftComplex* data, std::uint32_t half, const RC_FftTwiddle* twiddles) {
    for (std::uint32_t span = 1; span < half; span *= 2) {
        const std::uint32_t twiddleStep = half / span;
        for (std::uint32_t start = 0; start < half; start += 2 * span) {
            for (std::uint32_t j = 0; j < span; ++j) {
                RC_FftButterflyPair(data[start + j], data[start + j + span], twiddles[j * twiddleStep]);
            }
        }
    }
}

RC_FftButterfly RC_SelectFftButterfly(RC_Routine routine) {
    return routine != RC_Routine::kScalar ? RC_FftButterflySse2 : RC_FftButterflyScalar;
}
