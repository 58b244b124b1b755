#include "demod/ui/DcsSquelch.h"

namespace {

constexpr std::int32_t kInverted = RC_DcsDecoder::kInverted;

// A listed value as the report gives it: an inverted code (listed + 512) is negative.
std::int32_t AsReported(std::int32_t listed) { return listed >= kInverted ? kInverted - listed : listed; }

} // namespace

void DcsSquelch::Process(const std::int16_t* samples, std::uint32_t total, std::uint32_t stride, float rate) {
    decoder_.SetSampleRate(rate);
    decoder_.Process(samples, total, stride);
}

DcsSquelch::Outcome DcsSquelch::Decide(SquelchVerdict& verdict, bool settling, std::int32_t requested,
                                       std::uint32_t& hold) {
    Outcome out;
    if (settling) {
        if (hold != 0) --hold;
        if (hold == 0) verdict.closed = true;
        return out;
    }
    const std::int32_t* found = decoder_.FoundCodes();
    const std::uint32_t count = decoder_.FoundCount();
    if (count != 0) {
        verdict.closed = true;
        out.restartSettling = true;
        const std::int32_t wanted = requested >= 0 ? requested : kInverted - requested;
        bool match = false;
        for (std::uint32_t k = 0; k < count && !match; ++k) match = found[k] == wanted;
        if (match) {
            verdict.closed = false;
            out.reported = requested;
            hold = kHoldBlocks;
        } else {
            const bool wantInverted = requested < 0;
            out.reported = AsReported(found[0]);
            for (std::uint32_t k = 0; k < count; ++k) {
                if ((found[k] >= kInverted) == wantInverted) {
                    out.reported = AsReported(found[k]);
                    break;
                }
            }
            hold = 0;
        }
        if (hold != 0) --hold;
        if (hold != 0) {
            // A held match opens the squelch even when an earlier type of this block shut it.
            verdict.closed = false;
            verdict.bits |= kSquelchDcs;
        } else if (!verdict.closed) {
            verdict.bits |= kSquelchDcs;
        }
    } else {
        if (hold != 0) --hold;
        if (hold == 0) {
            verdict.closed = true;
        } else if (!verdict.closed) {
            verdict.bits |= kSquelchDcs;
        }
    }
    verdict.decided = true;
    decoder_.ClearFound();
    return out;
}
