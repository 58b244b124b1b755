#include "demod/ui/CtcssSquelch.h"

void CtcssSquelch::Process(const std::int16_t* samples, std::uint32_t total, std::uint32_t stride, float rate) {
    decoder_.SetSampleRate(rate);
    decoder_.Process(samples, total, stride);
}

std::int32_t CtcssSquelch::Decide(SquelchVerdict& verdict, bool settling, float requested) const {
    if (settling) {
        verdict.closed = true;
        return 0;
    }
    verdict.decided = true;
    const std::int32_t index = decoder_.Result();
    if (index < 0 || static_cast<std::uint32_t>(index) >= RC_CtcssDecoder::kToneCount) {
        verdict.closed = true;
        return 0;
    }
    const float tone = RC_CtcssDecoder::kTones[index];
    if (tone == requested) {
        verdict.bits |= kSquelchCtcss;
    } else {
        verdict.closed = true;
    }
    return static_cast<std::int32_t>(tone * 1000.0f);
}
