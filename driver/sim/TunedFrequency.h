#pragma once
// Works back from the synthesiser words a receiver holds to the frequency it is tuned to, the way
// the receiver's own synthesiser would: the fraction word gives the VCO, the range control byte
// its multiplier and injection side, the first IF the offset. Simulators use it so that tests can
// check a tune end to end against the frequency asked for.

#include <cstdint>
#include <optional>

#include "driver/LX_Q7_EEPROM.h"
#include "driver/TunerState.h"

namespace lxq::sim {

// The fraction word is a truncated ratio, so it names a few neighbouring whole frequencies (one to
// three, by the synthesiser's multiplier): the lowest and highest of them.
struct TunedSpan {
    std::uint32_t lowHz;
    std::uint32_t highHz;
    bool loBelow = false; // the first LO sits below the signal (injection from below)
    bool Contains(std::uint32_t hz) const { return hz >= lowHz && hz <= highHz; }
};

// The span tuned to, or nothing when the words fit no synthesiser range of the image (words never
// written, a range beyond the image's count, a VCO that overflowed).
std::optional<TunedSpan> DecodeTunedFrequency(const TunerState& state, const LX_Q7_EEPROM& image, bool fmWide);

} // namespace lxq::sim
