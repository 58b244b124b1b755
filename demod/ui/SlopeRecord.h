#pragma once
// The IF slope correction as the receiver's EEPROM keeps it: eleven knobs, one every 2000 Hz from
// 2000 to 22000 Hz, stored as value + 128 at byte 216, followed by a 16-bit check word at 227.

#include <array>
#include <cstdint>

class RC_ReceiverApiBase;

inline constexpr int kSlopeKnobs = 11;
inline constexpr std::uint32_t kSlopeOffset = 216;
inline constexpr std::uint32_t kSlopeCheckOffset = 227;
inline constexpr int kSlopeKnobMin = -99;
inline constexpr int kSlopeKnobMax = 99;
// Knobs outside this range are counted into the check word at reading, so that they are refused.
inline constexpr int kSlopeTrustedLimit = 15;

using SlopeKnobs = std::array<double, kSlopeKnobs>;

struct SlopeBytes {
    std::array<std::uint8_t, kSlopeKnobs> bytes;
    std::uint16_t check;
};

// Bytes and check word that a write stores.
SlopeBytes EncodeSlope(const SlopeKnobs& knobs);

struct SlopeReading {
    SlopeKnobs knobs; // byte - 128, clamped to the knob range
    std::uint16_t stored;
    std::uint16_t computed;
    bool Valid() const { return stored == computed; }
};
// Reads the record out of a 256-byte EEPROM image.
SlopeReading DecodeSlope(const unsigned char* eeprom);

// One write attempt through the binding: bytes, then check word, then compared with the image
// read back. False when any step failed or the image differs. The binding's kept image is left as
// it is (it is the user-interface thread's, and this runs on the receiver worker).
bool WriteSlopeOnce(RC_ReceiverApiBase& receiver, const SlopeKnobs& knobs);

// Correction in dB at `hz` (2000..22000): linear between the two neighbouring knobs. With the
// spectrum inverted, knob 0 belongs to 22000 Hz and knob 10 to 2000 Hz.
double SlopeCorrectionAt(const SlopeKnobs& knobs, double hz, bool inverted);
