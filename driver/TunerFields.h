#pragma once
// The tuner state as the hardware takes it: eleven fields, each pushed on its own and confirmed on
// its own. A push sends the fields that changed or were never confirmed; each field's flag tells
// whether its value reached the hardware, which is what the set requests report back.

#include "driver/TunerState.h"

#include <array>
#include <cstdint>

namespace lxq::driver {

enum class TunerField : std::uint8_t {
    MainControl,     // word 0
    MainFraction,    // word 4
    SecondControl,   // word 8
    SecondFraction,  // word 12
    Gain16,          // gain word 16
    Gain20,          // gain word 20
    Reference,       // byte 24
    Band,            // word 25
    Dwell,           // byte 27
    Preselector,     // byte 28
    RangeControl,    // byte 29
};
inline constexpr std::size_t kTunerFieldCount = 11;

using FieldMask = std::uint16_t;
inline constexpr FieldMask Bit(TunerField f) { return static_cast<FieldMask>(1u << static_cast<unsigned>(f)); }
inline constexpr FieldMask kAllFields = (1u << kTunerFieldCount) - 1;

// Fields whose bytes differ between a and b.
FieldMask DifferentFields(const TunerState& a, const TunerState& b);
// Copies the given fields from `from` into `to`.
void CopyFields(TunerState& to, const TunerState& from, FieldMask fields);

// The card's strobe for the fields a push wrote: each field group names the strobe bits of the
// synthesiser or latch it loads, and the groups combine bit by bit. (Adding the values instead
// would turn word 8 and a gain word, 9 + 1, into 10 and drop the latch bit both need.)
std::uint8_t CardStrobeMask(FieldMask written);

// Per-device record of what reached the hardware.
struct Confirmations {
    FieldMask fields = 0;        // a set bit: the field's last push reached the hardware
    bool pushComplete = false;   // the last push finished in the hardware
    bool statusRead = false;     // the last lock-status read succeeded
    bool power = false;          // the last power switch succeeded
    bool measurement = false;    // the last measurement delivered fresh detector words

    // A set request's ok word: its fields confirmed and the last push complete.
    std::uint32_t Ok(FieldMask wanted) const { return pushComplete && (fields & wanted) == wanted ? 1 : 0; }
};

} // namespace lxq::driver
