#pragma once
// The digital-code squelch: the decoder lists the codes heard since the last decision; a match
// with the requested code opens the squelch and holds it open for a while after the code stops
// arriving, so that a code word lost to a fade does not chop the audio. Audio thread only; the
// hold counter belongs to the owner, which clears it when the frequency changes.

#include "demod/dsp/RC_DcsDecoder.h"
#include "demod/ui/SquelchVerdict.h"

#include <cstdint>

class DcsSquelch {
public:
    // Blocks a match keeps the squelch open for.
    static constexpr std::uint32_t kHoldBlocks = 60;

    struct Outcome {
        std::int32_t reported = 0; // code for the report: negative for an inverted code
        bool restartSettling = false;
    };

    // Every stride-th of total samples at `rate` into the decoder.
    void Process(const std::int16_t* samples, std::uint32_t total, std::uint32_t stride, float rate);
    // The decision for code c (negative: inverted). While settling, only the hold runs down.
    Outcome Decide(SquelchVerdict& verdict, bool settling, std::int32_t requested, std::uint32_t& hold);

    RC_DcsDecoder& Decoder() { return decoder_; }

private:
    RC_DcsDecoder decoder_;
};
