#pragma once
// The tone squelch: the decoder listens to the detector output (or, in wide FM, to the audio the
// receiver delivers) and the squelch passes only the requested tone. Audio thread only.

#include "demod/dsp/RC_CtcssDecoder.h"
#include "demod/ui/SquelchVerdict.h"

#include <cstdint>

class CtcssSquelch {
public:
    // Every stride-th of total samples at `rate` into the decoder.
    void Process(const std::int16_t* samples, std::uint32_t total, std::uint32_t stride, float rate);
    // The decoder's tone against `requested` (Hz); returns the tone found in thousandths of Hz
    // for the report, 0 while settling or without a tone. A settling squelch stays shut.
    std::int32_t Decide(SquelchVerdict& verdict, bool settling, float requested) const;

    const RC_CtcssDecoder& Decoder() const { return decoder_; }

private:
    RC_CtcssDecoder decoder_;
};
