#include "demod/ui/SlopeRecord.h"

#include "demod/audio/RC_ReceiverApiBase.h"

#include <algorithm>
#include <cstring>

SlopeBytes EncodeSlope(const SlopeKnobs& knobs) {
    SlopeBytes out{};
    std::uint32_t sum = 0;
    for (int k = 0; k < kSlopeKnobs; ++k) {
        out.bytes[k] = static_cast<std::uint8_t>(static_cast<int>(knobs[k] + 128.0));
        sum += out.bytes[k];
    }
    out.check = static_cast<std::uint16_t>(sum);
    return out;
}

SlopeReading DecodeSlope(const unsigned char* eeprom) {
    SlopeReading r{};
    std::uint32_t sum = 0;
    for (int k = 0; k < kSlopeKnobs; ++k) {
        const int byte = eeprom[kSlopeOffset + k];
        const int value = std::clamp(byte - 128, kSlopeKnobMin, kSlopeKnobMax);
        r.knobs[k] = value;
        sum += static_cast<std::uint32_t>(byte);
        if (value < -kSlopeTrustedLimit || value > kSlopeTrustedLimit) ++sum;
    }
    r.computed = static_cast<std::uint16_t>(sum);
    r.stored = static_cast<std::uint16_t>(eeprom[kSlopeCheckOffset] | (eeprom[kSlopeCheckOffset + 1] << 8));
    return r;
}

bool WriteSlopeOnce(RC_ReceiverApiBase& receiver, const SlopeKnobs& knobs) {
    const SlopeBytes b = EncodeSlope(knobs);
    const unsigned char check[2] = {static_cast<unsigned char>(b.check & 0xFF),
                                    static_cast<unsigned char>(b.check >> 8)};
    unsigned char copy[RC_ReceiverApiBase::kEepromSize] = {};
    if (receiver.WriteEeprom(kSlopeOffset, kSlopeKnobs, b.bytes.data(), copy) == 0) return false;
    if (receiver.WriteEeprom(kSlopeCheckOffset, 2, check, copy) == 0) return false;
    return std::memcmp(copy + kSlopeOffset, b.bytes.data(), kSlopeKnobs) == 0 &&
           std::memcmp(copy + kSlopeCheckOffset, check, 2) == 0;
}

double SlopeCorrectionAt(const SlopeKnobs& knobs, double hz, bool inverted) {
    int d = static_cast<int>(hz) - 2000;
    if (inverted) d = 20000 - d;
    d = std::clamp(d, 0, 20000);
    const int s = std::min(d / 2000, kSlopeKnobs - 1);
    const int r = d - 2000 * s;
    const double next = s + 1 < kSlopeKnobs ? knobs[s + 1] : knobs[s];
    return ((2000 - r) * knobs[s] + r * next) / 2000.0;
}
