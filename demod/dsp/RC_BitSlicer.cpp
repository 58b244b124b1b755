#include "demod/dsp/RC_BitSlicer.h"

void RC_BitSlicer::Process(const std::int16_t* samples, std::uint32_t n) {
    if (samples == nullptr || !(bitRate > 0.0)) {
        return;
    }
    const double perBit = sampleRate / bitRate;
    for (std::uint32_t k = 0; k < n; ++k) {
        const std::int16_t m = samples[k];
        const bool crossing = ((m < 0) != (previous < 0)) || (m == 0 && previous != 0);
        if (crossing) {
            // With perfect timing the crossing lies half a bit after the last centre
            // (timing = -perBit / 2) and the next centre half a bit ahead.
            countdown = (1.0 - gain) * timing + perBit * (1.0 - gain / 2.0);
        }
        if (countdown <= 0.0) {
            if (callback_ != nullptr) {
                callback_(user_, m >= 0 ? 1 : 0);
            }
            timing = countdown;
            countdown += perBit;
        }
        timing -= 1.0;
        countdown -= 1.0;
        previous = m;
    }
}
